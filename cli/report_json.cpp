#include "cli/report_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/utf8_path.h"
#include "platform/utf8_text.h"

namespace kavro::cli {
namespace {

constexpr const char* kEventKeys[3] = {"press", "hold", "release"};

QJsonValue Text(const std::string& text) { return QString::fromStdString(ValidUtf8(text)); }
QJsonValue TextOrNull(const std::string& text) { return text.empty() ? QJsonValue() : Text(text); }

QJsonObject EventJson(const SheetEvent& e, int index) {
    return {{"event", kEventKeys[index]},
            {"name", Text(e.name)},
            {"command", Text(e.command)},
            {"code", e.code},
            {"data", TextOrNull(e.data)},
            {"lockPriority", TextOrNull(e.lockPriority)},
            {"destination", Text(e.destination)},
            {"address", TextOrNull(e.address)}};
}

QJsonArray ChannelsJson(const std::array<SheetChannel, kChannels>& channels) {
    QJsonArray list;
    for (const SheetChannel& c : channels) {
        QJsonArray events;
        for (int e = 0; e < 3; ++e) events.append(EventJson(c.events[e], e));
        list.append(QJsonObject{{"channel", c.number}, {"seq", c.seq}, {"events", events}});
    }
    return list;
}

QJsonObject SwitchJson(const SwitchReport& s, const Journal& journal) {
    const JournalEntry* bus = s.shown ? &*s.shown : s.lastRead ? &*s.lastRead : nullptr;
    QJsonValue differences;
    if (s.comparedWithPlan) {
        QJsonArray list;
        for (const HeldDifference& d : s.differences)
            list.append(QJsonObject{{"channel", d.channel ? QJsonValue(d.channel) : QJsonValue()},
                                    {"field", Text(d.field)},
                                    {"planned", Text(d.expected)},
                                    {"holds", Text(d.found)},
                                    {"text", Text(DescribeHeldDifference(d, "the file says"))}});
        differences = list;
    }
    QJsonValue shown, lastRead, lastWrite;
    if (s.shown)
        shown = QJsonObject{{"time", Text(s.shown->time)},
                            {"event", Text(s.shown->event)},
                            {"file", s.shown->file.empty() ? QJsonValue() : Text(Utf8FromPath(journal.fileOf(*s.shown)))}};
    if (s.lastRead)
        lastRead = QJsonObject{{"time", Text(s.lastRead->time)},
                               {"event", Text(s.lastRead->event)},
                               {"outcome", Text(s.lastRead->outcome)},
                               {"result", Text(s.lastRead->result)}};
    if (s.lastVerifiedWrite)
        lastWrite = QJsonObject{{"time", Text(s.lastVerifiedWrite->time)}, {"event", Text(s.lastVerifiedWrite->event)}};
    return QJsonObject{
        {"label", Text(s.planned.label)},
        {"address", Text(s.planned.address)},
        {"plannedFile", TextOrNull(s.planned.fileName)},
        {"state", StateName(s.state)},
        {"stateText", Text(s.stateText())},
        {"bus", bus ? QJsonValue(QJsonObject{{"device", Text(bus->bus.device)},
                                             {"adapterSerial", Text(bus->bus.adapterSerial)},
                                             {"adapterPath", Text(bus->bus.adapterPath)}})
                    : QJsonValue()},
        {"firmware", s.shown ? TextOrNull(s.shown->firmware) : QJsonValue()},
        {"stateShown", shown},
        {"lastRead", lastRead},
        {"lastVerifiedWrite", lastWrite},
        {"readFailure", TextOrNull(s.readFailure)},
        {"planProblem", TextOrNull(s.planProblem)},
        {"differences", differences},
        {"channels", s.shown ? QJsonValue(ChannelsJson(s.channels)) : QJsonValue()},
    };
}

}  // namespace

QByteArray ReportJson(const SiteReport& report, const Journal& journal) {
    QJsonArray switches;
    for (const SwitchReport& s : report.switches) switches.append(SwitchJson(s, journal));
    const QJsonObject top{{"site", Text(report.site)},
                          {"made", Text(report.time)},
                          {"toolVersion", Text(report.toolVersion)},
                          {"switches", switches}};
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

}  // namespace kavro::cli
