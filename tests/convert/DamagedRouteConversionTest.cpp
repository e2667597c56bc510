// Damaged route files through the conversion run: every cut of a route file
// of each version, and single damaged fields. No error escapes the run; the
// archive it writes runs through exactly the waypoints read in full, a file
// that is no route any more is reported as an empty route, and a damaged
// route gets one warning with the waypoints kept and claimed.
#include "RecordingHost.h"

#include "convert/uConversionRun.h"
#include "geo/uRouteLibrary.h"
#include "support/LayerImage.h"
#include "support/TestSupport.h"
#include "support/ZipReader.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr quint16 kVersions[] = {0, 1, 2, 3, 4, 5, 6};

const QString kCaption = QStringLiteral("Haven \u00EB");
// The sample's waypoints as the document gives them: longitude,latitude.
const QStringList kAll = {QStringLiteral("3.6,51.5"), QStringLiteral("3.57,51.44"), QStringLiteral("18.4,-33.9")};
const QStringList kFirst = kAll.first(1);

// A file that gets no warning.
constexpr qint64 kSound = std::numeric_limits<qint64>::min();

// Three waypoints; the middle one is scrambled.
std::unique_ptr<TRoute> Sample()
{
    auto route = std::make_unique<TRoute>(QString());
    route->setCaption(kCaption);
    route->setCategory(QStringLiteral("Vaarroute"));
    route->setDateCreated(45000.25);
    route->Description().Lines = {QStringLiteral("Oosterschelde")};
    route->Add(51.5, 3.6, QStringLiteral("Boei 1"))->setCanDelete(false);
    TWaypoint* haven = route->Add(51.44, 3.57, QStringLiteral("Haven"));
    haven->setEncrypt(true);
    haven->setText("Kade \x80 5");
    route->Add(-33.9, 18.4, QStringLiteral("Sluis \u00E9\u20AC"))->setCanEdit(false);
    return route;
}

// The coordinate tuples of the document in a .kmz, which must be a
// well-formed document named as the route file.
QStringList ArchivedTuples(const QByteArray& archive)
{
    TZipEntry entry;
    try {
        entry = ReadSingleEntry(archive);
    } catch (const TZipFormatError& e) {
        ADD_FAILURE() << e.what();
        return {};
    }
    EXPECT_EQ(entry.Name, QByteArray("Haven.kml"));
    QXmlStreamReader reader(entry.Content);
    QStringList tuples;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"coordinates")
            tuples = reader.readElementText().split(u'\n', Qt::SkipEmptyParts);
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return tuples;
}

// What the run reports for the file.
enum class Report {
    Exported, // the archive holds the waypoints read
    Empty,    // "Route <stored caption> leeg en overgeslagen."
    Unnamed,  // the same with a new route's caption: no route, or its caption unread
};

class DamagedRouteConversion : public ::testing::TestWithParam<quint16>, protected TempFolder {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(Target())); }

    QString Target() const { return Path(QStringLiteral("out")); }

    // Converts the bytes as Haven.rte and checks what the run reported and
    // wrote: the archive's tuples for Exported, nothing otherwise, and a
    // warning when the route was damaged (claimed: the waypoint count the
    // file claims, -1 when unreadable, kSound for no warning).
    void ExpectConverted(const QByteArray& bytes, Report report, const QStringList& tuples, qint64 claimed) const
    {
        const QString path = QDir::toNativeSeparators(WriteFile(QStringLiteral("Haven.rte"), bytes));
        QFile::remove(Target() + QStringLiteral("/Haven.kmz"));
        RecordingHost host(Target());
        int exported = -1;
        EXPECT_NO_THROW(exported = ConvertRoutes(ChosenFiles({path}), host));
        const QStringList warnings =
            claimed == kSound ? QStringList() : QStringList{DamageWarning(path, tuples.size(), claimed)};
        EXPECT_EQ(host.Warnings, warnings);
        // A file that lost what makes it a route is accounted for as no route.
        const bool noRoute = report == Report::Unnamed && claimed == kSound;
        EXPECT_EQ(host.PassedOverPaths(TPassOver::poNoRoute), noRoute ? QStringList{path} : QStringList());
        const bool empty = !noRoute && report != Report::Exported;
        EXPECT_EQ(host.PassedOverPaths(TPassOver::poEmptyRoute), empty ? QStringList{path} : QStringList());

        ASSERT_EQ(host.Statuses.size(), 3) << host.Statuses.join(u'|').toStdString();
        EXPECT_EQ(host.Statuses[0], u"Route laden: Haven.rte");
        EXPECT_EQ(host.Statuses[2], QStringLiteral("Klaar. Routes [%1/1] geëxporteerd.").arg(exported));
        switch (report) {
        case Report::Exported:
            EXPECT_EQ(exported, 1);
            EXPECT_EQ(host.Statuses[1], u"Exporteer route: Haven.kmz");
            ASSERT_EQ(FolderEntries(Target()), QStringList{QStringLiteral("Haven.kmz")});
            EXPECT_EQ(ArchivedTuples(ReadFile(Target() + QStringLiteral("/Haven.kmz"))), tuples);
            return;
        case Report::Empty:
            EXPECT_EQ(host.Statuses[1], QStringLiteral("Route %1 leeg en overgeslagen.").arg(kCaption));
            break;
        case Report::Unnamed: {
            static const QRegularExpression newRoute(
                QStringLiteral(R"(^Route Route '\d{1,2}-[^-]+-\d\d \(\d\d.\d\d\)' leeg en overgeslagen\.$)"));
            EXPECT_TRUE(newRoute.match(host.Statuses[1]).hasMatch()) << host.Statuses[1].toStdString();
            break;
        }
        }
        EXPECT_EQ(exported, 0);
        EXPECT_EQ(FolderEntries(Target()), QStringList());
    }
};

