#pragma once
// The serial port as the bus link needs it: exactly the operations the
// transport uses, nothing more. A Qt adapter drives a real device; the
// simulator offers an in-process switch behind the same interface.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kavro {

enum class Handshake { None };

// Result of opening a port: each way it can fail has its own remedy.
enum class OpenStatus {
    Opened,
    NotFound,          // no such device: the adapter is not plugged in
    PermissionDenied,  // the device is there, this user may not open it
    Busy,              // another program holds it
    NotSerialPort,     // a folder, a plain file, /dev/null
    Failed,            // anything else: the system's own words tell
};

// A device this user was refused, as the system describes it: enough to
// tell which of the remedies applies (join the device's group, log in
// again, have an administrator give the device to a group, or look beyond
// the permissions).
struct DeviceAccess {
    std::string user;           // who was refused: the real user's name; empty when the system does not tell
    bool superuser = false;     // root, whom no permission stops
    std::string serialGroup;    // the group serial ports belong to on this system (dialout, uucp); empty: none
    bool known = false;         // the device could be looked at; the fields below hold
    std::string location;       // its path as the system names it ("/dev/ttyUSB0"), for commands
    std::string owner, group;   // the device's owner and group, by name (or number)
    unsigned mode = 0;          // its permission bits: 0660 lets the owner and the group read and write
    bool userOwnsIt = false;
    bool userInGroup = false;   // the group list counts the user in `group`
    bool loginHasGroup = false; // this login has `group` already (a user added later has it from the next login)
};

struct OpenResult {
    OpenStatus status = OpenStatus::Failed;
    std::string detail;  // the platform's own words, for messages
    std::string holder;  // busy: the program holding the port, when the system tells
    DeviceAccess access;  // PermissionDenied: who was refused, and what the device allows, when the system tells
    bool ok() const { return status == OpenStatus::Opened; }
    // The device is there, though this program cannot use it.
    bool deviceExists() const { return status != OpenStatus::Opened && status != OpenStatus::NotFound; }
};

// A serial port the system reports as present now (a USB adapter, a
// built-in port), with what it says about itself.
struct SystemPort {
    std::string device;  // "/dev/ttyUSB0", "COM3"
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    int vendorId = -1;  // USB ids; -1 when the port has none
    int productId = -1;
    std::string location;  // its place on the USB ("pci-0000:00:14.0-usb-0:2:1.0-port0"); may be empty
};

// A port keeps at most this many received bytes and drops what comes
// after until they are read or cleared: a device that never stops talking
// (a wrong device, a noisy line) cannot fill the memory. No reply is longer
// than 49 bytes, so a full input never passes for a whole reply.
inline constexpr int kInputLimit = 64;

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // "4800,O,8,1": baud, parity (N/O/E), data bits, stop bits.
    virtual void setLineSettings(const std::string& settings) = 0;
    virtual void setHandshaking(Handshake handshake) = 0;
    // The device the next open() uses: "/dev/ttyUSB0", "COM3", a pty path.
    virtual void setPortName(const std::string& device) = 0;
    virtual std::string portName() const = 0;

    virtual OpenResult open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Received bytes waiting to be read (at most kInputLimit), and reading
    // all of them at once.
    virtual int inputCount() const = 0;
    virtual std::vector<std::uint8_t> readAll() = 0;
    // Empties the input; returns how many received bytes were thrown away,
    // those beyond the limit included, as far as the port can tell.
    virtual int clearInput() = 0;
    // The length of the reply awaited, so that a port need not wake its
    // program for every byte on the way; 0 when the wait is over, and every
    // byte received so far is to be counted.
    virtual void awaitInput(int /*count*/) {}

    virtual void clearOutput() = 0;
    virtual int outputCount() const = 0;
    // Hands a block to the output; the bus link sends one-byte blocks.
    virtual void write(const std::uint8_t* data, int count) = 0;

    // Some devices (a pseudo-terminal) cannot drive RTS; the adapter then
    // ignores the request rather than report an error nobody can act on.
    virtual void setRts(bool raised) = 0;

    // Told when the device goes away while open (an adapter unplugged), so
    // a window can show it at once rather than at the next exchange.
    void setLostObserver(std::function<void()> observer) { lostObserver_ = std::move(observer); }

protected:
    void deviceLost() const {
        if (lostObserver_) lostObserver_();
    }

private:
    std::function<void()> lostObserver_;
};

}  // namespace kavro
