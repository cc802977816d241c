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
#include "platform_qt/qt_event_pump.h"
#include "platform_qt/qt_serial_port.h"
#include "simulator/simulated_serial_port.h"

namespace kavro::test {

// The simulated switch behind a port that can be unplugged and plugged in
// again, as a USB adapter is: unplugged, it closes and cannot be opened;
// plugged in, it opens on a fresh line to the same switch.
class UnpluggablePort : public SerialPort {
public:
    UnpluggablePort(std::shared_ptr<SimulatedSwitch> sw, EventPump& pump, bool pacing)
        : sw_(std::move(sw)), pump_(pump), pacing_(pacing) { plugIn(); }
    void unplug() { plugged_ = false, line_->close(), deviceLost(); }
    void plugIn() {
        plugged_ = true, line_ = std::make_unique<SimulatedSerialPort>(sw_, pump_, pacing_);
        line_->setLostObserver([this] { deviceLost(); });  // a vanish fault
    }

    void setLineSettings(const std::string&) override {}
    void setHandshaking(Handshake) override {}
    void setPortName(const std::string& device) override { line_->setPortName(device); }
    std::string portName() const override { return line_->portName(); }
    OpenResult open() override { return plugged_ ? line_->open() : OpenResult{OpenStatus::NotFound, "unplugged"}; }
    void close() override { line_->close(); }
    bool isOpen() const override { return line_->isOpen(); }
    int inputCount() const override { return line_->inputCount(); }
    std::vector<std::uint8_t> readAll() override { return line_->readAll(); }
    int clearInput() override { return line_->clearInput(); }
    void clearOutput() override {}
    int outputCount() const override { return 0; }
    void write(const std::uint8_t* data, int count) override { line_->write(data, count); }
    void setRts(bool) override {}

private:
    std::shared_ptr<SimulatedSwitch> sw_;
    EventPump& pump_;
    bool pacing_, plugged_ = true;
    std::unique_ptr<SimulatedSerialPort> line_;
};

// Runs what, answering every message box it raises with the button captioned
// answer (OK where there is none); the boxes' texts. The button is pressed
// after the timer's turn, as the user's press comes: what it starts may
// raise a box of its own, which the timer (never run within itself) answers.
inline QStringList Answering(const QString& answer, const std::function<void()>& what) {
    QStringList texts;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property("answered").toBool()) return;
        box->setProperty("answered", true);
        texts << box->text() + "\n" + box->informativeText();
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
    UnpluggablePort* line = nullptr;
    ShellEnvironment env;
    std::unique_ptr<Application> form;
    std::unique_ptr<MainWindow> window;
};

}  // namespace kavro::test
