// rte2kmz --plan end to end: routes written by our own writer, the printed
// figures checked against a rhumb-line computation of the test's own.

#include "ConverterRun.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kRadian = 180 / std::numbers::pi;

struct Rhumb {
    double course;   // degrees true, 0 <= course < 360
    double distance; // nautical miles, a minute of arc each
};

// The rhumb line on a sphere, in radians until the end.
Rhumb RhumbLine(const Waypoint& a, const Waypoint& b)
{
    const double phiA = a.lat / kRadian;
    const double phiB = b.lat / kRadian;
    double dLambda = (b.lon - a.lon) / kRadian;
    if (std::fabs(dLambda) > std::numbers::pi)
        dLambda -= std::copysign(2 * std::numbers::pi, dLambda);
    const double dPsi = std::log(std::tan(std::numbers::pi / 4 + phiB / 2) / std::tan(std::numbers::pi / 4 + phiA / 2));
    const double q = std::fabs(dPsi) > 1e-12 ? (phiB - phiA) / dPsi : std::cos(phiA);
    const double course = std::fmod(std::atan2(dLambda, dPsi) * kRadian + 360, 360);
    return {course, std::hypot(phiB - phiA, q * dLambda) * kRadian * 60};
}

// Degrees from "52°22.500'N" or "004°53.400'E".
double Degrees(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{2,3})°(\\d{2}\\.\\d{3})'([NESW])$"));
    const auto match = form.match(text);
    EXPECT_TRUE(match.hasMatch()) << text.toStdString();
    const double value = match.captured(1).toDouble() + match.captured(2).toDouble() / 60;
    return match.captured(3) == u"S" || match.captured(3) == u"W" ? -value : value;
}

// The printed digits agree with the figure to within half their last place.
void ExpectPrinted(const QString& text, double figure, double halfPlace, const char* what)
{
    bool ok = false;
    const double printed = text.toDouble(&ok);
    ASSERT_TRUE(ok) << what << ": " << text.toStdString();
    EXPECT_LE(std::fabs(printed - figure), halfPlace + 1e-9) << what << ": " << text.toStdString() << " for " << figure;
}

// Checks one route's plan, its lines from `lines`, against the waypoints.
void ExpectPlan(const QStringList& lines, const QString& caption, const std::vector<Waypoint>& points)
{
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(points.size()) + 3) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.at(0), QStringLiteral("Route: ") + caption);
    EXPECT_EQ(lines.at(1), QStringLiteral("Nr\tNaam\tBreedte\tLengte\tKoers\tAfstand\tTotaal"));
    double run = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const QStringList cells = lines.at(static_cast<qsizetype>(i) + 2).split(u'\t');
        ASSERT_EQ(cells.size(), 7) << lines.at(static_cast<qsizetype>(i) + 2).toStdString();
        EXPECT_EQ(cells.at(0), QString::number(i + 1));
        EXPECT_EQ(cells.at(1), QString::fromUtf8(points[i].name));
        EXPECT_NEAR(Degrees(cells.at(2)), points[i].lat, 0.0005 / 60 + 1e-12);
        EXPECT_NEAR(Degrees(cells.at(3)), points[i].lon, 0.0005 / 60 + 1e-12);
        ExpectPrinted(cells.at(6), run, 0.005, "from the start");
        if (i + 1 == points.size()) {
            EXPECT_EQ(cells.at(4), QString());
            EXPECT_EQ(cells.at(5), QString());
            break;
        }
        const Rhumb leg = RhumbLine(points[i], points[i + 1]);
        // A course just below 360 may print as 0.0.
        ExpectPrinted(cells.at(4), leg.course > 359.95 ? leg.course - 360 : leg.course, 0.05, "course");
        ExpectPrinted(cells.at(5), leg.distance, 0.005, "distance");
        run += leg.distance;
    }
    const QString total = lines.last();
    ASSERT_TRUE(total.startsWith(QStringLiteral("Totaal: ")) && total.endsWith(QStringLiteral(" NM")))
        << total.toStdString();
    ExpectPrinted(total.mid(8).chopped(3), run, 0.005, "total");
}

using PassagePlanRun = ConverterTestBase;

const std::vector<Waypoint> kAcrossTheDateLine = {
    {-16.5, 179.5, "Zuid"}, {-16.0, -179.75, "Over de lijn"}, {-15.0, -179.75, "Noord"}, {-15.0, 178.25, "West"}};

