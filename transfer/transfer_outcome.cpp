#include "transfer/transfer_outcome.h"

#include <vector>

#include "buslink/field_parsers.h"

namespace kavro {
namespace {

void AddPart(std::string& list, const std::string& part, const char* separator = ", ") {
    list += (list.empty() ? "" : separator) + part;
}

// The words for an end that is not the sequence's own.
std::string Interrupted(const char* what, TransferEnd end) {
    switch (end) {
    case TransferEnd::LineLost: return std::string(what) + " stopped: the port went away";
    case TransferEnd::Stopped: return std::string(what) + " stopped before the end; what was done so far stays";
    case TransferEnd::NoPort: return std::string(what) + ": no serial port is open, nothing was sent";
    case TransferEnd::InvalidSwitchAddress:
        return std::string(what) + ": the switch address is not six hexadecimal digits, nothing was sent";
    case TransferEnd::GlobalSwitchAddress:
        return std::string(what) + ": the switch address is FFFFFF, and " + kGlobalAddressReason + "; nothing was sent";
    case TransferEnd::UnsendableText:
        return std::string(what) + ": a box holds text that would go out as something else; nothing was sent";
    case TransferEnd::NotBackedUp:
        return std::string(what) + ": what the switch holds could not be backed up first, so nothing was sent";
    case TransferEnd::NotJournaled:
        return std::string(what) + ": the write could not be entered in the journal first, so nothing was sent";
    default: return {};
    }
}

// What to do about an end that is not the sequence's own.
const char* AdviceFor(TransferEnd end) {
    switch (end) {
    case TransferEnd::NoSwitch: return kSilentSwitchAdvice;
    case TransferEnd::WentSilent: return kFellSilentAdvice;
    case TransferEnd::LineLost: return kLostLineAdvice;
    default: return "";
    }
}

std::string Plural(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

}  // namespace

std::string DescribeTrouble(const ReplyTrouble& t) {
    using Kind = ReplyTrouble::Kind;
    switch (t.kind) {
    case Kind::None: return "a well-formed reply";
    case Kind::NoAnswer: return "no answer";
    case Kind::Short:
        return "a short reply (" + std::to_string(t.received) + " of " + std::to_string(t.expected) + " bytes)";
    case Kind::Garbled: return "a garbled reply (" + Plural(t.received, "byte", "bytes") + ")";
    case Kind::BadChecksum: return "a reply with a bad checksum";
    case Kind::OtherChannel: return "a reply for channel " + std::to_string(t.channel);
    case Kind::Noisy: return "a noisy line: " + Plural(t.dropped, "byte", "bytes") + " thrown away";
    }
    return {};
}

int ReadParts::count() const {
    int n = firmware + switchAddress + sourceGroups;
    for (bool c : channels) n += c;
    return n;
}

bool ReadReport::complete() const {
    if (end != TransferEnd::Finished) return false;
    if ((asked.firmware && !firmware.read) || (asked.switchAddress && !switchAddress.read) ||
        (asked.sourceGroups && !sourceGroups.read))
        return false;
    for (int c = 0; c < 8; ++c)
        if (asked.channels[c] && !channels[c].read) return false;
    return true;
}

int ReadReport::dropped() const {
    int bytes = firmware.trouble.dropped + switchAddress.trouble.dropped + sourceGroups.trouble.dropped;
    for (const ReadPart& c : channels) bytes += c.trouble.dropped;
    return bytes;
}

// The parts that got no answer at all are named together; each part that
// got something else says what it got.
std::string ReadReport::failures() const {
    std::vector<std::pair<std::string, const ReadPart*>> parts;
    if (asked.firmware) parts.push_back({"firmware version", &firmware});
    if (asked.switchAddress) parts.push_back({"switch address", &switchAddress});
    for (int c = 0; c < 8; ++c)
        if (asked.channels[c]) parts.push_back({"channel " + std::to_string(c + 1), &channels[c]});
    if (asked.sourceGroups) parts.push_back({"source groups", &sourceGroups});
    std::string silent, troubled;
    for (const auto& [name, part] : parts) {
        if (part->read) continue;
        if (part->trouble.kind == ReplyTrouble::Kind::NoAnswer || part->trouble.ok()) AddPart(silent, name);
        else AddPart(troubled, name + ": " + DescribeTrouble(part->trouble), "; ");
    }
    if (!silent.empty()) silent = "no answer for " + silent;
    if (troubled.empty()) return silent;
    return silent.empty() ? troubled : troubled + "; " + silent;
}

std::string ReadReport::partsRead() const {
    std::string list;
    if (asked.firmware && firmware.read) AddPart(list, "firmware version");
    if (asked.switchAddress && switchAddress.read) AddPart(list, "switch address");
    // Channels read one after another as one run: "channels 1 to 3".
    for (int c = 0; c < 8;) {
        if (!asked.channels[c] || !channels[c].read) {
            ++c;
            continue;
        }
        int last = c;
        while (last + 1 < 8 && asked.channels[last + 1] && channels[last + 1].read) ++last;
        AddPart(list, last == c ? "channel " + std::to_string(c + 1)
                                : "channels " + std::to_string(c + 1) + " to " + std::to_string(last + 1));
        c = last + 1;
    }
    if (asked.sourceGroups && sourceGroups.read) AddPart(list, "source groups");
    return list;
}

ReplyTrouble ReadReport::givenUpOn() const {
    if (dropped() > 0) return {ReplyTrouble::Kind::Noisy, 0, 0, dropped()};
    return lastTrouble;
}

bool WriteReport::complete() const {
    if (!allSent()) return false;
    for (Reply r : replies)
        if (r != Reply::Acknowledged) return false;
    return true;
}

std::string WriteFrameName(int frame) {
    if (frame == 0) return "switch address";
    if (frame == WriteReport::kFrames - 1) return "source groups";
    return "channel " + std::to_string(frame);
}

std::string WriteReport::framesWith(Reply reply) const {
    std::string text;
    for (int f = 0; f < kFrames; ++f)
        if (replies[f] == reply) AddPart(text, WriteFrameName(f));
    return text;
}

Verdict ReadVerdict(const ReadReport& r) {
    if (r.end == TransferEnd::Closing) return {};
    if (r.end == TransferEnd::NoSwitch) {
        if (r.framesHeard == 0)
            return {false, "No switch answered: Get Config gave up after four queries", kSilentSwitchAdvice};
        return {false,
                "No switch answered properly: Get Config gave up after four queries (" +
                    DescribeTrouble(r.givenUpOn()) + ")",
                kUnsteadyLineAdvice};
    }
    if (r.end == TransferEnd::WentSilent)
        return {false,
                "The switch fell silent: Get Config gave up after four queries without a well-formed reply; read: " +
                    r.partsRead(),
                kFellSilentAdvice};
    if (r.end != TransferEnd::Finished) return {false, Interrupted("Get Config", r.end), AdviceFor(r.end)};
    if (r.complete()) return {true, "Get Config complete", ""};
    const bool silent = r.framesSent > 0 && r.framesHeard == 0;
    return {false, "Get Config: " + r.failures(), silent ? kSilentSwitchAdvice : kUnsteadyLineAdvice};
}

Verdict WriteVerdict(const WriteReport& r) {
    using Reply = WriteReport::Reply;
    if (r.end == TransferEnd::Closing) return {};
    if (r.end == TransferEnd::Stopped || (r.end == TransferEnd::LineLost && r.framesSent > 0)) {
        // The switch now holds a mixture: what it got of this screen, and
        // what it held before of the rest.
        const std::string got = r.framesWith(Reply::Acknowledged);
        return {false,
                std::string(r.end == TransferEnd::Stopped ? "Send Config stopped" : "Send Config stopped: the port went away") +
                    " after " + std::to_string(r.framesSent) + " of 10 frames: the switch now holds part of the screen (" +
                    (got.empty() ? "no frame was acknowledged" : "it acknowledged " + got) +
                    "). Send Config again to write all of it",
                AdviceFor(r.end)};
    }
    if (r.end != TransferEnd::Finished) return {false, Interrupted("Send Config", r.end), AdviceFor(r.end)};
    if (r.framesHeard == 0)
        return {false, "Send Config: no switch answered any of the " + std::to_string(r.framesSent) + " frames",
                kSilentSwitchAdvice};
    if (r.complete()) return {true, "Send Config sent", ""};
    std::string what;
    if (const std::string none = r.framesWith(Reply::NoAnswer); !none.empty()) AddPart(what, "no answer came to: " + none, "; ");
    if (const std::string garbled = r.framesWith(Reply::Garbled); !garbled.empty())
        AddPart(what, "a garbled reply came to: " + garbled, "; ");
    return {false, "Send Config sent, but " + what, kUnsteadyLineAdvice};
}

}  // namespace kavro
