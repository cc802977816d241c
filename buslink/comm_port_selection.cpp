#include "buslink/comm_port_selection.h"

#include <algorithm>

#include "platform/ui_services.h"

namespace kavro {

CommPortSelection::CommPortSelection(PortChoiceOwner& owner, UiServices& ui, PortDeviceTable devices)
    : owner_(owner), ui_(ui), devices_(std::move(devices)) {}

void CommPortSelection::open() {
    open_ = true;
    fill();
    changed();
}

void CommPortSelection::refresh() {
    const std::string device = selectedDevice(), typed = typed_;
    owner_.refreshPorts();
    fill();
    if (!typed.empty()) return typeDevice(typed);
    for (std::size_t i = 0; i < entries_.size() && !device.empty(); ++i)
        if (devices_ && devices_(std::stoi(entries_[i])) == device) selectEntry(static_cast<int>(i));
    for (std::size_t row = 0; row < systemPorts_.size() && selected_ < 0 && !device.empty(); ++row)
        if (systemPorts_[row].device == device) selectSystemPort(static_cast<int>(row));
    changed();
}

void CommPortSelection::fill() {
    changePortEnabled_ = false;
    entries_.clear();
    selected_ = -1;
    typed_.clear();
    systemPorts_ = owner_.systemPorts();
    selectedSystemPort_ = -1;
    const auto ports = owner_.availablePorts();
    const std::string current = std::to_string(owner_.currentPort());
    int position = 0;
    for (int i = 1; i <= 16; ++i) {
        if (!ports[i]) continue;
        entries_.push_back(std::to_string(i));
        if (entries_.back() == current && owner_.chosenDevice().empty()) selectEntry(position);
        ++position;
    }
    for (std::size_t row = 0; row < systemPorts_.size(); ++row)
        if (!owner_.chosenDevice().empty() && systemPorts_[row].device == owner_.chosenDevice())
            selectSystemPort(static_cast<int>(row));
}

void CommPortSelection::selectEntry(int position) {
    if (position < 0 || position >= static_cast<int>(entries_.size())) return;
    selected_ = position;
    selectedSystemPort_ = -1;
    typed_.clear();
    entryClicked();
}

void CommPortSelection::selectSystemPort(int row) {
    if (row < 0 || row >= static_cast<int>(systemPorts_.size())) return;
    const std::string number = std::to_string(numberOfSystemPort(row));
    const auto entry = std::find(entries_.begin(), entries_.end(), number);
    selected_ = entry == entries_.end() ? -1 : static_cast<int>(entry - entries_.begin());
    selectedSystemPort_ = row;
    typed_.clear();
    changePortEnabled_ = true;
    changed();
}

void CommPortSelection::typeDevice(const std::string& device) {
    typed_ = device;
    selected_ = selectedSystemPort_ = -1;
    const std::string number = std::to_string(devices_ ? PortNumberOf(device, devices_) : 0);
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i] == number) selected_ = static_cast<int>(i);
    for (std::size_t row = 0; row < systemPorts_.size(); ++row)
        if (systemPorts_[row].device == device) selectedSystemPort_ = static_cast<int>(row);
    changePortEnabled_ = !device.empty();
    changed();
}

int CommPortSelection::numberOfSystemPort(int row) const {
    return devices_ ? PortNumberOf(systemPorts_[row].device, devices_) : 0;
}

void CommPortSelection::entryClicked() {
    changePortEnabled_ = true;  // the list is always visible while open
    changed();
}

void CommPortSelection::changePort() {
    const std::string device = selectedDevice();
    if (!changePortEnabled_ || (selected_ < 0 && device.empty())) return;
    // A device that cannot be opened now is not taken; the user learns why
    // (the same words as at start-up) and may choose again.
    if (!device.empty())
        if (const std::string problem = owner_.portProblem(device); !problem.empty()) {
            ui_.messageBox(problem, kCaption);
            return;
        }
    // A number when the device has one, so that Ports.ini's first line
    // names it; else the device, the number of the file staying as it was.
    const int number = selected_ >= 0 ? std::stoi(entries_[selected_]) : devices_ ? PortNumberOf(device, devices_) : 0;
    const int chosen = number ? number : owner_.currentPort();
    const std::string outside = number ? std::string() : device;
    if (chosen != owner_.currentPort() || outside != owner_.chosenDevice()) {
        owner_.setCurrentPort(chosen);
        owner_.setChosenDevice(outside);
        owner_.rememberPort();
        if (owner_.mainWindowVisible()) ui_.messageBox(kNextStartMessage, kCaption);
    }
    open_ = false;
    changed();
}

void CommPortSelection::cancel() {
    open_ = false;
    changed();
}

std::string CommPortSelection::selectedDevice() const {
    if (!typed_.empty()) return typed_;
    if (selectedSystemPort_ >= 0) return systemPorts_[selectedSystemPort_].device;
    return selected_ >= 0 && devices_ ? devices_(std::stoi(entries_[selected_])) : std::string{};
}

std::string CommPortSelection::rememberedPort() const {
    if (!owner_.chosenDevice().empty()) return owner_.chosenDevice();
    return devices_ ? PortLabel(devices_(owner_.currentPort()), devices_) : "port " + std::to_string(owner_.currentPort());
}

void CommPortSelection::changed() {
    if (observer_) observer_();
}

}  // namespace kavro
