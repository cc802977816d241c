#pragma once
// The window program on the simulated switch, offscreen; widgets are found
// by the object names of editor/legacy_names.h.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include "editor/legacy_names.h"
#include "gui/main_window.h"
#include "shell/application.h"
#include "platform_qt/qt_event_pump.h"
#include "platform_qt/qt_serial_port.h"
#include "simulator/simulated_serial_port.h"

namespace kavro::test {

// The simulated switch behind a port that can be unplugged and plugged in
// again, as a USB adapter is: unplugged, it closes and cannot be opened.
class UnpluggablePort : public SimulatedSerialPort {
public:
    using SimulatedSerialPort::SimulatedSerialPort;
    void unplug() { plugged_ = false, close(), deviceLost(); }
    void plugIn() { plugged_ = true; }
    OpenResult open() override { return plugged_ ? SimulatedSerialPort::open() : OpenResult{OpenStatus::NotFound}; }

private:
    bool plugged_ = true;
};

// Runs what, answering every message box it raises with the button captioned
// answer (OK where there is none); each box's title, text, informative
// text and default button, a line each. The button is pressed
// after the timer's turn, as the user's press comes: what it starts may
// raise a box of its own, which the timer (never run within itself) answers.
inline QStringList Answering(const QString& answer, const std::function<void()>& what) {
    QStringList texts;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property("answered").toBool()) return;
        box->setProperty("answered", true);
        texts << box->windowTitle() + "\n" + box->text() + "\n" + box->informativeText() + "\n" +
                     (box->defaultButton() ? box->defaultButton()->text() : QString());
        QAbstractButton* press = box->buttons().value(0);
        for (QAbstractButton* b : box->buttons())
            if (b->text() == answer) press = b;
        QTimer::singleShot(0, press, &QAbstractButton::click);
    });
    timer.start(20);
    what();
    return texts;
}

class GuiFixture : public ::testing::Test {
protected:
    GuiFixture() {
        const SystemPort ftdi{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A12345", 0x0403, 0x6001};
        env = {.pump = &pump, .ui = &ui, .hardwarePort = [] { return std::make_unique<QtSerialPort>(); },
               .simulatedPort = [this] {
                   auto port = std::make_unique<UnpluggablePort>(simulator, pump, linePacing);
                   line = port.get();
                   return port;
               },
               .portsIni = {(dir.path() + "/Ports.ini").toStdString(), {}},
               .dataFolder = (dir.path() + "/KavroSwitch").toStdString(),
               .systemPorts = [ftdi] { return std::vector{ftdi}; }};
        form = std::make_unique<Application>(env, StartOptions{.simulator = true});
        ui.followDiagnostic(form->diagnostic());
        EXPECT_EQ(form->start(), Application::StartResult::Ready);
        window = std::make_unique<MainWindow>(*form, ui);
        ui.setMainWindow(window.get());
        form->setWindowShown(true);
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
    UnpluggablePort* line = nullptr;
    ShellEnvironment env;
    std::unique_ptr<Application> form;
    std::unique_ptr<MainWindow> window;
};

}  // namespace kavro::test
