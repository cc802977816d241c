#include "cli/config_text.h"

#include <sstream>

#include "cli/printed_text.h"
#include "transfer/send_checks.h"

namespace kavro {
namespace {

constexpr const char* kEventKeys[3] = {"press", "hold", "release"};

// The address a channel's destination stands for, as the screen holds it.
std::string DestinationAddress(const ConfigScreen& s, int c) {
    switch (DestinationOf(s, c)) {
    case Destination::Specific: return s.motorAddress[c].text();
    case Destination::PointToPoint: return s.ppMotorAddress.text();
    case Destination::SrcGroup: return s.sourceGroupAddress[c].text();
    case Destination::Group: return "000000";
    default: return "";
    }
}

// An address as show prints it; one of fewer than six digits (a file may
// hold one) is marked, since Send refuses to send it.
std::string ShownAddress(const std::string& text) {
    const std::string shortfall = AddressShortfall(text);
    return cli::ShownValue(text) + (shortfall.empty() ? "" : " (not sent: it " + shortfall + ")");
}

// Whether the channel's commands send its lock priority (a code above
// 0x1F: the locks and "Set IP").
bool HasLock(const ConfigScreen& s, int c) {
    for (int e = 0; e < 3; ++e)
        if (SendsLockPriority(s.commands[EventIndex(c, e)].selected())) return true;
    return false;
}

// A JSON string of a screen text (Windows-1252).
std::string Json(const std::string& text) { return JsonString(Utf8FromWindows1252(text)); }

}  // namespace

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

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (char ch : utf8) {
        if (ch == '"' || ch == '\\') out += '\\';
        if (static_cast<unsigned char>(ch) < 0x20) {
            static const char* hex = "0123456789abcdef";
            out += "\\u00";
            out += hex[(ch >> 4) & 0xF];
            out += hex[ch & 0xF];
            continue;
        }
        out += ch;
    }
    return out + "\"";
}

std::string ConfigAsJson(const ConfigScreen& s) {
    std::ostringstream out;
    out << "{\n  \"channels\": [\n";
    for (int c = 0; c < kChannels; ++c) {
        out << "    {\"channel\": " << c + 1 << ", \"events\": {";
        for (int e = 0; e < 3; ++e) {
            const int i = EventIndex(c, e);
            out << (e ? ", " : "") << Json(kEventKeys[e]) << ": {\"command\": "
                << (s.commands[i].selected() >= 0 ? Json(s.commands[i].text()) : "null")
                << ", \"code\": " << s.commandCode(i) << ", \"data\": "
                << (s.data[i].visible() ? Json(s.data[i].text()) : "null") << "}";
        }
        out << "}, \"destination\": " << Json(DestinationName(DestinationOf(s, c))) << ", \"address\": " << Json(DestinationAddress(s, c))
            << ", \"motorAddress\": " << Json(s.motorAddress[c].text()) << ", \"lockPriority\": "
            << (HasLock(s, c) ? Json(s.lockPriority[c].text()) : "null") << ", \"seq\": "
            << (s.seq[c].value() == 1 ? "true" : "false") << "}" << (c + 1 < kChannels ? "," : "") << "\n";
    }
    out << "  ],\n  \"ppMotorAddress\": " << Json(s.ppMotorAddress.text()) << ",\n  \"switchAddress\": "
        << Json(s.switchAddress.text()) << ",\n  \"useSwitchAddress\": " << (s.useSwitchAddress.value() == 1 ? "true" : "false")
        << ",\n  \"sourceGroups\": [";
    for (int c = 0; c < kChannels; ++c) out << (c ? ", " : "") << Json(s.sourceGroupAddress[c].text());
    out << "]\n}\n";
    return out.str();
}

}  // namespace kavro
