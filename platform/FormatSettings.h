#pragma once

#include "platform/DateTime.h"

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>

// The conventions by which numbers and dates become text and are read back.
// Date and time patterns use: d dd ddd dddd, m mm mmm mmmm (minutes after an
// h), yy yyyy, h hh, n nn, s ss, z zzz, "/" for the date separator, ":" for
// the time separator, and text between quotes as it stands.
struct TFormatSettings {
    QChar DateSeparator;
    QChar TimeSeparator;
    QString ShortDateFormat;
    QString LongDateFormat;
    QString ShortTimeFormat;
    QString LongTimeFormat;
    QChar ThousandSeparator; // QChar(0): none
    QChar DecimalSeparator;
    QString CurrencyString;
    QChar ListSeparator;
    QString TimeAMString;
    QString TimePMString;
    QStringList ShortMonthNames; // 12
    QStringList LongMonthNames;  // 12
    QStringList ShortDayNames;   // 7, Sunday first
    QStringList LongDayNames;    // 7, Sunday first
};

// The conventions of a locale: the user's own (LANG, LC_ALL) by default.
TFormatSettings FormatSettingsFromLocale(const QLocale& locale = QLocale::system());

// The process-wide settings of the user's locale, filled on first use.
TFormatSettings& DefaultFormatSettings();

// A number with up to 15 significant digits in the general format: plain
// notation for decimal exponents from -3 to 15, else d.dddE±x; "INF", "NAN".
QString FloatToStr(double value, const TFormatSettings& settings);

// Room for any text of FloatToChars: "-d.ddddddddddddddE-ddd".
inline constexpr int cFloatTextCapacity = 24;

// FloatToStr's text for an ASCII decimal separator, written as 8-bit text
// from `first` on, with no allocation; returns the end of the text.
char* FloatToChars(char* first, double value, char decimalSeparator);

// Reads a number written with the settings' decimal separator and no
// thousands separator; raises "'%s' is not a valid floating point value".
double StrToFloat(const QString& text, const TFormatSettings& settings);

QString FormatDateTime(const QString& pattern, TDateTime value, const TFormatSettings& settings);

// The short date, a blank and the long time; the time is left out at midnight.
QString DateTimeToStr(TDateTime value, const TFormatSettings& settings);
