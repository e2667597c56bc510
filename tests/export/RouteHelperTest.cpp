#include "export/uTRouteHelper.h"
#include "geo/uGeoObjects.h"
#include "geo/uStreamUtils.h"
#include "support/TestSupport.h"
#include "util/uSharedSettings.h"
#include "util/uStringList.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Position {
    double latitude;
    double longitude;
};

TDateTime At(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    return EncodeDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

// A layer as the loader leaves it, with the given identity (which only a file can set).
std::unique_ptr<TGeoList> MakeRoute(const QString& caption, TDateTime created, const QUuid& guid,
                                    const std::vector<Position>& positions = {})
{
    TGeoList source;
    source.setCaption(caption);
    source.setDateCreated(created);
    for (const Position& p : positions) {
        TGeoPoint* point = source.Add();
        point->setLatitude(p.latitude);
        point->setLongitude(p.longitude);
    }
    QByteArray bytes;
    {
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        source.SaveToStream(out, 6, false);
    }
    bytes.replace(source.GUIDStr().toLatin1(), GUIDToString(guid).toLatin1());
    auto route = std::make_unique<TGeoList>();
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    route->LoadFromStream(in);
    return route;
}

const QUuid kGuid = QUuid::fromString(u"{1A2B3C4D-5E6F-0000-1111-222233334444}");

TEST(RouteHelper, RendersTheWholeDocument)
{
    const TimeZoneScope zone("Europe/Amsterdam");
    SKIP_UNLESS_ZONE(zone);
    const auto route = MakeRoute(QStringLiteral("Biesbosch"), At(2022, 12, 9, 10, 0), kGuid,
                                 {{52.5, 4.75}, {51.75, 5}, {0.00005, -0.0001}});
    const QString expected = QStringList{
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"),
        QStringLiteral("<kml xmlns=\"http://www.opengis.net/kml/2.2\">"),
        QStringLiteral("<Document xmlns:kovaltnv=\"http://www.ostrelon.nl/kml/nautiva/1.0\">"),
        QStringLiteral("<ExtendedData>"),
        QStringLiteral("<kovaltnv:version>Windows/3.0</kovaltnv:version>"),
        QStringLiteral("</ExtendedData>"),
        QStringLiteral("<Style id=\"style1\">"),
        QStringLiteral("<LineStyle>"),
        QStringLiteral("<width>1.5</width>"),
        QStringLiteral("<color>7fff0000</color>"),
        QStringLiteral("</LineStyle>"),
        QStringLiteral("</Style>"),
        QStringLiteral("<Placemark>"),
        QStringLiteral("<name>Biesbosch (09-12-2022 - 09-12-2022)</name>"),
        QStringLiteral("<ExtendedData>"),
        QStringLiteral("<kovaltnv:tCreated>1670576400</kovaltnv:tCreated>"),
        QStringLiteral("<kovaltnv:tStart>1670576400</kovaltnv:tStart>"),
        QStringLiteral("<kovaltnv:tEnd>1670576400</kovaltnv:tEnd>"),
        QStringLiteral("<kovaltnv:uniqueId>TR43904110124175</kovaltnv:uniqueId>"),
        QStringLiteral("<kovaltnv:type>route</kovaltnv:type>"),
        QStringLiteral("<kovaltnv:name>Biesbosch</kovaltnv:name>"),
        QStringLiteral("</ExtendedData>"),
        QStringLiteral("<styleUrl>#style1</styleUrl>"),
        QStringLiteral("<LineString>"),
        QStringLiteral("<extrude>1</extrude>"),
        QStringLiteral("<altitudeMode>clampedToGround</altitudeMode>"),
        QStringLiteral("<coordinates>4.75,52.5"),
        QStringLiteral("5,51.75"),
        QStringLiteral("-0.0001,5E-5"),
        QStringLiteral("</coordinates>"),
        QStringLiteral("</LineString>"),
        QStringLiteral("</Placemark>"),
        QStringLiteral("</Document>"),
        QStringLiteral("</kml>"),
    }.join(QStringLiteral("\r\n"));
    EXPECT_EQ(TRouteHelper::KMZKovaltPathStr(*route), expected);
}

TEST(RouteHelper, AnEmptyRouteHasAnEmptyCoordinatesElementAndName)
{
    const auto route = MakeRoute(QString(), At(2022, 12, 9, 0, 0), kGuid);
    const QString text = TRouteHelper::KMZKovaltPathStr(*route);
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n<coordinates></coordinates>\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n<name> (09-12-2022 - 09-12-2022)</name>\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n<kovaltnv:name></kovaltnv:name>\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("</kml>")));
    EXPECT_EQ(TRouteHelper::KMLCoordinatesStr(*route), QString());
}

TEST(RouteHelper, UniqueIdJoinsTheFirstTwoGuidGroupsInDecimal)
{
    struct Row {
        const char16_t* guid;
        const char* id;
    };
    for (const Row& row : {Row{u"{1A2B3C4D-5E6F-0000-0000-000000000000}", "TR43904110124175"},
                           Row{u"{00000000-0000-FFFF-FFFF-FFFFFFFFFFFF}", "TR00"},
                           Row{u"{FFFFFFFF-FFFF-0000-0000-000000000000}", "TR429496729565535"}}) {
        const auto route = MakeRoute(QStringLiteral("x"), 0, QUuid::fromString(QStringView(row.guid)));
        EXPECT_TRUE(TRouteHelper::KMZKovaltPathStr(*route).contains(
            QStringLiteral("<kovaltnv:uniqueId>%1</kovaltnv:uniqueId>").arg(QLatin1String(row.id))))
            << row.id;
    }
}

