#include "cli/config_text.h"

#include <sstream>

#include "cli/printed_text.h"
#include "transfer/send_checks.h"

namespace kavro {
namespace {

// An address as show prints it; one of fewer than six digits (a file may
// hold one) is marked, since Send refuses to send it.
std::string ShownAddress(const std::string& text) {
    const std::string shortfall = AddressShortfall(text);
    return cli::ShownValue(text) + (shortfall.empty() ? "" : " (not sent: it " + shortfall + ")");
}

}  // namespace

std::string DestinationAddress(const ConfigScreen& s, int c) {
    switch (DestinationOf(s, c)) {
    case Destination::Specific: return s.motorAddress[c].text();
    case Destination::PointToPoint: return s.ppMotorAddress.text();
    case Destination::SrcGroup: return s.sourceGroupAddress[c].text();
    case Destination::Group: return "000000";
    default: return "";
    }
}

bool HasLock(const ConfigScreen& s, int c) {
    for (int e = 0; e < 3; ++e)
        if (SendsLockPriority(s.commands[EventIndex(c, e)].selected())) return true;
    return false;
}

// Every text of the screen comes from a file: printed as show prints
// values (cli::ShownValue), each on its own line whatever it holds.
std::string ConfigAsText(const ConfigScreen& s) {
    using cli::ShownValue;
    std::ostringstream out;
    for (int c = 0; c < kChannels; ++c) {
        out << "Channel " << c + 1 << " (" << s.frames[c].caption() << ")\n";
        for (int e = 0; e < 3; ++e) {
            const int i = EventIndex(c, e);
            out << "  " << s.eventNames[EventNameIndex(c, e)].caption() << ": "
                << (s.commands[i].selected() >= 0 ? s.commands[i].text() : "(no command)");
            if (s.data[i].visible()) out << "  data " << ShownValue(s.data[i].text());
            out << "\n";
        }
        out << "  Destination: " << DestinationName(DestinationOf(s, c));
        const std::string address = DestinationAddress(s, c);
        if (DestinationOf(s, c) != Destination::None) out << " " << ShownAddress(address);
        out << "\n";
        if (HasLock(s, c)) out << "  Lock priority: " << ShownValue(s.lockPriority[c].text()) << "\n";
        out << "  Seq: " << (s.seq[c].value() == 1 ? "on" : "off") << "\n";
    }
    out << "P-P Motor Address: " << ShownAddress(s.ppMotorAddress.text()) << "\n";
    out << "Switch Address: " << ShownAddress(s.switchAddress.text()) << "\n";
    out << "Use Switch Address for Config: " << (s.useSwitchAddress.value() == 1 ? "yes" : "no") << "\n";
    out << "Source groups:";
    for (int c = 0; c < kChannels; ++c) out << " " << ShownAddress(s.sourceGroupAddress[c].text());
    out << "\n";
    return out.str();
}

}  // namespace kavro
