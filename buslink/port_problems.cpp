#include "buslink/port_problems.h"

namespace kavro {

PortProblem DescribeOpenFailure(const std::string& device, const OpenResult& result) {
    switch (result.status) {
    case OpenStatus::NotFound:
        return {device + " does not exist on this computer",
                "Plug the USB serial adapter in and check its cable. On Linux, ls /dev/ttyUSB* /dev/ttyACM* "
                "lists the adapters present; kavro-switch ports lists every serial port."};
    case OpenStatus::PermissionDenied:
        return {device + " exists, but this user is not allowed to open it",
                "On Linux, serial ports belong to the group \"dialout\". Add your user to it (sudo usermod -aG "
                "dialout $USER), then log out and in again."};
    case OpenStatus::busy:
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