TEST(RouteHelper, NamesAreAlwaysWellFormedText)
{
    const QString names[] = {QStringLiteral("Vis & <Zee> \"x\" 'y'"), QStringLiteral("Ge\u00EBxporteerd"),
                             QStringLiteral("bad\x01\x1F" "chars"), QStringLiteral("%pathid% %PATHDATE%")};
    for (const QString& name : names) {
        const auto route = MakeRoute(name, At(2021, 3, 7, 9, 0), kGuid, {{52, 4}});
        QXmlStreamReader xml(TRouteHelper::KMZKovaltPathStr(*route));
        QStringList texts;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"name")
                texts << xml.readElementText();
        }
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        ASSERT_EQ(texts.size(), 2);
        QString shown = name;
        shown.replace(QChar(1), QChar(QChar::ReplacementCharacter)).replace(QChar(0x1F), QChar(QChar::ReplacementCharacter));
        // A placeholder's text in a name is the name, not a placeholder.
        EXPECT_EQ(texts.at(0), shown + QStringLiteral(" (07-03-2021 - 07-03-2021)"));
        EXPECT_EQ(texts.at(1), shown);
    }
}

struct TimeCase {
    const char* zone;
    TDateTime local;
    qint64 seconds;
};

class UnixTime : public ::testing::TestWithParam<TimeCase> {};

TEST_P(UnixTime, LocalCreationTimeBecomesUtcSeconds)
{
    const TimeZoneScope zone(GetParam().zone);
    SKIP_UNLESS_ZONE(zone);
    EXPECT_EQ(TRouteHelper::UnixSeconds(GetParam().local), GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, UnixTime,
    ::testing::Values(
        // One hour ahead of UTC, no daylight saving time.
        TimeCase{"Etc/GMT-1", At(1970, 1, 1, 1, 0), 0}, TimeCase{"Etc/GMT-1", At(1970, 1, 1, 1, 0, 1, 500), 1},
        TimeCase{"Etc/GMT-1", At(1970, 1, 1, 0, 59, 58, 500), -1},
        TimeCase{"Etc/GMT-1", At(1969, 7, 20, 21, 17), -14182980},
        // One hour ahead in winter, two in summer.
        TimeCase{"Europe/Amsterdam", At(2022, 1, 10, 12, 0), 1641812400},
        TimeCase{"Europe/Amsterdam", At(2022, 7, 10, 12, 0), 1657447200},
        // The hour skipped in spring and the hour repeated in autumn: standard time.
        TimeCase{"Europe/Amsterdam", At(2023, 3, 26, 2, 30), 1679794200},
        TimeCase{"Europe/Amsterdam", At(2023, 10, 29, 2, 30), 1698543000},
        TimeCase{"America/New_York", At(2023, 3, 12, 2, 30), 1678606200},
        TimeCase{"UTC", At(2000, 1, 1, 0, 0), 946684800}));

TEST(RouteHelper, NumbersDoNotFollowTheLocale)
{
    SharedSettings().DecimalSeparator = u',';
    const auto route = MakeRoute(QStringLiteral("x"), 0, kGuid, {{52.123456789012345, 4.25}});
    EXPECT_EQ(TRouteHelper::KMLCoordinatesStr(*route), QStringLiteral("4.25,52.1234567890123\r\n"));
    // The renderer leaves the shared record as it found it.
    EXPECT_EQ(SharedSettings().DecimalSeparator, QChar(u','));
    InitSharedSettings();
}

// The conversion streams the document onto its file; the bytes must be those
// of the whole text split into lines and saved with CR LF after each, whatever
// line breaks the name holds.
TEST(RouteHelper, TheStreamedDocumentIsTheTextSavedLineByLine)
{
    const TimeZoneScope zone("Europe/Amsterdam");
    SKIP_UNLESS_ZONE(zone);
    std::vector<Position> positions;
    for (int i = 0; i < 5000; ++i) // more than one piece of output
        positions.push_back({51.44 + i * 1.37e-5, 3.57 + i * 2.113e-5});
    positions.push_back({-0.00005, 1e20});
    positions.push_back({std::nan(""), -180});
    const QString names[] = {QStringLiteral("Haven"),           QString(),
                             QStringLiteral("Rondje\r\nIJssel"), QStringLiteral("a\rb\nc\r"),
                             QStringLiteral("\n"),              QStringLiteral("Zee\u00EBn & <meer> \U0001F6A2")};
    for (const QString& name : names) {
        const auto route = MakeRoute(name, At(2023, 6, 1, 10, 0), kGuid, positions);
        TStringList lines;
        lines.SetText(TRouteHelper::KMZKovaltPathStr(*route));
        QByteArray streamed;
        QBuffer buffer(&streamed);
        buffer.open(QIODevice::WriteOnly);
        TRouteHelper::WriteKMZKovaltPath(*route, buffer);
        EXPECT_EQ(streamed, lines.Text().toUtf8()) << name.toStdString();
    }
}

TEST(RouteHelper, ADamagedCreationTimeStillRenders)
{
    const auto route = MakeRoute(QStringLiteral("x"), 1e300, kGuid, {{52, 4}});
    const QString text = TRouteHelper::KMZKovaltPathStr(*route);
    EXPECT_TRUE(text.contains(QStringLiteral("<kovaltnv:tCreated>0</kovaltnv:tCreated>")));
}

} // namespace
