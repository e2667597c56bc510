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

// The shortest decimal that reads back as the same double, in plain digits:
// GPX types coordinates as xsd:decimal, which knows no exponent.
QString PlainDecimal(double value)
{
    // Room for the smallest subnormal written out: 0., 323 zeros, 2 digits.
    char text[400];
    const auto end = std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed).ptr;
    return QString::fromLatin1(text, end - text);
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
    void Element(const QString& indent, const QString& name, const QString& text)
    {
        Line(QStringLiteral("%1<%2>%3</%2>").arg(indent, name, XmlText(text)));
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
        // The schema's longitudes end before 180; -180 is the same meridian.
        const double lon = point.Longitude() == 180 ? -180 : point.Longitude();
        gpx.Line(QStringLiteral("    <rtept lat=\"%1\" lon=\"%2\">")
                     .arg(PlainDecimal(point.Latitude()), PlainDecimal(lon)));
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
