#include "export/uGpxWriter.h"

#include "export/uTRouteHelper.h"
#include "export/uXmlText.h"
#include "geo/uGeoObjects.h"
#include "platform/CodePage.h"
#include "util/uCrLfWriter.h"

#include <QDateTime>
#include <QTimeZone>

#include <charconv>
#include <optional>

namespace {

// Degrees rounded to 9 decimals (0.1 mm), in plain digits without trailing
// zeros: GPX types coordinates as xsd:decimal, which knows no exponent, and
// its readers keep a limited number of digits. Dust at zero reads "0", never "-0".
QString PlainDecimal(double degrees)
{
    // Room for the largest double written out with its decimals.
    char text[330];
    char* end = std::to_chars(std::begin(text), std::end(text), degrees, std::chars_format::fixed, 9).ptr;
    while (end[-1] == '0')
        --end;
    if (end[-1] == '.')
        --end;
    const QLatin1StringView decimal(text, end);
    return decimal == QLatin1StringView("-0") ? QStringLiteral("0") : QString(decimal);
}

// The schema's longitudes end before 180; -180 is the same meridian.
QString GpxLongitude(double degrees)
{
    const QString text = PlainDecimal(degrees);
    return text == u"180" ? QStringLiteral("-180") : text;
}

// The creation time as xsd:dateTime in UTC; none for a damaged time stamp,
// rather than a made-up 1970, and none for a year ISO 8601 cannot write in
// four digits.
std::optional<QString> CreationTime(double created)
{
    const auto seconds = TRouteHelper::UtcSeconds(created);
    if (!seconds)
        return std::nullopt;
    const QDateTime time = QDateTime::fromSecsSinceEpoch(*seconds, QTimeZone::utc());
    if (!time.isValid() || time.date().year() < 1 || time.date().year() > 9999)
        return std::nullopt;
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

class TGpxLines {
public:
    explicit TGpxLines(QIODevice& device) : fWriter(device) {}

    void Line(const QString& text) { fWriter.Write((text + u'\n').toUtf8()); }
    void Element(const QString& indent, const QString& name, QStringView text)
    {
        fWriter.Write(QStringLiteral("%1<%2>").arg(indent, name).toUtf8());
        WriteXmlText(fWriter, text);
        Line(QStringLiteral("</%1>").arg(name));
    }
    void Finish() { fWriter.Finish(); }

private:
    TCrLfWriter fWriter;
};

} // namespace

int WriteGpx(const TGeoList& route, QIODevice& device)
{
    TGpxLines gpx(device);
    gpx.Line(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    gpx.Line(QStringLiteral(
        "<gpx version=\"1.1\" creator=\"Route Conversie\" xmlns=\"http://www.topografix.com/GPX/1/1\">"));
    gpx.Line(QStringLiteral("  <metadata>"));
    gpx.Element(QStringLiteral("    "), QStringLiteral("name"), route.Caption());
    if (const auto time = CreationTime(route.DateCreated()))
        gpx.Line(QStringLiteral("    <time>%1</time>").arg(*time));
    gpx.Line(QStringLiteral("  </metadata>"));
    gpx.Line(QStringLiteral("  <rte>"));
    gpx.Element(QStringLiteral("    "), QStringLiteral("name"), route.Caption());
    int leftOut = 0;
    for (int i = 0; i < route.Count(); ++i) {
        const TGeoPoint& point = *route.GetItem(i);
        if (!point.HasPosition()) {
            ++leftOut;
            continue;
        }
        gpx.Line(QStringLiteral("    <rtept lat=\"%1\" lon=\"%2\">")
                     .arg(PlainDecimal(point.Latitude()), GpxLongitude(point.Longitude())));
        gpx.Element(QStringLiteral("      "), QStringLiteral("name"), point.Caption());
        if (!point.Text().isEmpty())
            gpx.Element(QStringLiteral("      "), QStringLiteral("desc"), FromAnsi(point.Text()));
        gpx.Line(QStringLiteral("    </rtept>"));
    }
    gpx.Line(QStringLiteral("  </rte>"));
    gpx.Line(QStringLiteral("</gpx>"));
    gpx.Finish();
    return leftOut;
}
