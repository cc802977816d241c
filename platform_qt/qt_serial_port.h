#pragma once
// The serial port interface on QSerialPort: a USB adapter, a built-in port,
// or a pseudo-terminal. A device that goes away (adapter unplugged, the
// other end of a pty closed) is closed at the first error: QSerialPort would
// otherwise keep reporting it in a tight loop at full processor load.

#include <QObject>
#include <QSerialPort>

#include "platform/serial_port.h"

namespace kavro {

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setLineSettings(const std::string& settings) override;
    void setHandshaking(Handshake handshake) override;
    void setPortName(const std::string& device) override;
    std::string portName() const override { return name_; }

    OpenResult open() override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }

    int inputCount() const override;
    std::vector<std::uint8_t> readAll() override;
    int clearInput() override;
    void awaitInput(int count) override;
    void clearOutput() override;
    int outputCount() const override;
    void write(const std::uint8_t* data, int count) override;
    void setRts(bool raised) override;

    // True once the device went away while open; stays until the next open.
    bool deviceLost() const { return lost_; }
    // How often the port reported a line error since it was opened (a lost
    // device must not flood).
    int errorReports() const { return errorReports_; }

private:
    void onError(QSerialPort::SerialPortError error);
    void applySettings();
    std::string systemLocation() const;

    QSerialPort port_;
    std::string name_;
    qint32 baud_ = 4800;
    QSerialPort::Parity parity_ = QSerialPort::OddParity;
    QSerialPort::DataBits dataBits_ = QSerialPort::Data8;
    QSerialPort::StopBits stopBits_ = QSerialPort::OneStop;
    bool lost_ = false;
    int errorReports_ = 0;
};

// "4800,O,8,1" into its parts; false for text that is not of that form.
bool ParseLineSettings(const std::string& text, qint32& baud, QSerialPort::Parity& parity,
                       QSerialPort::DataBits& dataBits, QSerialPort::StopBits& stopBits);

}  // namespace kavro
