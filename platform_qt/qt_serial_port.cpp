#include "platform_qt/qt_serial_port.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <sstream>

#include "platform_qt/port_diagnosis.h"

#ifndef _WIN32
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace kavro {

namespace {

// A whole number and nothing else ("4800", not "4800x").
std::optional<int> WholeNumber(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

// Each part is read before any is taken: text of another form changes none
// of the settings, the speed included.
bool ParseLineSettings(const std::string& text, qint32& baud, QSerialPort::Parity& parity,
                       QSerialPort::DataBits& dataBits, QSerialPort::StopBits& stopBits) {
    std::istringstream in(text);
    std::string b, p, d, s;
    if (!std::getline(in, b, ',') || !std::getline(in, p, ',') || !std::getline(in, d, ',') ||
        !std::getline(in, s))
        return false;
    const std::optional<int> speed = WholeNumber(b), bits = WholeNumber(d);
    if (!speed || *speed <= 0 || !bits || *bits < 5 || *bits > 8) return false;
    QSerialPort::Parity newParity;
    if (p == "N" || p == "n") newParity = QSerialPort::NoParity;
    else if (p == "O" || p == "o") newParity = QSerialPort::OddParity;
    else if (p == "E" || p == "e") newParity = QSerialPort::EvenParity;
    else return false;
    QSerialPort::StopBits stops;
    if (s == "1") stops = QSerialPort::OneStop;
    else if (s == "2") stops = QSerialPort::TwoStop;
    else if (s == "1.5") stops = QSerialPort::OneAndHalfStop;
    else return false;
    baud = *speed, parity = newParity, dataBits = static_cast<QSerialPort::DataBits>(*bits), stopBits = stops;
    return true;
}

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort() {
    if (port_.isOpen()) port_.close();
}

void QtSerialPort::setLineSettings(const std::string& settings) {
    ParseLineSettings(settings, baud_, parity_, dataBits_, stopBits_);
    if (port_.isOpen()) applySettings();
}

void QtSerialPort::setHandshaking(Handshake) {
    port_.setFlowControl(QSerialPort::NoFlowControl);
}

void QtSerialPort::setPortName(const std::string& device) {
    name_ = device;
    port_.setPortName(QString::fromStdString(device));
}

void QtSerialPort::applySettings() {
    port_.setBaudRate(baud_);
    port_.setParity(parity_);
    port_.setDataBits(dataBits_);
    port_.setStopBits(stopBits_);
    port_.setFlowControl(QSerialPort::NoFlowControl);
}

OpenResult QtSerialPort::open() {
    if (port_.isOpen()) port_.close();
    lost_ = false;
    errorReports_ = 0;
    applySettings();
    // Qt stops reading the device while its buffer is full, so a device
    // that never stops talking costs neither memory nor processor time.
    port_.setReadBufferSize(kInputLimit);
    if (port_.open(QIODevice::ReadWrite)) {
        applySettings();
        port_.clearError();
        return {OpenStatus::Opened, {}};
    }
    const QSerialPort::SerialPortError error = port_.error();
    OpenResult result{OpenStatus::Failed, port_.errorString().toStdString(), {}};
    port_.clearError();
    result.status = ClassifyOpenFailure(error, systemLocation());
#ifndef _WIN32
    // A name without a folder stands for a device in /dev; a file of that
    // name in the working folder is what was meant, and no serial port.
    std::error_code none;
    if (result.status == OpenStatus::NotFound && name_.find('/') == std::string::npos &&
        std::filesystem::exists(name_, none))
        result.status = OpenStatus::NotSerialPort;
#endif
    if (result.status == OpenStatus::Busy) result.holder = PortHolder(systemLocation());
    if (result.status == OpenStatus::PermissionDenied) DescribeRefusal(systemLocation(), result);
    return result;
}

// The device's path: Qt keeps a short name ("ttyUSB0", "pts/3") that,
// looked up as a file, names something in the working folder.
std::string QtSerialPort::systemLocation() const {
#ifdef _WIN32
    return name_;
#else
    return name_.find('/') == std::string::npos || name_.rfind("pts/", 0) == 0 ? "/dev/" + name_ : name_;
#endif
}

void QtSerialPort::close() {
    if (port_.isOpen()) port_.close();
}

int QtSerialPort::inputCount() const {
    return port_.isOpen() ? static_cast<int>(port_.bytesAvailable()) : 0;
}

std::vector<std::uint8_t> QtSerialPort::readAll() {
    if (!port_.isOpen()) return {};
    const QByteArray bytes = port_.readAll();
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            reinterpret_cast<const std::uint8_t*>(bytes.constData()) + bytes.size()};
}

int QtSerialPort::clearInput() {
    if (!port_.isOpen()) return 0;
    int thrownAway = static_cast<int>(port_.bytesAvailable());
#ifndef _WIN32
    int queued = 0;  // what the driver holds beyond Qt's own buffer
    if (::ioctl(port_.handle(), FIONREAD, &queued) == 0) thrownAway += queued;
#endif
    port_.clear(QSerialPort::Input);  // Qt's own buffer and the driver's
    // A full buffer made Qt stop reading the device; reading the (now
    // empty) buffer starts it again.
    port_.readAll();
    return thrownAway;
}

// The line discipline wakes a reader only once it holds VMIN bytes (with
// VTIME 0), so a 33-byte reply arriving at 4800 baud costs one wake-up, not
// thirty-three. At the end of the wait VMIN goes back to 0 and what the
// driver holds is taken in, a short reply included.
void QtSerialPort::awaitInput(int count) {
#ifndef _WIN32
    if (!port_.isOpen()) return;
    termios settings{};
    if (::tcgetattr(port_.handle(), &settings) != 0) return;
    const int missing = count > 0 ? std::clamp(count - static_cast<int>(port_.bytesAvailable()), 1, 255) : 0;
    if (settings.c_cc[VMIN] != missing || settings.c_cc[VTIME] != 0) {
        settings.c_cc[VMIN] = static_cast<cc_t>(missing);
        settings.c_cc[VTIME] = 0;
        ::tcsetattr(port_.handle(), TCSANOW, &settings);
    }
    if (count == 0) port_.waitForReadyRead(0);
#else
    (void)count;
#endif
}

void QtSerialPort::clearOutput() {
    if (port_.isOpen()) port_.clear(QSerialPort::Output);
}

int QtSerialPort::outputCount() const {
    return port_.isOpen() ? static_cast<int>(port_.bytesToWrite()) : 0;
}

void QtSerialPort::write(const std::uint8_t* data, int count) {
    if (port_.isOpen() && count > 0) port_.write(reinterpret_cast<const char*>(data), count);
}

void QtSerialPort::setRts(bool raised) {
    if (!port_.isOpen()) return;
    // A pseudo-terminal has no RTS line; nothing to report to anyone.
    if (!port_.setRequestToSend(raised)) port_.clearError();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    // No error, or RTS refused by a device without the line: nothing to do.
    if (error == QSerialPort::NoError || error == QSerialPort::UnsupportedOperationError) return;
    ++errorReports_;
    const bool deviceGone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                            error == QSerialPort::WriteError;
    if (deviceGone && port_.isOpen()) {
        lost_ = true;
        port_.close();
        port_.clearError();
        deviceLost();
    }
}

}  // namespace kavro
