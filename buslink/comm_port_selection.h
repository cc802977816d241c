#pragma once
// The small window "Comm Port Selection": a list of the numbered ports
// found at start-up, "Change Port" and "Cancel". Choosing a port changes the
// main window's currentPort and rewrites Ports.ini; after start-up the open
// port stays until the next start, and the window says so. Beside the
// numbers it lists the serial ports the system reports now, so that an
// adapter outside the numbered table can be chosen by its device, and
// takes any device path typed. It names the port in use and the one
// remembered; "Refresh" looks for ports again. A port that cannot be
// opened is not taken: the user is told why.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "buslink/port_devices.h"

namespace kavro {

class UiServices;

// What the window needs of the main window that owns the port choice.
class PortChoiceOwner {
public:
    virtual ~PortChoiceOwner() = default;
    virtual std::array<bool, 17> availablePorts() = 0;  // indexes 1..16
    virtual int currentPort() const = 0;
    virtual void setCurrentPort(int port) = 0;
    virtual void rememberPort() = 0;  // stores currentPort in Ports.ini
    virtual bool mainWindowVisible() const = 0;
    // A device outside the numbered table, or empty for the number's own.
    virtual std::string chosenDevice() const = 0;
    virtual void setChosenDevice(const std::string& device) = 0;
    // The serial ports present now.
    virtual std::vector<SystemPort> systemPorts() = 0;
    // Probes the numbered ports again.
    virtual void refreshPorts() = 0;
    // Why the device cannot be opened now, with its remedy; empty when it can.
    virtual std::string portProblem(const std::string& device) = 0;
    // The port in use, in plain words ("Port 5 (/dev/ttyUSB0) open, ...").
    virtual std::string portInUse() const = 0;
};

class CommPortSelection {
public:
    static constexpr const char* kCaption = "Comm Port Selection";
    static constexpr const char* kLabel = "Data Communication Port (COM) :";
    static constexpr const char* kNextStartMessage =
        "Please be aware that these COM Port changes will take affect the next time this program is executed.";

    CommPortSelection(PortChoiceOwner& owner, UiServices& ui, PortDeviceTable devices);

    // The window opens: fills the list with the available ports, ascending,
    // and selects the current one if it is among them; lists the ports
    // present now.
    void open();
    // A selection in the list, by the user or by code.
    void selectEntry(int position);
    // A port present now chosen from the second list: its number when it
    // has one, else its device.
    void selectSystemPort(int row);
    // A device path typed by the user; empty takes the typing back.
    void typeDevice(const std::string& device);
    // Lists the ports again, keeping the selection where it is still there.
    void refresh();
    void entryClicked();
    void changePort();
    void cancel();
    // The close box: the same as "Cancel".
    void close() { cancel(); }

    const std::vector<std::string>& entries() const { return entries_; }
    const std::vector<SystemPort>& systemPorts() const { return systemPorts_; }
    // The port number of a system port's device, 0 when no number has it.
    int numberOfSystemPort(int row) const;
    int selectedSystemPort() const { return selectedSystemPort_; }
    int selectedPosition() const { return selected_; }
    bool changePortEnabled() const { return changePortEnabled_; }
    bool isOpen() const { return open_; }
    // The device behind the selection, shown beside the list.
    std::string selectedDevice() const;
    const std::string& typedDevice() const { return typed_; }
    // The port of the next start as Ports.ini remembers it.
    std::string rememberedPort() const;
    std::string portInUse() const { return owner_.portInUse(); }

    // Called after every change, so a window can mirror the model.
    void setObserver(std::function<void()> observer) { observer_ = std::move(observer); }

private:
    void changed();
    void fill();

    PortChoiceOwner& owner_;
    UiServices& ui_;
    PortDeviceTable devices_;
    std::vector<std::string> entries_;
    int selected_ = -1;
    std::vector<SystemPort> systemPorts_;
    int selectedSystemPort_ = -1;
    std::string typed_;
    bool changePortEnabled_ = false;
    bool open_ = false;
    std::function<void()> observer_;
};

}  // namespace kavro
