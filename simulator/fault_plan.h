#pragma once
// Faults a simulated switch can be told to make, chosen per message (and
// channel) and per attempt, so that tests and demonstrations can show what
// the tool does with a silent, slow or broken switch.
//
// A plan is written as comma-separated rules, MESSAGE[/CHANNEL][@ATTEMPT]=FAULT:
//   8D/3@1=silent        the first query of channel 3 gets no answer
//   80=bad-checksum      every firmware query is answered with a bad checksum
//   8C@2=short           the second source-group query gets a short answer
//   7D/5=vanish          the line goes away when channel 5 is written
//   8D/2@1=cut:7         the first answer for channel 2 stops after 7 bytes
// MESSAGE is the message byte in hex, or * for any; ATTEMPT counts from 1.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kavro {

enum class Fault {
    None,
    Silent,         // no answer at all
    Short,          // the first half of the answer only
    Long,           // the answer padded to 60 bytes, all at once
    WrongLength,    // a length byte that names another length
    BadChecksum,    // the last byte altered
    Trickle,        // the answer byte by byte, 20 ms apart (slow, yet in time)
    GarbageBefore,  // three stray bytes ahead of the answer
    ChannelZero,    // a channel record that claims channel 0
    ChannelNine,    // a channel record that claims channel 9
    Vanish,         // the line goes away (the adapter is unplugged)
    Cut,            // only the first cutAfter bytes of the answer
    Flood,          // bytes without end instead of the answer (a device that never stops talking)
    KeepOld,        // a write answered as usual, but the switch keeps what it held
};

struct FaultRule {
    int message = -1;  // message byte, or -1 for any
    int channel = 0;   // 1..8 for channel frames, 0 for any
    int attempt = 0;   // 1, 2, ... or 0 for every attempt
    Fault fault = Fault::None;
    int cutAfter = 0;  // Cut: how many bytes of the answer get through
};

class FaultPlan {
public:
    void add(FaultRule rule) { rules_.push_back(rule); }
    bool empty() const { return rules_.empty(); }
    const std::vector<FaultRule>& rules() const { return rules_; }
    // The rule for this frame (fault None when no rule applies); attempt
    // counts the frames of this message (and channel) so far, this one
    // included.
    FaultRule faultFor(int message, int channel, int attempt) const;

private:
    std::vector<FaultRule> rules_;
};

// Reads a plan in the form above; nothing (and the reason in error) for
// a text that is not one.
std::optional<FaultPlan> ParseFaultPlan(const std::string& text, std::string* error = nullptr);
// A fault by the name rules use ("silent", "cut:7"), and back.
std::optional<FaultRule> FaultFromName(const std::string& name);
std::string FaultName(const FaultRule& rule);

}  // namespace kavro
