// The simulator's fault rules (MESSAGE[/CHANNEL][@ATTEMPT]=FAULT, comma
// separated): any text either parses or is refused with a reason; a plan
// that parses holds only rules in range, and written out again in the
// rules' own form it parses to the same plan.

#include <cstdio>

#include "fuzz_support.h"
#include "simulator/fault_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kavro;
    using fuzz::Expect;
    std::string error;
    const auto plan = ParseFaultPlan(std::string(reinterpret_cast<const char*>(data), size), &error);
    Expect(plan.has_value() || !error.empty(), "a refused plan says why");
    if (!plan) return 0;
    std::string written;
    for (const FaultRule& r : plan->rules()) {
        Expect(r.message >= -1 && r.message <= 0xFF && r.channel >= 0 && r.channel <= 8 && r.attempt >= 0,
               "a rule names a message byte or any, a channel 1 to 8 or any, an attempt or every one");
        char message[8];
        std::snprintf(message, sizeof message, "%02X", r.message);
        written += (written.empty() ? "" : ",") + std::string(r.message < 0 ? "*" : message);
        if (r.channel != 0) written += "/" + std::to_string(r.channel);
        if (r.attempt != 0) written += "@" + std::to_string(r.attempt);
        written += "=" + FaultName(r);
    }
    const auto again = ParseFaultPlan(written);
    Expect(again.has_value() && again->rules().size() == plan->rules().size(), "a plan written out parses");
    for (std::size_t k = 0; k < plan->rules().size(); ++k) {
        const FaultRule &a = plan->rules()[k], &b = again->rules()[k];
        Expect(a.message == b.message && a.channel == b.channel && a.attempt == b.attempt && a.fault == b.fault &&
                   a.cutAfter == b.cutAfter,
               "a plan written out parses to the same rules");
    }
    return 0;
}
