#include "history/history_time.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>

namespace kavro {

std::string HistoryTimeText(SystemTime time) {
    using namespace std::chrono;
    const auto whole = floor<seconds>(time);
    const auto day = floor<days>(whole);
    const year_month_day date{day};
    const hh_mm_ss clock{whole - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

namespace {

struct Parts {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
};

std::optional<SystemTime> FromParts(const Parts& p) {
    using namespace std::chrono;
    // The clock counts nanoseconds: a year far from ours does not fit it.
    if (p.y < 1970 || p.y > 2200) return std::nullopt;
    if (p.h < 0 || p.h > 23 || p.mi < 0 || p.mi > 59 || p.s < 0 || p.s > 59) return std::nullopt;
    const year_month_day date{year{p.y}, month{static_cast<unsigned>(p.mo)}, day{static_cast<unsigned>(p.d)}};
    if (!date.ok()) return std::nullopt;
    return sys_days{date} + hours{p.h} + minutes{p.mi} + seconds{p.s};
}

// The offset of the computer's zone from UTC at a UTC time.
std::chrono::seconds LocalOffset(SystemTime utc) {
    const std::time_t t = std::chrono::system_clock::to_time_t(utc);
    std::tm local{}, universal{};
#ifdef _WIN32
    localtime_s(&local, &t);
    gmtime_s(&universal, &t);
#else
    localtime_r(&t, &local);
    gmtime_r(&t, &universal);
#endif
    universal.tm_isdst = local.tm_isdst;
    return std::chrono::seconds(static_cast<long long>(std::difftime(std::mktime(&local), std::mktime(&universal))));
}

}  // namespace

std::optional<SystemTime> ParseHistoryTime(const std::string& text) {
    Parts p;
    char zone = 0;
    if (text.size() != 20 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &p.y, &p.mo, &p.d, &p.h, &p.mi,
                                         &p.s, &zone) != 7 || zone != 'Z' || text[4] != '-' || text[10] != 'T')
        return std::nullopt;
    return FromParts(p);
}

std::string LocalTimeText(const std::string& time) {
    const auto utc = ParseHistoryTime(time);
    if (!utc) return time;
    const long long offset = LocalOffset(*utc).count();
    const std::string local = HistoryTimeText(*utc + std::chrono::seconds(offset));
    char zone[48];
    const long long minutes = (offset < 0 ? -offset : offset) / 60;
    std::snprintf(zone, sizeof zone, "UTC%c%02lld:%02lld", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return local.substr(0, 10) + " " + local.substr(11, 8) + " " + zone;
}

std::string FileStamp(const std::string& time) {
    std::string stamp;
    std::copy_if(time.begin(), time.end(), std::back_inserter(stamp), [](char c) { return c != '-' && c != ':'; });
    return stamp;
}

std::optional<SystemTime> ParseUserTime(const std::string& given) {
    std::string text = given;
    const bool utc = !text.empty() && (text.back() == 'Z' || text.back() == 'z');
    if (utc) text.pop_back();
    std::replace(text.begin(), text.end(), ' ', 'T');
    Parts p;
    int consumed = 0;
    bool dayOnly = false;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &p.y, &p.mo, &p.d, &p.h, &p.mi, &p.s, &consumed) == 6 &&
        consumed == static_cast<int>(text.size())) {
    } else if (p = {}, consumed = 0;
               std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d%n", &p.y, &p.mo, &p.d, &p.h, &p.mi, &consumed) == 5 &&
               consumed == static_cast<int>(text.size())) {
    } else if (p = {}, consumed = 0; std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &p.y, &p.mo, &p.d, &consumed) == 3 &&
                                     consumed == static_cast<int>(text.size())) {
        dayOnly = true;
        p.h = 23, p.mi = 59, p.s = 59;
    } else {
        return std::nullopt;
    }
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' || (!dayOnly && text[10] != 'T')) return std::nullopt;
    const auto time = FromParts(p);
    if (!time || utc) return time;
    return *time - LocalOffset(*time);
}

}  // namespace kavro
