#include "export/uGpxWriter.h"
#include "geo/uGeoObjects.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

namespace {

struct Point {
    double lat;
    double lon;
    QString caption;
    QByteArray text; // 8-bit, as the route file holds it
};

TDateTime At(int y, int mo, int d, int h, int mi)
{
    return EncodeDateTime(QDate(y, mo, d), QTime(h, mi));
}

std::unique_ptr<TGeoList> Route(const QString& caption, TDateTime created, const std::vector<Point>& points)
{
    auto route = std::make_unique<TGeoList>();
    route->setCaption(caption);
    route->setDateCreated(created);
    for (const Point& p : points) {
        TGeoPoint* point = route->Add();
        point->setLatitude(p.lat);
        point->setLongitude(p.lon);
        point->setCaption(p.caption);
        point->setText(p.text);
    }
    return route;
}

struct Written {
    QByteArray bytes;
    int leftOut;
};

Written Write(const std::unique_ptr<TGeoList>& route)
{
    Written written;
    QBuffer buffer(&written.bytes);
    buffer.open(QIODevice::WriteOnly);
    written.leftOut = WriteGpx(*route, buffer);
    return written;
}

// The lat and lon attributes of every route point, as written.
std::vector<std::pair<QString, QString>> Positions(const QByteArray& gpx)
{
    static const QRegularExpression rtept(QStringLiteral(R"x(<rtept lat="([^"]*)" lon="([^"]*)">)x"));
    std::vector<std::pair<QString, QString>> positions;
    for (const auto& match : rtept.globalMatch(QString::fromUtf8(gpx)))
        positions.emplace_back(match.captured(1), match.captured(2));
    return positions;
}

TEST(GpxWriter, WritesTheWholeDocument)
{
    const TimeZoneScope zone("Europe/Amsterdam");
    SKIP_UNLESS_ZONE(zone);
    const auto route = Route(QStringLiteral("Biesbosch"), At(2022, 12, 9, 10, 0),
                                 {{51.7612, 4.7795, QStringLiteral("Start"), {}},
                                  {51.7483, 4.8012, QStringLiteral("Sluis"), "Kade 5 \x80"}});
    const Written written = Write(route);
    EXPECT_EQ(written.leftOut, 0);
    EXPECT_EQ(written.bytes,
              QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                         "<gpx version=\"1.1\" creator=\"Route Conversie\" xmlns=\"http://www.topografix.com/GPX/1/1\">\r\n"
                         "  <metadata>\r\n"
                         "    <name>Biesbosch</name>\r\n"
                         "    <time>2022-12-09T09:00:00Z</time>\r\n"
                         "  </metadata>\r\n"
                         "  <rte>\r\n"
                         "    <name>Biesbosch</name>\r\n"
                         "    <rtept lat=\"51.7612\" lon=\"4.7795\">\r\n"
                         "      <name>Start</name>\r\n"
                         "    </rtept>\r\n"
                         "    <rtept lat=\"51.7483\" lon=\"4.8012\">\r\n"
                         "      <name>Sluis</name>\r\n"
                         "      <desc>Kade 5 \xE2\x82\xAC</desc>\r\n"
                         "    </rtept>\r\n"
                         "  </rte>\r\n"
                         "</gpx>\r\n"));
}

// UTC from the local creation time; a stamp that names no instant gives no
// time rather than 1970.
TEST(GpxWriter, TheCreationTimeIsUtcOrLeftOut)
{
    const TimeZoneScope zone("Europe/Amsterdam");
    SKIP_UNLESS_ZONE(zone);
    struct Case {
        TDateTime created;
        const char* time; // nullptr: no <time>
    };
#ifdef Q_OS_WIN
    // Windows reads every year with today's rules: summer time in 1969 too.
    const char* const summer1969 = "1969-07-20T19:17:00Z";
#else
    const char* const summer1969 = "1969-07-20T20:17:00Z";
#endif
    for (const Case& c : {Case{At(2022, 7, 10, 12, 0), "2022-07-10T10:00:00Z"},
                          Case{At(1969, 7, 20, 21, 17), summer1969},
                          Case{At(1970, 1, 1, 1, 0), "1970-01-01T00:00:00Z"}, Case{1e300, nullptr},
                          Case{std::numeric_limits<double>::quiet_NaN(), nullptr}}) {
        const QByteArray gpx = Write(Route(QStringLiteral("x"), c.created, {{52, 4, QStringLiteral("a"), {}}})).bytes;
        SCOPED_TRACE(gpx.toStdString());
        if (c.time)
            EXPECT_TRUE(gpx.contains("<time>" + QByteArray(c.time) + "</time>"));
        else
            EXPECT_FALSE(gpx.contains("<time>"));
    }
}

