// The simulator's fault rules (MESSAGE[/CHANNEL][@ATTEMPT]=FAULT, comma
// separated): any text either parses or is refused, without a crash; a plan
// that parses holds only rules in range, and written out again in the
// rules' own form it parses to the same plan.

#include <algorithm>
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "simulator/fault_plan.h"

namespace kavro::fuzz {
namespace {

std::string Written(const FaultPlan& plan) {
    std::string text;
    for (const FaultRule& r : plan.rules()) {
        char message[8];
        std::snprintf(message, sizeof message, "%02X", r.message);
        text += (text.empty() ? "" : ",") + std::string(r.message < 0 ? "*" : message);
        if (r.channel != 0) text += "/" + std::to_string(r.channel);
        if (r.attempt != 0) text += "@" + std::to_string(r.attempt);
        text += "=" + FaultName(r);
    }
    return text;
}

bool Same(const FaultRule& a, const FaultRule& b) {
    return a.message == b.message && a.channel == b.channel && a.attempt == b.attempt && a.fault == b.fault && a.cutAfter == b.cutAfter;
}

}  // namespace
}  // namespace kavro::fuzz

using namespace kavro;
using namespace kavro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto plan = ParseFaultPlan(std::string(reinterpret_cast<const char*>(data), size), &error);
    Expect(plan.has_value() || !error.empty(), "a refused plan says why");
    if (!plan) return 0;
    for (const FaultRule& r : plan->rules())
        Expect(r.message >= -1 && r.message <= 0xFF && r.channel >= 0 && r.channel <= 8 && r.attempt >= 0,
               "a rule names a message byte or any, a channel 1 to 8 or any, an attempt or every one");

    const auto again = ParseFaultPlan(Written(*plan));
    Expect(again.has_value(), "a plan written out parses");
    Expect(again->rules().size() == plan->rules().size() &&
               std::equal(plan->rules().begin(), plan->rules().end(), again->rules().begin(), Same),
           "a plan written out parses to the same rules");
    return 0;
}
