#pragma once
// The window program as a test sees it: the main window model on the
// simulated switch, its Qt window, offscreen. Widgets are found by the
// object names of editor/legacy_names.h.

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "editor/legacy_names.h"
#include "gui/main_window.h"
#include "gui/qt_ui_services.h"
#include "platform_qt/qt_event_pump.h"
#include "platform_qt/qt_serial_port.h"
#include "shell/application.h"
#include "simulator/simulated_serial_port.h"

namespace kavro::test {

class GuiFixture : public ::testing::Test {
protected:
    GuiFixture() {
        env.pump = &pump;
        env.ui = &ui;
        env.hardwarePort = [] { return std::make_unique<QtSerialPort>(); };
        env.simulatedPort = [this] { return std::make_unique<SimulatedSerialPort>(simulator, pump, linePacing); };
        env.systemPorts = [] {
            return std::vector<SystemPort>{{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A12345", 0x0403, 0x6001},
                                           {"/dev/ttyUSB9", "CP2102 USB to UART", "Silicon Labs", "", 0x10C4, 0xEA60}};
        };
        env.portsIni = {(dir.path() + "/Ports.ini").toStdString(), {}};
        StartOptions options;
        options.simulator = true;
        form = std::make_unique<Application>(env, options);
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
    W* Find(const char* array, int index) const {
        return Find<W>(legacy::ObjectName(array, index));
    }
    void Click(const char* button) const { window->button(button)->click(); }
    QString Status() const { return Find<ElidingLabel>("connection")->fullText(); }
    // The file dialogs answer with this file.
    void ChooseFile(const QString& file) {
        ui.fileDialogOverride = [file](const CommonDialog&, FileDialogMode) { return file; };
    }

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
