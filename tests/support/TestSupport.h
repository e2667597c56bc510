#pragma once

#include "platform/FormatSettings.h"

#include <QByteArray>
#include <QString>

#include <string>

// Bytes from a text of hexadecimal pairs, blanks allowed: "05 4C 2D".
QByteArray Hex(const char* pairs);

// Runs a scope in another local time zone and restores the old one.
class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* zone);
    ~TimeZoneScope();
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

private:
    QByteArray fOld;
    bool fHadOld;
};

// Runs a scope with other process-wide regional settings and restores the old ones.
class DefaultFormatSettingsScope {
public:
    explicit DefaultFormatSettingsScope(TFormatSettings settings);
    ~DefaultFormatSettingsScope();
    DefaultFormatSettingsScope(const DefaultFormatSettingsScope&) = delete;
    DefaultFormatSettingsScope& operator=(const DefaultFormatSettingsScope&) = delete;

private:
    TFormatSettings fOld;
};

// Lets gtest print Qt texts in failure messages.
void PrintTo(const QString& text, std::ostream* os);
void PrintTo(const QByteArray& bytes, std::ostream* os);