const std::vector<Waypoint> kAllBearings = {{52.0, 4.0, "Start"}, {53.0, 5.0, "NO"}, {52.0, 6.0, "ZO"},
                                            {51.0, 5.0, "ZW"},    {52.0, 4.0, "NW"}, {52.0, 4.0, "Stil"},
                                            {52.0, 3.0, "W"},     {51.9999999, 3.0, "Z"}, {59.9999, -0.5, "Ver"}};

TEST_F(PassagePlanRun, PrintsEveryRouteAndWritesNothing)
{
    const QStringList files = {
        WriteRoute(QStringLiteral("biesbosch.rte"), QStringLiteral("Biesbosch"), kBiesbosch),
        WriteRoute(QStringLiteral("lijn.RTE"), QStringLiteral("Datumgrens"), kAcrossTheDateLine, 3),
        WriteRoute(QStringLiteral("alles.rte"), QStringLiteral("Alle koersen"), kAllBearings, 6, true),
    };
    const QMap<QString, QByteArray> before = Contents(fDir.path());
    const Outcome run = RunConverter(QStringList{QStringLiteral("--plan")} + files);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, QString());
    EXPECT_EQ(Contents(fDir.path()), before);

    const QStringList plans = run.outText.split(QStringLiteral("\n\n"));
    ASSERT_EQ(plans.size(), 3) << run.outText.toStdString();
    ASSERT_TRUE(plans.last().endsWith(u'\n'));
    ExpectPlan(plans.at(0).split(u'\n'), QStringLiteral("Biesbosch"), kBiesbosch);
    ExpectPlan(plans.at(1).split(u'\n'), QStringLiteral("Datumgrens"), kAcrossTheDateLine);
    ExpectPlan(plans.at(2).chopped(1).split(u'\n'), QStringLiteral("Alle koersen"), kAllBearings);
}

// Files are passed over as the conversion passes them over, damage is warned
// of alike, and what was read is planned.
TEST_F(PassagePlanRun, PassesOverAndWarnsAsTheConversionDoes)
{
    const QString sound = WriteRoute(QStringLiteral("heel.rte"), QStringLiteral("Heel"), kBiesbosch);
    const QString cut = WriteRoute(QStringLiteral("kort.rte"), QStringLiteral("Kort"), kBiesbosch);
    const QByteArray bytes = ReadFile(cut);
    WriteFile(QStringLiteral("kort.rte"), bytes.left(bytes.size() - 5));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path(QStringLiteral("pijp.rte"))).constData(), 0644), 0);
    const QStringList files = {sound,
                               Path(QStringLiteral("missing.rte")),
                               WriteFile(QStringLiteral("track.trk"), "ROUTE"),
                               Path(QStringLiteral("pijp.rte")),
                               WriteFile(QStringLiteral("junk.rte"), "This is no route file at all"),
                               WriteRoute(QStringLiteral("leeg.rte"), QStringLiteral("Leeg"), {}),
                               cut};

    const Outcome plan = RunConverter(QStringList{QStringLiteral("--plan")} + files);
    const Outcome convert = RunConverter(QStringList{QStringLiteral("--target"), Target()} + files);

    EXPECT_EQ(plan.exitCode, 3);
    EXPECT_EQ(plan.exitCode, convert.exitCode);
    EXPECT_EQ(plan.err, convert.err);
    EXPECT_EQ(plan.err, QStringLiteral("rte2kmz: passed over \"%1\": it does not exist\n"
                                       "rte2kmz: passed over \"%2\": its extension is not .rte\n"
                                       "rte2kmz: passed over \"%3\": it is not a regular file\n"
                                       "rte2kmz: passed over \"%4\": it is no route file\n"
                                       "Route \"%5\" is beschadigd: 2 van de 3 waypoints overgenomen.\n")
                            .arg(files[1], files[2], files[3], files[4], cut));
    const QStringList plans = plan.outText.split(QStringLiteral("\n\n"));
    ASSERT_EQ(plans.size(), 3) << plan.outText.toStdString();
    ExpectPlan(plans.at(0).split(u'\n'), QStringLiteral("Heel"), kBiesbosch);
    ExpectPlan(plans.at(1).split(u'\n'), QStringLiteral("Leeg"), {});
    ExpectPlan(plans.at(2).chopped(1).split(u'\n'), QStringLiteral("Kort"), {kBiesbosch[0], kBiesbosch[1]});
}

} // namespace
