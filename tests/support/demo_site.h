#pragma once
// A site as an installer leaves it: a manifest and the planned file of
// each switch, configurations that use every kind of command, data, lock
// priority, "Seq" and destination, labels with the characters a page must
// escape. For the report's tests, its benchmark and scripts/report-check.sh.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "configfile/config_records.h"
#include "platform/hex_text.h"

namespace kavro::test {

// Switch n of a demo site (from 0): its address and label.
inline std::string DemoAddress(int n) { return Hex(0x00AB01u + static_cast<unsigned>(n), 6); }
inline std::string DemoLabel(int n) {
    static const char* const kRooms[] = {"Hall <east> & \"main\"", "Office 2 & 3", "Stairs 'north'", "Kitchen",
                                         "Store <b>", "Lobby"};
    return std::string(kRooms[n % 6]) + (n >= 6 ? " " + std::to_string(n / 6 + 1) : "");
}

// Configuration v of a switch at an address: each channel a different
// press command with its data, STOP or a lock on hold, a jog on release.
inline void FillDemoScreen(ConfigScreen& s, unsigned v, const std::string& address) {
    s.fillCommandLists();
    for (int c = 0; c < kChannels; ++c) {
        const int press = static_cast<int>((3 * v + 5u * c + 2) % kCommandCount);
        const int positions[3] = {press, c % 3 == 1 ? 16 /* Lock IP */ : 3 /* STOP */, c % 2 ? 8 /* JOG UP ms */ : 0};
        for (int e = 0; e < 3; ++e) {
            const int i = EventIndex(c, e);
            s.commands[i].select(positions[e]);
            if (kCommands[static_cast<std::size_t>(positions[e]) % kCommands.size()].showsData())
                s.data[i].setText(positions[e] == kAbsolutePosition ? Hex(0x1234u + 16u * c, 4)
                                                                     : Hex((7u * v + 13u * c + static_cast<unsigned>(e)) % 16, 2));
        }
        s.lockPriority[c].setText(Hex(static_cast<unsigned>(c + 1), 2));
        s.destinationBoxes[ChannelBoxes(c)[(v + static_cast<unsigned>(c)) % 4]].setValue(1);
        s.seq[c].setValue((v + static_cast<unsigned>(c)) % 3 == 0 ? 1 : 0);
        s.motorAddress[c].setText("A1B2" + Hex(static_cast<unsigned>(c), 2));
        s.sourceGroupAddress[c].setText("0102" + Hex(static_cast<unsigned>(c), 2));
    }
    s.ppMotorAddress.setText("00BE" + Hex(v % 256, 2));
    s.switchAddress.setText(address);
}

// Switch n's configuration changed in three fields: channel 1's press
// command, channel 2's "Seq" and channel 3's destination.
inline void FillChangedDemoScreen(ConfigScreen& s, int n) {
    FillDemoScreen(s, static_cast<unsigned>(n), DemoAddress(n));
    s.commands[EventIndex(0, 0)].select(s.commands[EventIndex(0, 0)].selected() == 3 ? 1 : 3);  // STOP, else UP limit
    s.seq[1].setValue(s.seq[1].value() ? 0 : 1);
    s.destinationBoxes[ChannelBoxes(2)[DestinationOf(s, 2) == Destination::Group ? 0 : 1]].setValue(1);
}

// Writes the planned files and site.csv into folder, and "changed.set",
// the second switch's configuration changed (FillChangedDemoScreen); the
// planned files' names.
inline std::vector<std::string> WriteDemoSite(const std::filesystem::path& folder, int switches) {
    std::vector<std::string> files;
    std::ofstream manifest(folder / "site.csv", std::ios::binary);
    manifest << "# address, file, label\n";
    for (int n = 0; n < switches; ++n) {
        ConfigScreen screen;
        FillDemoScreen(screen, static_cast<unsigned>(n), DemoAddress(n));
        const std::string file = "switch " + std::to_string(n + 1) + ".set";
        WriteConfigFile(folder / file, screen, true);
        files.push_back(file);
        std::string label;
        for (const char c : DemoLabel(n)) label += c == '"' ? std::string("\"\"") : std::string(1, c);
        manifest << DemoAddress(n) << ", \"" << file << "\", \"" << label << "\"\n";
    }
    ConfigScreen changed;
    FillChangedDemoScreen(changed, 1);
    WriteConfigFile(folder / "changed.set", changed, true);
    return files;
}

}  // namespace kavro::test
