#include "history/journal_entry.h"

#include <algorithm>
#include <string_view>

namespace kavro {
namespace {

constexpr std::size_t kHeldSize = 3 + 8 * 21 + 24;

bool OneOf(const std::string& event, std::initializer_list<std::string_view> events) {
    return std::find(events.begin(), events.end(), event) != events.end();
}

}  // namespace

bool SameBus(const BusIdentity& a, const BusIdentity& b) {
    if (!a.adapterSerial.empty() && !b.adapterSerial.empty()) return a.adapterSerial == b.adapterSerial;
    return a.device == b.device;
}

std::string BusText(const BusIdentity& bus) {
    std::string text = bus.device.empty() ? "an unknown port" : bus.device;
    if (!bus.adapterSerial.empty()) text += " (adapter " + bus.adapterSerial + ")";
    return text;
}

bool JournalEntry::isWrite() const { return OneOf(event, {journal_event::kSend, journal_event::kRestore}); }

bool JournalEntry::isRead() const {
    using namespace journal_event;
    return OneOf(event, {kGet, kBeforeSend, kAfterSend, kBeforeRestore, kAfterRestore});
}

std::vector<std::uint8_t> HeldBytes(const HeldConfiguration& held) {
    std::vector<std::uint8_t> bytes(held.switchAddress.begin(), held.switchAddress.end());
    for (const auto& blocks : held.channelBlocks) bytes.insert(bytes.end(), blocks.begin(), blocks.end());
    bytes.insert(bytes.end(), held.sourceGroups.begin(), held.sourceGroups.end());
    return bytes;
}

std::optional<HeldConfiguration> HeldFromBytes(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != kHeldSize) return std::nullopt;
    HeldConfiguration held;
    auto at = bytes.begin();
    std::copy_n(at, 3, held.switchAddress.begin());
    at += 3;
    for (auto& blocks : held.channelBlocks) {
        std::copy_n(at, blocks.size(), blocks.begin());
        at += static_cast<std::ptrdiff_t>(blocks.size());
    }
    std::copy_n(at, held.sourceGroups.size(), held.sourceGroups.begin());
    return held;
}

}  // namespace kavro
