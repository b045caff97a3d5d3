#include "base/DateTimeFormat.h"

#include "base/Calendar.h"

#include <clocale>
#include <cstring>
#include <ctime>
#include <locale.h>

namespace corvane {

namespace {

constexpr const char* kPatterns[DateTimeFormat::patternCount] = {
    "%Y-%m-%d",    "%Y.%m.%d", "%Y/%m/%d",    "%m-%d-%Y", "%m.%d.%Y", "%m/%d/%Y", "%d-%m-%Y",
    "%d.%m.%Y",    "%d/%m/%Y", "%y-%m-%d",    "%y.%m.%d", "%y/%m/%d", "%m-%d-%y", "%m.%d.%y",
    "%m/%d/%y",    "%d-%m-%y", "%d.%m.%y",    "%d/%m/%y", "%Y-%m",    "%Y.%m",    "%Y/%m",
    "%m-%Y",       "%m.%Y",    "%m/%Y",       "%y-%m",    "%y.%m",    "%y/%m",    "%m-%y",
    "%m.%y",       "%m/%y",    "%H:%M",       "%H:%M:%S", "%I:%M",    "%I:%M:%S", "%I:%M %p",
    "%I:%M:%S %p", "%p %I:%M", "%p %I:%M:%S",
};

// The "C" locale, made once and kept for the life of the process.
locale_t cLocale() noexcept
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool formatFields(const Calendar::Fields& f, int zoneSeconds, const char* pattern,
                  IFormatable& target)
{
    if (pattern == nullptr) {
        target.format("%s", "");
        return false;
    }
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.minute;
    tm.tm_sec = f.second;
    tm.tm_wday = Calendar::weekday(f.year, f.month, f.day);
    tm.tm_yday = Calendar::dayOfYear(f.year, f.month, f.day);
    tm.tm_isdst = 0;
    tm.tm_gmtoff = zoneSeconds;
    tm.tm_zone = "";

    // strftime reports a result that does not fit as 0, the same as an empty
    // result: retry in a larger scratch to tell the two apart and cut.
    char text[DateTimeFormat::maxLength + 1];
    std::size_t length = strftime_l(text, sizeof text, pattern, &tm, cLocale());
    bool whole = true;
    if (length == 0 && pattern[0] != '\0') {
        char large[1024];
        if (strftime_l(large, sizeof large, pattern, &tm, cLocale()) != 0) {
            std::memcpy(text, large, DateTimeFormat::maxLength);
            text[DateTimeFormat::maxLength] = '\0';
            whole = false;
        } else {
            text[0] = '\0';
        }
    }
    target.format("%s", text);
    return whole;
}

} // namespace

const char* DateTimeFormat::pattern(std::size_t index) noexcept
{
    return index < patternCount ? kPatterns[index] : nullptr;
}

bool DateTimeFormat::formatDate(const Date& date, const char* pattern, IFormatable& target)
{
    Calendar::Fields f;
    f.year = date.year();
    f.month = date.month();
    f.day = date.day();
    return formatFields(f, 0, pattern, target);
}

bool DateTimeFormat::formatTime(const Time& time, const char* pattern, IFormatable& target)
{
    Calendar::Fields f;
    f.year = 2000;
    f.hour = time.hour();
    f.minute = time.minute();
    f.second = time.second();
    return formatFields(f, time.zoneSeconds(), pattern, target);
}

bool DateTimeFormat::formatDateTime(const DateTime& value, const char* pattern, IFormatable& target)
{
    const Date& d = value.date();
    const Time& t = value.time();
    Calendar::Fields f{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
    return formatFields(f, t.zoneSeconds(), pattern, target);
}

} // namespace corvane
