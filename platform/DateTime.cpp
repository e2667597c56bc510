#include "platform/DateTime.h"

#include <QTimeZone>

#include <cmath>

namespace {

constexpr QDate kEpoch = QDate::fromJulianDay(2415019); // 1899-12-30
constexpr qint64 kMsecsPerDay = 86400000;
// Day counts beyond the years 1 to 9999 name no date (a damaged file may hold any double).
constexpr double kLastDay = 2958466;

bool InRange(TDateTime value)
{
    return std::fabs(value) < kLastDay; // false for NaN too
}

struct TimeStamp {
    qint64 days;
    qint64 msecs;
};

TimeStamp Split(TDateTime value)
{
    const double whole = std::trunc(value);
    TimeStamp ts{static_cast<qint64>(whole),
                 std::llround(std::fabs(value - whole) * kMsecsPerDay)};
    if (ts.msecs >= kMsecsPerDay) { // rounding reached the next midnight
        ts.msecs -= kMsecsPerDay;
        ts.days += value < 0 ? -1 : 1;
    }
    return ts;
}

} // namespace

TDateTime Now()
{
    return DateTimeFromQDateTime(QDateTime::currentDateTime());
}

QDate DateOf(TDateTime value)
{
    if (!InRange(value))
        return {};
    return kEpoch.addDays(Split(value).days);
}

QTime TimeOf(TDateTime value)
{
    if (!InRange(value))
        return {};
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(Split(value).msecs));
}

TDateTime EncodeDateTime(const QDate& date, const QTime& time)
{
    const double days = static_cast<double>(kEpoch.daysTo(date));
    const double fraction = static_cast<double>(time.msecsSinceStartOfDay()) / kMsecsPerDay;
    return days < 0 ? days - fraction : days + fraction;
}

TDateTime DateTimeFromQDateTime(const QDateTime& dt)
{
    const QDateTime local = ToLocalTime(dt);
    return EncodeDateTime(local.date(), local.time());
}

QDateTime ToLocalTime(const QDateTime& moment)
{
#ifdef Q_OS_WIN
    return moment.toTimeZone(QTimeZone::systemTimeZone());
#else
    return moment.toLocalTime();
#endif
}

void LoadTimeZone() { static_cast<void>(QTimeZone::systemTimeZone()); }
