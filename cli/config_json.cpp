#include "cli/config_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/config_text.h"
#include "platform/utf8_text.h"

namespace kavro {
namespace {

constexpr const char* kEventKeys[3] = {"press", "hold", "release"};

// A text of the screen, as a file holds it (Windows-1252).
QJsonValue Text(const std::string& text) { return QString::fromStdString(Utf8FromWindows1252(text)); }
// A text of the system's (a device, a description): UTF-8, or made so.
QJsonValue SystemText(const std::string& text) { return QString::fromStdString(ValidUtf8(text)); }

std::string Printed(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace

std::string ConfigAsJson(const ConfigScreen& s) {
    QJsonArray channels;
    for (int c = 0; c < kChannels; ++c) {
        QJsonObject events;
        for (int e = 0; e < 3; ++e) {
            const int i = EventIndex(c, e);
            events[kEventKeys[e]] = QJsonObject{
                {"command", s.commands[i].selected() >= 0 ? Text(s.commands[i].text()) : QJsonValue()},
                {"code", s.commandCode(i)},
                {"data", s.data[i].visible() ? Text(s.data[i].text()) : QJsonValue()}};
        }
        channels.append(QJsonObject{{"channel", c + 1},
                                    {"events", events},
                                    {"destination", Text(DestinationName(DestinationOf(s, c)))},
                                    {"address", Text(DestinationAddress(s, c))},
                                    {"motorAddress", Text(s.motorAddress[c].text())},
                                    {"lockPriority", HasLock(s, c) ? Text(s.lockPriority[c].text()) : QJsonValue()},
                                    {"seq", s.seq[c].value() == 1}});
    }
    QJsonArray sourceGroups;
    for (int c = 0; c < kChannels; ++c) sourceGroups.append(Text(s.sourceGroupAddress[c].text()));
    return Printed({{"channels", channels},
                    {"ppMotorAddress", Text(s.ppMotorAddress.text())},
                    {"switchAddress", Text(s.switchAddress.text())},
                    {"useSwitchAddress", s.useSwitchAddress.value() == 1},
                    {"sourceGroups", sourceGroups}});
}

std::string PortsAsJson(const std::vector<SystemPort>& present) {
    const auto presentAt = [&](const std::string& device) {
        for (const SystemPort& p : present)
            if (p.device == device) return true;
        return false;
    };
    QJsonArray numbered, found;
    for (int n = 1; n <= 16; ++n)
        numbered.append(QJsonObject{{"number", n}, {"device", SystemText(DeviceForPort(n))}, {"present", presentAt(DeviceForPort(n))}});
    for (const SystemPort& p : present) {
        const int number = PortNumberOf(p.device);
        found.append(QJsonObject{{"device", SystemText(p.device)},
                                 {"description", SystemText(p.description)},
                                 {"manufacturer", SystemText(p.manufacturer)},
                                 {"usb", UsbIds(p).empty() ? QJsonValue() : SystemText(UsbIds(p))},
                                 {"serialNumber", SystemText(p.serialNumber)},
                                 {"number", number ? QJsonValue(number) : QJsonValue()}});
    }
    return Printed({{"numbered", numbered}, {"present", found}});
}

}  // namespace kavro
