#include "export/uPassagePlan.h"
#include "geo/uRouteLibrary.h"

#include <QLocale>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Cell {
    QString (*format)(double);
    double value;
    const char* expected;
};

TEST(PassagePlan, CellsShowPositionsCoursesAndDistancesWithAPointWhateverTheLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Netherlands));
    const auto lat = PassagePlan::LatitudeText;
    const auto lon = PassagePlan::LongitudeText;
    const auto course = PassagePlan::CourseText;
    const auto distance = PassagePlan::DistanceText;
    const Cell cells[] = {
        {lat, 52.375, "52°22.500'N"},
        {lat, -33.8568, "33°51.408'S"},
        {lat, 5.0175, "05°01.050'N"},
        {lat, 0, "00°00.000'N"},
        {lat, -1e-9, "00°00.000'N"},             // no south for what rounds to nothing
        {lat, 52 + 59.9996 / 60, "53°00.000'N"}, // the minutes carry into the degree
        {lat, -(52 + 59.9996 / 60), "53°00.000'S"},
        {lat, 52 + 59.9994 / 60, "52°59.999'N"},
        {lat, 90, "90°00.000'N"},
        {lat, -90, "90°00.000'S"},
        {lat, 90.5, "-"},
        {lat, kNaN, "-"},
        {lat, -kInfinity, "-"},
        {lon, 4.89, "004°53.400'E"},
        {lon, -70.5, "070°30.000'W"},
        {lon, -0.25, "000°15.000'W"},
        {lon, 4 + 59.9996 / 60, "005°00.000'E"},
        {lon, 179.9999999, "180°00.000'E"},
        {lon, -180, "180°00.000'W"},
        {lon, 180.5, "-"},
        {lon, kNaN, "-"},
        {course, 0, "0.0"},
        {course, 31.33, "31.3"},
        {course, 90, "90.0"},
        {course, 211.36, "211.4"},
        {course, 359.94, "359.9"},
        {course, 359.95, "0.0"}, // never 360.0
        {course, 359.9999, "0.0"},
        {course, kNaN, "-"},
        {distance, 0, "0.00"},
        {distance, 70.2423, "70.24"},
        {distance, 2.996, "3.00"},
        {distance, 10800, "10800.00"},
        {distance, kNaN, "-"},
        {distance, kInfinity, "-"},
    };
    for (const Cell& cell : cells)
        EXPECT_EQ(cell.format(cell.value), QString::fromUtf8(cell.expected)) << cell.expected;
    QLocale::setDefault(before);
}

struct Waypoint {
    double lat;
    double lon;
    const char* name;
};

// The plan's lines for a route of these waypoints.
QStringList PlanLines(const QString& caption, const std::vector<Waypoint>& waypoints)
{
    TRoute route(QString{});
    route.setCaption(caption);
    for (const Waypoint& w : waypoints)
        route.Add(w.lat, w.lon, QString::fromUtf8(w.name));
    QStringList lines;
    PassagePlan::Write(route, [&lines](const QString& line) { lines << line; });
    return lines;
}

TEST(PassagePlan, ATableRowPerWaypointWithTheLegOnward)
{
    const QStringList lines =
        PlanLines(QStringLiteral("Noord\nen oost"), {{52, 4, "Haven\tOost"}, {53, 4, "Noord"}, {53, 5, "Oost"}});
    // 60 cos 53° = 36.1089 NM along the parallel.
    EXPECT_EQ(lines, (QStringList{
                         QStringLiteral("Route: Noord<U+000A>en oost"),
                         QStringLiteral("Nr\tNaam\tBreedte\tLengte\tKoers\tAfstand\tTotaal"),
                         QStringLiteral("1\tHaven<U+0009>Oost\t52°00.000'N\t004°00.000'E\t0.0\t60.00\t0.00"),
                         QStringLiteral("2\tNoord\t53°00.000'N\t004°00.000'E\t90.0\t36.11\t60.00"),
                         QStringLiteral("3\tOost\t53°00.000'N\t005°00.000'E\t\t\t96.11"),
                         QStringLiteral("Totaal: 96.11 NM"),
                     }));
}

// A position that is none shows "-" in both of its cells, whichever half is
// out of range; so does every figure that depends on it, and the figures
// before it stay.
TEST(PassagePlan, APositionThatIsNoneShowsADash)
{
    const QStringList lines = PlanLines(QStringLiteral("Gat"), {{52, 4, "A"}, {53, 4, "B"}, {kNaN, 5, "C"},
                                                                 {95, 5, "D"}, {53, 181, "E"}, {53, 5, "F"}});
    EXPECT_EQ(lines.mid(2), (QStringList{
                                QStringLiteral("1\tA\t52°00.000'N\t004°00.000'E\t0.0\t60.00\t0.00"),
                                QStringLiteral("2\tB\t53°00.000'N\t004°00.000'E\t-\t-\t60.00"),
                                QStringLiteral("3\tC\t-\t-\t-\t-\t-"),
                                QStringLiteral("4\tD\t-\t-\t-\t-\t-"),
                                QStringLiteral("5\tE\t-\t-\t-\t-\t-"),
                                QStringLiteral("6\tF\t53°00.000'N\t005°00.000'E\t\t\t-"),
                                QStringLiteral("Totaal: - NM"),
                            }));
}

TEST(PassagePlan, ARouteWithoutWaypointsHasNoRows)
{
    EXPECT_EQ(PlanLines(QStringLiteral("Leeg"), {}), (QStringList{QStringLiteral("Route: Leeg"),
                                  QStringLiteral("Nr\tNaam\tBreedte\tLengte\tKoers\tAfstand\tTotaal"),
                                  QStringLiteral("Totaal: 0.00 NM")}));
}

} // namespace
