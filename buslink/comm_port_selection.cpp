#include "buslink/comm_port_selection.h"

#include <algorithm>

#include "platform/ui_services.h"

namespace kavro {

CommPortSelection::CommPortSelection(PortChoiceOwner& owner, UiServices& ui, PortDeviceTable devices)
    : owner_(owner), ui_(ui), devices_(std::move(devices)) {}

void CommPortSelection::open() {
    open_ = true;
    changePortEnabled_ = false;
    entries_.clear();
    selected_ = -1;
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
    changed();
}

void CommPortSelection::selectEntry(int position) {
    if (position < 0 || position >= static_cast<int>(entries_.size())) return;
    selected_ = position;
    selectedSystemPort_ = -1;
    entryClicked();
}

void CommPortSelection::selectSystemPort(int row) {
    if (row < 0 || row >= static_cast<int>(systemPorts_.size())) return;
    const std::string number = std::to_string(numberOfSystemPort(row));
    const auto entry = std::find(entries_.begin(), entries_.end(), number);
    selected_ = entry == entries_.end() ? -1 : static_cast<int>(entry - entries_.begin());
    selectedSystemPort_ = row;
    changePortEnabled_ = true;
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
    if (!changePortEnabled_ || (selected_ < 0 && selectedSystemPort_ < 0)) return;
    // A number when the choice has one; else the device, the number of the
    // file staying as it was.
    const int chosen = selected_ >= 0 ? std::stoi(entries_[selected_]) : owner_.currentPort();
    const std::string device = selected_ >= 0 ? std::string() : systemPorts_[selectedSystemPort_].device;
    if (chosen != owner_.currentPort() || device != owner_.chosenDevice()) {
        owner_.setCurrentPort(chosen);
        owner_.setChosenDevice(device);
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
    if (selected_ >= 0) return devices_ ? devices_(std::stoi(entries_[selected_])) : std::string{};
    return selectedSystemPort_ >= 0 ? systemPorts_[selectedSystemPort_].device : std::string{};
}

void CommPortSelection::changed() {
    if (observer_) observer_();
}

}  // namespace kavro
