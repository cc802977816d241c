#include "buslink/comm_port_selection.h"

#include "platform/ui_services.h"

namespace kavro {

CommPortSelection::CommPortSelection(PortChoiceOwner& owner, UiServices& ui, PortDeviceTable devices)
    : owner_(owner), ui_(ui), devices_(std::move(devices)) {}

void CommPortSelection::Form_Load() {
    open_ = true;
    changePortEnabled_ = false;
    entries_.clear();
    selected_ = -1;
    const auto ports = owner_.GetAvailablePorts();
    const std::string current = std::to_string(owner_.CurrentActivePort());
    int position = 0;
    for (int i = 1; i <= 16; ++i) {
        if (!ports[i]) continue;
        entries_.push_back(std::to_string(i));
        if (entries_.back() == current) SelectEntry(position);
        ++position;
    }
    changed();
}

void CommPortSelection::SelectEntry(int position) {
    if (position < 0 || position >= static_cast<int>(entries_.size())) return;
    selected_ = position;
    xcbxCommPort_Click();
}

void CommPortSelection::xcbxCommPort_Click() {
    changePortEnabled_ = true;  // the list is always visible while open
    changed();
}

void CommPortSelection::xcmdChangeCommPort_Click() {
    if (!changePortEnabled_ || selected_ < 0) return;
    const int chosen = std::stoi(entries_[selected_]);
    if (chosen != owner_.CurrentActivePort()) {
        owner_.SetCurrentActivePort(chosen);
        owner_.SetActivePort();
        if (owner_.MainWindowVisible()) ui_.messageBox(kNextStartMessage, kCaption);
    }
    open_ = false;
    changed();
}

void CommPortSelection::xcmdCancel_Click() {
    open_ = false;
    changed();
}

std::string CommPortSelection::selectedDevice() const {
    if (selected_ < 0) return {};
    return devices_ ? devices_(std::stoi(entries_[selected_])) : std::string{};
}

void CommPortSelection::changed() {
    if (observer_) observer_();
}

}  // namespace kavro
