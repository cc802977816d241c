#include "simulator/fault_plan.h"

#include <sstream>

namespace kavro {
namespace {

constexpr std::pair<Fault, const char*> kNames[] = {
    {Fault::None, "none"},
    {Fault::Silent, "silent"},
    {Fault::Short, "short"},
    {Fault::Long, "long"},
    {Fault::WrongLength, "wrong-length"},
    {Fault::BadChecksum, "bad-checksum"},
    {Fault::Trickle, "trickle"},
    {Fault::GarbageBefore, "garbage-before"},
    {Fault::ChannelZero, "channel-zero"},
    {Fault::ChannelNine, "channel-nine"},
    {Fault::Vanish, "vanish"},
    {Fault::Flood, "flood"},
    {Fault::KeepOld, "keep-old"},
};
constexpr const char* kCutPrefix = "cut:";

bool ParseInt(const std::string& text, int base, int& value) {
    if (text.empty()) return false;
    std::size_t used = 0;
    try {
        value = std::stoi(text, &used, base);
    } catch (...) {
        return false;
    }
    return used == text.size();
}

}  // namespace

FaultRule FaultPlan::faultFor(int message, int channel, int attempt) const {
    for (const FaultRule& r : rules_) {
        if (r.message >= 0 && r.message != message) continue;
        if (r.channel != 0 && r.channel != channel) continue;
        if (r.attempt != 0 && r.attempt != attempt) continue;
        return r;
    }
    return {};
}

std::optional<FaultRule> FaultFromName(const std::string& name) {
    FaultRule rule;
    if (name.rfind(kCutPrefix, 0) == 0) {
        if (!ParseInt(name.substr(4), 10, rule.cutAfter) || rule.cutAfter < 0 || rule.cutAfter > 255)
            return std::nullopt;
        rule.fault = Fault::Cut;
        return rule;
    }
    for (auto [fault, text] : kNames)
        if (name == text) {
            rule.fault = fault;
            return rule;
        }
    return std::nullopt;
}

std::string FaultName(const FaultRule& rule) {
    if (rule.fault == Fault::Cut) return kCutPrefix + std::to_string(rule.cutAfter);
    for (auto [f, text] : kNames)
        if (f == rule.fault) return text;
    return "none";
}

std::optional<FaultPlan> ParseFaultPlan(const std::string& text, std::string* error) {
    FaultPlan plan;
    std::istringstream in(text);
    std::string item;
    auto fail = [&](const std::string& why) -> std::optional<FaultPlan> {
        if (error) *error = "bad fault rule \"" + item + "\": " + why;
        return std::nullopt;
    };
    while (std::getline(in, item, ',')) {
        if (item.empty()) continue;
        const auto equals = item.find('=');
        if (equals == std::string::npos) return fail("expected MESSAGE[/CHANNEL][@ATTEMPT]=FAULT");
        const auto fault = FaultFromName(item.substr(equals + 1));
        if (!fault) return fail("unknown fault \"" + item.substr(equals + 1) + "\"");
        FaultRule rule = *fault;
        std::string target = item.substr(0, equals);
        if (const auto at = target.find('@'); at != std::string::npos) {
            if (!ParseInt(target.substr(at + 1), 10, rule.attempt) || rule.attempt < 1)
                return fail("attempt must be 1 or more");
            target.resize(at);
        }
        if (const auto slash = target.find('/'); slash != std::string::npos) {
            if (!ParseInt(target.substr(slash + 1), 10, rule.channel) || rule.channel < 1 || rule.channel > 8)
                return fail("channel must be 1 to 8");
            target.resize(slash);
        }
        if (target != "*" && (!ParseInt(target, 16, rule.message) || rule.message < 0 || rule.message > 0xFF))
            return fail("message must be a hex byte or *");
        plan.add(rule);
    }
    return plan;
}

}  // namespace kavro
