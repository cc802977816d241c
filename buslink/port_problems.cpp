#include "buslink/port_problems.h"

namespace kavro {

std::string DeviceModeText(unsigned mode) {
    std::string text = "c";
    for (int shift = 6; shift >= 0; shift -= 3) {
        text += (mode >> shift) & 4 ? 'r' : '-';
        text += (mode >> shift) & 2 ? 'w' : '-';
        text += (mode >> shift) & 1 ? 'x' : '-';
    }
    return text;
}

namespace {

// The tool reads and writes the port: a class of users may open it only
// with both bits.
bool ReadsAndWrites(unsigned mode, int shift) { return ((mode >> shift) & 6) == 6; }

// What a refused user can do, by what the device allows: one remedy, the
// one that applies.
PortProblem DescribePermissionRefusal(const std::string& device, const DeviceAccess& a) {
    const std::string serialGroup = a.serialGroup.empty() ? "dialout" : a.serialGroup;
    const std::string name = a.user.empty() ? "your user" : a.user;
    const std::string account = a.user.empty() ? "$USER" : a.user;  // as a command takes it
    const std::string subject = a.user.empty() ? "Your user" : "The user " + a.user;  // a sentence's first words
    std::string what = device + " exists, but " + (a.user.empty() ? "this user" : "the user " + a.user) +
                       " is not allowed to open it";
    if (!a.known)
        return {what, "On Linux, serial ports belong to the group \"" + serialGroup + "\". Add " + name +
                          " to it (sudo usermod -aG " + serialGroup + " " + account + "), then log out and in again."};
    what += " (" + DeviceModeText(a.mode) + " " + a.owner + " " + a.group + ")";
    const std::string path = a.location.empty() ? "DEVICE" : a.location;
    const std::string elsewhere =
        "so the refusal comes from elsewhere: a security policy (AppArmor, SELinux), a sandbox (Flatpak, Snap, a "
        "container) or an access list (getfacl " + path + ").";
    const bool ownerMay = ReadsAndWrites(a.mode, 6), groupMay = ReadsAndWrites(a.mode, 3);
    const bool joining = groupMay && a.group != "root";  // nobody is told to join root's group
    if (a.superuser) return {what, "root may open any device, " + elsewhere};
    if (ReadsAndWrites(a.mode, 0)) return {what, "Every user may read and write it, " + elsewhere};
    if (a.userOwnsIt && ownerMay) return {what, subject + " owns it and may read and write it, " + elsewhere};
    if (joining && a.userInGroup && a.loginHasGroup)
        return {what, subject + " is in its group \"" + a.group + "\" and this login has it, " + elsewhere};
    if (joining && a.userInGroup)
        return {what, subject + " is in its group \"" + a.group + "\", but this login began before " + name +
                          " was added: log out and in again (every session of " + name + "), and the group applies."};
    if (joining)
        return {what, "Its group \"" + a.group + "\" may read and write it. Add " + name +
                          " to that group (sudo usermod -aG " + a.group + " " + account +
                          "), then log out and in again."};
    if (a.userOwnsIt)
        return {what, subject + " owns it, but its mode keeps the owner from reading and writing it: chmod u+rw " +
                          path + "."};
    std::string who = ownerMay ? "its owner " + a.owner : "";
    if (groupMay) who += (who.empty() ? "" : " and ") + std::string("the group ") + a.group;
    return {what, (who.empty() ? std::string("Nobody") : "Only " + who) +
                      " may read and write it, so joining a group does not help. An administrator gives it to the "
                      "group \"" + serialGroup + "\" for good with a udev rule (GROUP=\"" + serialGroup +
                      "\", MODE=\"0660\"), or until it is made again with sudo chgrp " + serialGroup + " " + path +
                      " && sudo chmod 660 " + path + "."};
}

}  // namespace

PortProblem DescribeOpenFailure(const std::string& device, const OpenResult& result) {
    switch (result.status) {
    case OpenStatus::NotFound:
        return {device + " does not exist on this computer",
                "Plug the USB serial adapter in and check its cable. On Linux, ls /dev/ttyUSB* /dev/ttyACM* "
                "lists the adapters present; kavro-switch ports lists every serial port."};
    case OpenStatus::PermissionDenied:
        return DescribePermissionRefusal(device, result.access);
    case OpenStatus::Busy:
        return {device + " is in use by another program" +
                    (result.holder.empty() ? std::string() : " (" + result.holder + ")"),
                "Close that program (a serial terminal such as minicom or screen, or another copy of this tool) "
                "and try again."};
    case OpenStatus::NotSerialPort:
        return {device + " is not a serial port", "Give the device of the serial adapter, for example /dev/ttyUSB0 "
                                                  "or COM3."};
    default:
        return {device + " could not be opened" + (result.detail.empty() ? "" : ": " + result.detail),
                "Check the adapter and its driver, or choose another port."};
    }
}

}  // namespace kavro
