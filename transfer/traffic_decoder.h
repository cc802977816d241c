#pragma once
// What the frames on the bus mean, in words, for the diagnostic window's
// decoded view and `kavro-switch --verbose --decode`: "query channel 3",
// "reply channel 3: On Press JOG UP ms 2F, ...; Specific 12AB3C". The
// fields are read by the same rules as Get Config reads them.

#include <cstdint>
#include <string>
#include <vector>

namespace kavro {

// A frame the tool sent, or a reply it received (empty: none came).
std::string DescribeSentFrame(const std::vector<std::uint8_t>& frame);
std::string DescribeReply(const std::vector<std::uint8_t>& reply);

// A diagnostic log entry ("<--80 F4 ..." or "-->..."; an "ECHO" entry is
// said to be one); empty for the entries that carry no frame (counts,
// dropped bytes).
std::string DecodeLogEntry(const std::string& entry);

}  // namespace kavro
