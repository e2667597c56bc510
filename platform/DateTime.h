#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

// Date-times are a double counting days since 1899-12-30 00:00 local time,
// the time of day as the fraction: the form kept in memory and in files.
using TDateTime = double;

// The local clock, as a day count.
TDateTime Now();

// The calendar date and the time of day (rounded to the millisecond) that a
// day count stands for. Before 1899-12-30 the fraction still counts forward
// from midnight: -1.25 is 1899-12-29 06:00. A count beyond the years 1 to
// 9999 (or not a number) gives an invalid date and time.
QDate DateOf(TDateTime value);
QTime TimeOf(TDateTime value);

TDateTime EncodeDateTime(const QDate& date, const QTime& time);

// The local wall-clock time as a day count, and back (in the process's time zone).
TDateTime DateTimeFromQDateTime(const QDateTime& dt);

// The moment in the process's time zone: on Windows the system's zone, which
// the user set, never a TZ variable that the C library reads in a form of
// its own.
QDateTime ToLocalTime(const QDateTime& moment);

// Reads the process's time-zone rules now. Qt reads them on first use and
// does not survive memory running out while it does, so a program loads them
// at its start, before any work that must fail cleanly.
void LoadTimeZone();
