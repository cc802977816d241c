#pragma once
// The window program on the simulated switch, offscreen; widgets are found
// by the object names of editor/legacy_names.h.

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "editor/legacy_names.h"
#include "gui/main_window.h"
#include "platform_qt/qt_event_pump.h"
#include "platform_qt/qt_serial_port.h"
#include "simulator/simulated_serial_port.h"

namespace kavro::test {

class GuiFixture : public ::testing::Test {
protected:
    GuiFixture() {
        const SystemPort ftdi{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A12345", 0x0403, 0x6001};
        env = {.pump = &pump, .ui = &ui, .hardwarePort = [] { return std::make_unique<QtSerialPort>(); },
               .simulatedPort = [this] { return std::make_unique<SimulatedSerialPort>(simulator, pump, linePacing); },
               .portsIni = {(dir.path() + "/Ports.ini").toStdString(), {}},
               .dataFolder = (dir.path() + "/KavroSwitch").toStdString(),
               .systemPorts = [ftdi] { return std::vector{ftdi}; }};
        form = std::make_unique<Application>(env, StartOptions{.simulator = true});
        ui.followDiagnostic(form->diagnostic);
        EXPECT_EQ(form->start(), Application::StartResult::Ready);
        window = std::make_unique<MainWindow>(*form, ui);
        ui.setMainWindow(window.get());
        form->windowShown = true;
        window->show();
    }

    template <typename W = QWidget>
    W* Find(const std::string& name) const {
        W* widget = window->findChild<W*>(QString::fromStdString(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // A member of a control array: Find(legacy::kCommands, 3) is "Combo1_3".
    template <typename W = QWidget>
    W* Find(const char* array, int index) const { return Find<W>(legacy::ObjectName(array, index)); }
    void Click(const char* button) const { window->button(button)->click(); }
    QString Status() const { return Find<ElidingLabel>("connection")->fullText(); }

    QTemporaryDir dir;
    QtEventPump pump;
    QtUiServices ui;
    std::shared_ptr<SimulatedSwitch> simulator = std::make_shared<SimulatedSwitch>();
    bool linePacing = false;
    ShellEnvironment env;
    std::unique_ptr<Application> form;
    std::unique_ptr<MainWindow> window;
};

}  // namespace kavro::test
