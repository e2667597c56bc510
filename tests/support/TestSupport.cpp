#include "TestSupport.h"

#include <ctime>
#include <ostream>
#include <utility>

QByteArray Hex(const char* pairs)
{
    return QByteArray::fromHex(QByteArray(pairs).replace(' ', ""));
}

TimeZoneScope::TimeZoneScope(const char* zone)
    : fOld(qgetenv("TZ")), fHadOld(qEnvironmentVariableIsSet("TZ"))
{
    qputenv("TZ", zone);
    tzset();
}

TimeZoneScope::~TimeZoneScope()
{
    if (fHadOld)
        qputenv("TZ", fOld);
    else
        qunsetenv("TZ");
    tzset();
}

DefaultFormatSettingsScope::DefaultFormatSettingsScope(TFormatSettings settings)
    : fOld(std::exchange(DefaultFormatSettings(), std::move(settings)))
{
}

DefaultFormatSettingsScope::~DefaultFormatSettingsScope() { DefaultFormatSettings() = std::move(fOld); }

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << bytes.toHex(' ').toStdString();
}
