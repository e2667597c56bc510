#include "export/uGpxWriter.h"

#include "export/uTRouteHelper.h"
#include "export/uXmlText.h"
#include "geo/uGeoObjects.h"
#include "platform/CodePage.h"
#include "util/uCrLfWriter.h"

#include <QDateTime>
#include <QTimeZone>

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace {

// The shortest decimal that reads back as the same double, in plain digits:
// GPX types coordinates as xsd:decimal, which knows no exponent.
std::string PlainDecimal(double value)
{
    char shortest[32];
    const auto end = std::to_chars(std::begin(shortest), std::end(shortest), value).ptr;
    const std::string_view text(shortest, static_cast<std::size_t>(end - shortest));
    const std::size_t e = text.find('e');
    if (e == std::string_view::npos)
        return std::string(text);

    std::string_view mantissa = text.substr(0, e);
    const int exponent = std::stoi(std::string(text.substr(e + 1)));
    std::string sign;
    if (mantissa.front() == '-') {
        sign = "-";
        mantissa.remove_prefix(1);
    }
    std::string digits(mantissa);
    const std::size_t dot = digits.find('.');
    int point = static_cast<int>(dot == std::string::npos ? digits.size() : dot) + exponent;
    if (dot != std::string::npos)
        digits.erase(dot, 1);
    const int count = static_cast<int>(digits.size());
    if (point <= 0)
        return sign + "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    if (point >= count)
        return sign + digits + std::string(static_cast<std::size_t>(point - count), '0');
    return sign + digits.substr(0, static_cast<std::size_t>(point)) + '.' + digits.substr(static_cast<std::size_t>(point));
}

bool HasValidPosition(const TGeoPoint& point)
{
    const double lat = point.Latitude();
    const double lon = point.Longitude();
    return std::isfinite(lat) && std::isfinite(lon) && std::abs(lat) <= 90 && std::abs(lon) <= 180;
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
        if (!HasValidPosition(point)) {
            ++leftOut;
            continue;
        }
        // The schema's longitudes end before 180; -180 is the same meridian.
        const double lon = point.Longitude() == 180 ? -180 : point.Longitude();
        gpx.Line(QStringLiteral("    <rtept lat=\"%1\" lon=\"%2\">")
                     .arg(QString::fromStdString(PlainDecimal(point.Latitude())),
                          QString::fromStdString(PlainDecimal(lon))));
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