// Plain decimals (xsd:decimal has no exponent) rounded to 9 decimals, as
// short as that allows: every reader takes them, dust at zero included.
TEST(GpxWriter, CoordinatesArePlainDecimalsOfAtMostNineDecimals)
{
    struct Case {
        double lat;
        double lon;
        const char* latText;
        const char* lonText;
    };
    const double denormal = std::numeric_limits<double>::denorm_min();
    for (const Case& c : {
             Case{0.00001, 1e-7, "0.00001", "0.0000001"},
             Case{-0.5, 4.5, "-0.5", "4.5"},
             Case{51.123456789, 0.123456789, "51.123456789", "0.123456789"},
             Case{0.1 + 0.2, -1.2345678901234567e-5, "0.3", "-0.000012346"},
             Case{5.551115123125783e-17, -1e-300, "0", "0"},
             Case{-0.0, denormal, "0", "0"},
             Case{4e-10, -6e-10, "0", "-0.000000001"},
             Case{89.99999999999999, 179.9999999999, "90", "-180"},
             Case{-89.9999999996, 179.9999999994, "-90", "179.999999999"},
         }) {
        SCOPED_TRACE(testing::Message() << c.lat << " " << c.lon);
        const auto positions = Positions(Write(Route(QStringLiteral("x"), 0, {{c.lat, c.lon, {}, {}}})).bytes);
        ASSERT_EQ(positions.size(), 1u);
        EXPECT_EQ(positions[0].first, QLatin1String(c.latText));
        EXPECT_EQ(positions[0].second, QLatin1String(c.lonText));
    }
}

// 180 and -180 are one meridian; the schema's longitudes stop short of 180.
TEST(GpxWriter, TheAntimeridianIsWrittenAsMinus180)
{
    const auto positions =
        Positions(Write(Route(QStringLiteral("x"), 0, {{10, 180, {}, {}}, {-10, -180, {}, {}}, {0, 179.5, {}, {}}})).bytes);
    EXPECT_EQ(positions, (std::vector<std::pair<QString, QString>>{{QStringLiteral("10"), QStringLiteral("-180")},
                                                                   {QStringLiteral("-10"), QStringLiteral("-180")},
                                                                   {QStringLiteral("0"), QStringLiteral("179.5")}}));
}

TEST(GpxWriter, WaypointsWithoutAValidPositionAreLeftOutAndCounted)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto route = Route(QStringLiteral("x"), 0,
                                 {{nan, 4, QStringLiteral("nan"), {}},
                                  {52, 4, QStringLiteral("one"), {}},
                                  {52, -inf, QStringLiteral("inf"), {}},
                                  {90.000001, 4, QStringLiteral("north"), {}},
                                  {-90, -180.000001, QStringLiteral("west"), {}},
                                  {-90, 181, QStringLiteral("east"), {}},
                                  {-90, 180, QStringLiteral("two"), {}}});
    const Written written = Write(route);
    EXPECT_EQ(written.leftOut, 5);
    QXmlStreamReader xml(written.bytes);
    QStringList names;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"name")
            names << xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("one"), QStringLiteral("two")}));
}

// Whatever the caption and text hold, the document is well-formed and reads
// back as written, with U+FFFD where XML cannot carry a character.
TEST(GpxWriter, TextsAreEscapedAndWhatXmlCannotCarryIsReplaced)
{
    const QString caption = QStringLiteral("Vis & <Zee> \"x\" 'y' \u00EB\U0001F6A2 ") + QChar(1) + QChar(0xD800);
    const QString shownCaption = QStringLiteral("Vis & <Zee> \"x\" 'y' \u00EB\U0001F6A2 \uFFFD\uFFFD");
    const auto route = Route(caption, 0, {{52, 4, QStringLiteral("a<b>&c") + QChar(0x1F), "\x01 & <\xE9>"}});
    const QByteArray gpx = Write(route).bytes;
    EXPECT_TRUE(gpx.contains("<name>Vis &amp; &lt;Zee&gt; \"x\" 'y' \xC3\xAB\xF0\x9F\x9A\xA2 \xEF\xBF\xBD\xEF\xBF\xBD</name>"));
    QXmlStreamReader xml(gpx);
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && (xml.name() == u"name" || xml.name() == u"desc"))
            texts << xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(texts, (QStringList{shownCaption, shownCaption, QStringLiteral("a<b>&c\uFFFD"),
                                  QStringLiteral("\uFFFD & <\u00E9>")}));
}

} // namespace