TEST_P(DamagedRouteConversion, EveryCutConvertsTheWaypointsCompleteBeforeIt)
{
    const LayerImage image(*Sample(), GetParam());
    for (qsizetype cut = 0; cut <= image.Bytes().size(); ++cut) {
        SCOPED_TRACE(cut);
        const int waypoints = image.RecordsBefore(cut);
        // The route check reads the kind, the version and the writing class.
        const bool isRoute = cut >= image.At("class").End;
        const Report report = waypoints > 0                                    ? Report::Exported
                              : isRoute && cut >= image.At("caption").End ? Report::Empty
                                                                               : Report::Unnamed;
        const bool cutShort = isRoute && cut < image.Bytes().size();
        const qint64 claimed = !cutShort ? kSound : cut >= image.At("count").End ? kAll.size() : -1;
        ExpectConverted(image.Bytes().left(cut), report, kAll.first(waypoints), claimed);
        if (::testing::Test::HasFailure())
            return;
    }
}

struct Damage {
    const char* name;
    const char* field; // "point" stands for the second waypoint, the scrambled one
    QByteArray bytes;  // in place of the field's
    Report report;
    QStringList tuples = {};
    qint64 claimed = kSound; // else warned about, with the count claimed (-1: unreadable)
    quint16 fromVersion = 0;
    bool onlyTheGuidText = false; // converted in full where the waypoint GUID is skipped
};

const double kInfinity = std::numeric_limits<double>::infinity();

const Damage kDamages[] = {
    {"kind of a plain layer", "kind", Text8("L-GEO"), Report::Unnamed},
    {"lower-case kind", "kind", Text8("route"), Report::Unnamed},
    {"empty kind", "kind", Text8(""), Report::Unnamed},
    {"kind ROUTES", "kind", Text8("ROUTES"), Report::Exported, kAll},
    {"version 7", "version", Hex("07 00"), Report::Unnamed},
    {"version 65535", "version", Hex("FF FF"), Report::Unnamed},
    {"version 5, the same layout", "version", Hex("05 00"), Report::Exported, kAll, kSound, 1},
    {"writing class TGeoList", "class", Text8("TGeoList"), Report::Exported, kAll},
    {"class over 25 characters", "class", Text8(QByteArray(40, 'K')), Report::Exported, kAll},
    {"route GUID not a GUID", "guid", Text("geen guid"), Report::Unnamed, {}, -1},
    {"route GUID count beyond the file", "guid", Int32(0x7FFFFFFF), Report::Unnamed, {}, -1},
    {"creation time not a number", "created", Double(std::numeric_limits<double>::quiet_NaN()), Report::Exported,
     kAll},
    {"creation time far beyond any calendar", "created", Double(1e300), Report::Exported, kAll},
    {"negative caption count", "caption", Int32(-1), Report::Unnamed, {}, -1},
    {"caption count beyond the file", "caption", Int32(0x7FFFFFFF), Report::Unnamed, {}, -1},
    {"description count beyond the file", "description", Int32(0x7FFFFFF0), Report::Empty, {}, -1},
    {"flag byte 2", "canedit", Hex("02"), Report::Exported, kAll},
    {"negative waypoint count", "count", Int32(-1), Report::Empty, {}, -1},
    {"waypoint count 0", "count", Int32(0), Report::Empty},
    {"waypoint count 1", "count", Int32(1), Report::Exported, kFirst},
    {"waypoint count 4", "count", Int32(4), Report::Exported, kAll, 4},
    {"waypoint count two billion", "count", Int32(2000000000), Report::Exported, kAll, 2000000000},
    {"waypoint GUID not a GUID", "point guid", Text("geen guid"), Report::Exported, kFirst, 3, 0, true},
    {"waypoint GUID count of 2^31", "point guid", Int32(std::numeric_limits<qint32>::min()), Report::Exported,
     kFirst, 3},
    {"scrambling flag cleared", "point encrypt", Hex("00"), Report::Exported, kAll},
    {"waypoint text count of 2^32-1", "point text", Int32(-1), Report::Exported, kFirst, 3},
    {"waypoint caption count beyond the file", "point caption", Int32(0x7FFFFFFF), Report::Exported, kFirst, 3},
    {"latitude not a number", "point latitude", Double(std::numeric_limits<double>::quiet_NaN()), Report::Exported,
     {kAll[0], QStringLiteral("3.57,NAN"), kAll[2]}},
    {"longitude infinite", "point longitude", Double(-kInfinity), Report::Exported,
     {kAll[0], QStringLiteral("-INF,51.44"), kAll[2]}},
};

TEST_P(DamagedRouteConversion, OneDamagedFieldConvertsTheWaypointsBeforeIt)
{
    const quint16 version = GetParam();
    const LayerImage image(*Sample(), version);
    for (const Damage& d : kDamages) {
        std::string field = d.field;
        if (field.starts_with("point"))
            field.replace(0, 5, "point 2");
        if (version < d.fromVersion || !image.Has(field))
            continue;
        SCOPED_TRACE(d.name);
        const bool skipped = d.onlyTheGuidText && version >= 1 && version <= 5;
        if (skipped)
            ExpectConverted(image.Replaced(field, d.bytes), d.report, kAll, kSound);
        else
            ExpectConverted(image.Replaced(field, d.bytes), d.report, d.tuples, d.claimed);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryVersion, DamagedRouteConversion, ::testing::ValuesIn(kVersions),
                         [](const auto& info) { return "Version" + std::to_string(info.param); });

} // namespace
