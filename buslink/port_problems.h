#pragma once
// What went wrong opening a serial port, and what to do about it, in the
// same words in the window and in the command-line tool.

#include <string>

#include "platform/serial_port.h"

namespace kavro {

struct PortProblem {
    std::string what;    // "/dev/ttyUSB0 does not exist on this computer"
    std::string remedy;  // what the user does about it
};

// A character device's mode as ls shows it: 0660 is "crw-rw----".
std::string DeviceModeText(unsigned mode);

// device: the port as the user knows it ("port 5 (/dev/ttyUSB0)", "COM3").
PortProblem DescribeOpenFailure(const std::string& device, const OpenResult& result);

}  // namespace kavro
