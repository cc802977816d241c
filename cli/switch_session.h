#pragma once
// A main window without a window, on one serial device: what get, send,
// compare and site run their transfers on. SIGINT and SIGTERM end a
// transfer at its next exchange; the port is then closed as usual, which
// puts its line settings back.

#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "cli/console_ui.h"
#include "platform_qt/qt_event_pump.h"
#include "shell/application.h"

namespace kavro::cli {

struct SessionOptions {
    std::string device;
    std::optional<std::string> switchAddress;  // reach the switch by its own address
    bool verbose = false;                      // every frame on standard error
    bool decode = false;                       // ... and what it means
};

class SwitchSession {
public:
    SwitchSession();
    ~SwitchSession();

    // Opens the port; false, with the reason and its remedy in error.
    bool open(const SessionOptions& options, std::string* error);

    // "Get Config" and "Send Config", addressed as the options say. A read
    // gives up early when nothing at all answers. A write may be read back
    // and compared (what it found: form().lastVerify()).
    const ReadReport& read();
    const WriteReport& write(bool verify = false);
    // Another switch on the same line, by its address.
    void setSwitchAddress(std::optional<std::string> address) { options_.switchAddress = std::move(address); }

    Application& form() { return *form_; }
    ConfigScreen& screen() { return form_->screen; }
    const std::string& device() const { return options_.device; }

    // The signal that stopped the last transfer, or 0.
    static int Interruption();

private:
    void addressSwitch();

    SessionOptions options_;
    QtEventPump pump_;
    ConsoleUi ui_;
    std::unique_ptr<Application> form_;
    QTimer signalWatch_;
};

// Why a read did not get everything, in one line.
std::string ReadProblem(const SwitchSession& session, const ReadReport& report);

inline constexpr const char* kPortRequired = "--port DEVICE is required (kavro-switch ports lists them)";

}  // namespace kavro::cli
