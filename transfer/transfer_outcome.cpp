#include "transfer/transfer_outcome.h"

namespace kavro {
namespace {

void AddPart(std::string& list, const std::string& part) {
    list += (list.empty() ? "" : ", ") + part;
}

std::string WriteFrameName(int frame) {
    if (frame == 0) return "switch address";
    if (frame == WriteReport::kFrames - 1) return "source groups";
    return "channel " + std::to_string(frame);
}

// The words for an end that is not the sequence's own.
std::string Interrupted(const char* what, TransferEnd end) {
    switch (end) {
    case TransferEnd::LineLost: return std::string(what) + " stopped: the port went away";
    case TransferEnd::Stopped: return std::string(what) + " stopped before the end; what was done so far stays";
    case TransferEnd::NoPort: return std::string(what) + ": no serial port is open, nothing was sent";
    case TransferEnd::InvalidSwitchAddress:
        return std::string(what) + ": the switch address is not six hexadecimal digits, nothing was sent";
    case TransferEnd::NoSwitch: return std::string(what) + ": no switch answers";
    default: return {};
    }
}

}  // namespace

bool ReadReport::complete() const {
    if (end != TransferEnd::Finished || !firmware || !switchAddress || !sourceGroups) return false;
    for (bool ok : channels)
        if (!ok) return false;
    return true;
}

std::string ReadReport::failures() const {
    std::string text;
    if (!firmware) AddPart(text, "firmware version");
    if (!switchAddress) AddPart(text, "switch address");
    for (int c = 0; c < 8; ++c) {
        if (channels[c]) continue;
        std::string part = "channel " + std::to_string(c + 1);
        if (answeredAs[c]) part += " (the reply named channel " + std::to_string(*answeredAs[c]) + ")";
        AddPart(text, part);
    }
    if (!sourceGroups) AddPart(text, "source groups");
    return text;
}

std::string WriteReport::unanswered() const {
    std::string text;
    for (int f = 0; f < framesSent && f < kFrames; ++f)
        if (!answered[f]) AddPart(text, WriteFrameName(f));
    return text;
}

// What to do about an end that is not the sequence's own.
const char* AdviceFor(TransferEnd end) {
    switch (end) {
    case TransferEnd::NoSwitch: return kSilentSwitchAdvice;
    case TransferEnd::LineLost: return kLostLineAdvice;
    default: return "";
    }
}

Verdict ReadVerdict(const ReadReport& r) {
    if (r.end == TransferEnd::Closing) return {};
    const bool silent = r.framesSent > 0 && r.framesHeard == 0;
    if (r.end != TransferEnd::Finished) return {false, Interrupted("Get Config", r.end), AdviceFor(r.end)};
    if (r.complete()) return {true, "Get Config complete", ""};
    return {false, "Get Config: no answer for " + r.failures(), silent ? kSilentSwitchAdvice : kUnsteadyLineAdvice};
}

Verdict WriteVerdict(const WriteReport& r) {
    if (r.end == TransferEnd::Closing) return {};
    if (r.end != TransferEnd::Finished) return {false, Interrupted("Send Config", r.end), AdviceFor(r.end)};
    if (r.framesHeard == 0)
        return {false, "Send Config: no switch answered any of the " + std::to_string(r.framesSent) + " frames",
                kSilentSwitchAdvice};
    const std::string missing = r.unanswered();
    if (!missing.empty()) return {false, "Send Config sent, but no answer came to: " + missing, kUnsteadyLineAdvice};
    return {true, "Send Config sent", ""};
}

}  // namespace kavro
