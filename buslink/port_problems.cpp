#include "buslink/port_problems.h"

namespace kavro {

PortProblem DescribeOpenFailure(const std::string& device, const OpenResult& result) {
    switch (result.status) {
    case OpenStatus::NotFound:
        return {device + " does not exist on this computer",
                "Plug the USB serial adapter in and check its cable. On Linux, ls /dev/ttyUSB* /dev/ttyACM* "
                "lists the adapters present; kavro-switch ports lists every serial port."};
    case OpenStatus::PermissionDenied: {
        // The device's own group where the system tells (dialout on
        // Debian, uucp on Arch); a device of root's gets no such advice.
        const std::string group = result.group.empty() || result.group == "root" ? "dialout" : result.group;
        const std::string user = result.user.empty() ? "$USER" : result.user;
        return {device + " exists, but " + (result.user.empty() ? "this user" : "the user " + result.user) +
                    " is not allowed to open it",
                "On Linux, serial ports belong to the group \"" + group + "\". Add " +
                    (result.user.empty() ? "your user" : user) + " to it (sudo usermod -aG " + group + " " + user +
                    "), then log out and in again."};
    }
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
