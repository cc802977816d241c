#pragma once
// Why a serial port did not open, told apart the way its remedies differ.
// Qt reports a port held by another program and a port this user may not
// open alike ("permission"); the system can tell them apart, and often
// name the program holding the port. One file per operating system.

#include <QSerialPort>
#include <string>

#include "platform/serial_port.h"

namespace kavro {

// location: the device's path ("/dev/ttyUSB0", "COM3").
OpenStatus ClassifyOpenFailure(QSerialPort::SerialPortError error, const std::string& location);

// The program that holds the port open, by its whole command line
// ("minicom -D /dev/ttyUSB0, process 4711"), or empty when the system does
// not tell.
std::string PortHolder(const std::string& location);

// Who was refused the port and which group may open it: the real user's
// name and the device's group ("alice", "dialout"); empty where the system
// has no such thing.
void DescribeRefusal(const std::string& location, OpenResult& result);

}  // namespace kavro
