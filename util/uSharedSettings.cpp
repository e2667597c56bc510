#include "util/uSharedSettings.h"

namespace {

TFormatSettings SharedDefaults()
{
    TFormatSettings settings = FormatSettingsFromLocale();
    settings.DateSeparator = u'-';
    settings.ShortDateFormat = QStringLiteral("dd-mm-yyyy");
    settings.ThousandSeparator = u'.';
    settings.DecimalSeparator = u',';
    return settings;
}

TFormatSettings USDefaults()
{
    TFormatSettings settings = FormatSettingsFromLocale();
    settings.DateSeparator = u'-';
    settings.ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    settings.LongDateFormat = QStringLiteral("yyyy-mm-dd");
    settings.TimeSeparator = u':';
    settings.ShortTimeFormat = QStringLiteral("hh:mm:ss");
    settings.LongTimeFormat = QStringLiteral("hh:mm:ss");
    settings.ThousandSeparator = u',';
    settings.DecimalSeparator = u'.';
    return settings;
}

QString EncodingDefault()
{
    return QStringLiteral("utf-8");
}

} // namespace

TFormatSettings& SharedSettings()
{
    static TFormatSettings settings = SharedDefaults();
    return settings;
}

TFormatSettings& USSettings()
{
    static TFormatSettings settings = USDefaults();
    return settings;
}

TFormatSettings& USFormatSettings()
{
    static TFormatSettings settings = USDefaults();
    return settings;
}

QString& ContentEncoding()
{
    static QString encoding = EncodingDefault();
    return encoding;
}

void InitSharedSettings()
{
    SharedSettings() = SharedDefaults();
    USSettings() = USDefaults();
    USFormatSettings() = USDefaults();
    ContentEncoding() = EncodingDefault();
}
