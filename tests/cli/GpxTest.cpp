// rte2kmz --gpx end to end: every .gpx is valid against the published GPX 1.1
// schema and reads back, point by point, in readers we did not write.

#include "ConverterRun.h"

#include "geo/uRouteLibrary.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// The points the .gpx of a route file must hold: the waypoints our loader
// reads, those with a valid position, with 180 written as -180.
std::vector<TNamedLatLon> GpxPoints(const QString& rte)
{
    TRoute route(QString{});
    EXPECT_TRUE(route.LoadFromFile(rte)) << rte.toStdString();
    std::vector<TNamedLatLon> points;
    for (int i = 0; i < route.Count(); ++i) {
        const TWaypoint& p = *route.Waypoint(i);
        if (std::isfinite(p.Latitude()) && std::isfinite(p.Longitude()) && std::abs(p.Latitude()) <= 90
            && std::abs(p.Longitude()) <= 180)
            points.push_back({p.Caption(), p.Latitude(), p.Longitude() == 180 ? -180 : p.Longitude()});
    }
    return points;
}

class Gpx : public ConverterTestBase {
protected:
    QString In(const QString& folder, const QString& name) const { return QDir(folder).filePath(name); }

    // Every .gpx in the target folder against its route file in `sources`.
    void ExpectReadersAgree(const QStringList& sources) const
    {
        for (const QString& rte : sources) {
            const QString gpx = In(Target(), QFileInfo(rte).completeBaseName() + QStringLiteral(".gpx"));
            EXPECT_EQ(GpxProblems(gpx, GpxPoints(rte)), QString()) << gpx.toStdString();
        }
    }
};

const std::vector<Waypoint> kFine = {
    {0.00001, 1e-7, "Klein & <fijn>"},           {-0.5, 180, "Datumgrens"},
    {51.123456789, -179.99999999999997, "Ver"}, {0.30000000000000004, 4.000000000000001, "Zeventien"},
    {-89.99999999999999, 0, ""},      {5.551115123125783e-17, -1e-300, "Stof"},
};

TEST_F(Gpx, EveryExportedRouteGetsItsGpxAndTheStatusLinesStayTheSame)
{
    const QStringList routes = {
        WriteRoute(QStringLiteral("Haven.rte"), QStringLiteral("Haven"), kBiesbosch),
        WriteRoute(QStringLiteral("Fijn.RTE"), QStringLiteral("Fijn \"en\" 'klein'"), kFine),
        WriteRoute(QStringLiteral("oud.rte"), QStringLiteral("Oud"), kBiesbosch, 0),
        WriteRoute(QStringLiteral("geheim.rte"), QStringLiteral("Geheim"), kBiesbosch, 6, true),
    };
    const QStringList others = {WriteRoute(QStringLiteral("leeg.rte"), QStringLiteral("Leeg"), {}),
                                WriteFile(QStringLiteral("spoor.trk"), "x")};
    const QString plain = Path(QStringLiteral("zonder"));
    ASSERT_TRUE(QDir().mkpath(plain));

    const Outcome without = RunConverter(QStringList{QStringLiteral("--target"), plain} + routes + others);
    const Outcome with = RunConverter(QStringList{QStringLiteral("--gpx"), QStringLiteral("--target"), Target()} + routes + others);

    EXPECT_EQ(with.exitCode, 3);
    EXPECT_EQ(with.out, without.out);
    EXPECT_EQ(with.err, without.err);
    EXPECT_EQ(TargetFiles(), (QStringList{QStringLiteral("Fijn.gpx"), QStringLiteral("Fijn.kmz"),
                                          QStringLiteral("Haven.gpx"), QStringLiteral("Haven.kmz"),
                                          QStringLiteral("geheim.gpx"), QStringLiteral("geheim.kmz"),
                                          QStringLiteral("oud.gpx"), QStringLiteral("oud.kmz")}));
    // The documents, not the archives' bytes: an entry's time stamp has two
    // seconds' grain, and the two runs may fall on either side of a step.
    for (const QString& kmz : QDir(plain).entryList(QDir::Files))
        EXPECT_EQ(Unpacked(In(plain, kmz)), Unpacked(In(Target(), kmz))) << kmz.toStdString();
    ExpectReadersAgree(routes);
    const QByteArray fine = ReadFile(In(Target(), QStringLiteral("Fijn.gpx")));
    EXPECT_TRUE(fine.contains("<rtept lat=\"0.00001\" lon=\"0.0000001\">")) << fine.toStdString();
    EXPECT_TRUE(fine.contains("<rtept lat=\"-0.5\" lon=\"-180\">")) << fine.toStdString();
    EXPECT_TRUE(fine.contains("<rtept lat=\"0\" lon=\"0\">")) << fine.toStdString();
}

TEST_F(Gpx, TheExampleRoutesReadBackInEveryReader)
{
    const QStringList examples = QDir(QStringLiteral(EXAMPLES_DIR)).entryList({QStringLiteral("*.rte")}, QDir::Files);
    ASSERT_FALSE(examples.isEmpty());
    QStringList paths;
    for (const QString& name : examples)
        paths << In(QStringLiteral(EXAMPLES_DIR), name);
    const Outcome run = RunConverter(QStringList{QStringLiteral("--gpx"), QStringLiteral("--target"), Target()} + paths);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList exported;
    for (const QString& path : paths) {
        if (!GpxPoints(path).empty())
            exported << path;
        else
            EXPECT_FALSE(QFileInfo::exists(In(Target(), QFileInfo(path).completeBaseName() + QStringLiteral(".gpx"))));
    }
    ASSERT_FALSE(exported.isEmpty());
    ExpectReadersAgree(exported);
}

// The archive keeps every waypoint as ever; the .gpx only those it can
// carry, and one warning line tells how many it left out.
TEST_F(Gpx, WaypointsWithoutAValidPositionAreLeftOutWithAWarning)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QString route = WriteRoute(QStringLiteral("Mis.rte"), QStringLiteral("Mis"),
                                     {{51.7612, 4.7795, "Goed"}, {nan, 4, "Geen"}, {95, 4, "Noord"},
                                      {52, -181, "West"}, {-90, 180, "Ook goed"}});
    const QString one = WriteRoute(QStringLiteral("Een.rte"), QStringLiteral("Een"), {{52, 4, "a"}, {52, 1e300, "b"}});
    const Outcome run = RunConverter(
        {QStringLiteral("--gpx"), QStringLiteral("--keep-kml"), QStringLiteral("--target"), Target(), route, one});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, QStringLiteral("Route \"%1\": 3 waypoints zonder geldige positie zijn niet in het GPX bestand "
                                      "opgenomen.\n"
                                      "Route \"%2\": 1 waypoint zonder geldige positie is niet in het GPX bestand "
                                      "opgenomen.\n")
                           .arg(route, one));
    EXPECT_EQ(GpxProblems(In(Target(), QStringLiteral("Mis.gpx")), {{QStringLiteral("Goed"), 51.7612, 4.7795},
                                                                     {QStringLiteral("Ook goed"), -90, -180}}),
              QString());
    const QByteArray kml = ReadFile(In(Target(), QStringLiteral("Mis.kml")));
    const qsizetype coordinates = kml.indexOf("<coordinates>");
    EXPECT_EQ(kml.mid(coordinates, kml.indexOf("</coordinates>") - coordinates).count("\r\n"), 5) << kml.toStdString();
}

// The .gpx is written like the archive: an error names it, and nothing of
// it is left.
TEST_F(Gpx, AGpxThatCannotBeWrittenEndsTheRunNamingIt)
{
    const QString route = WriteRoute(QStringLiteral("Haven.rte"), QStringLiteral("Haven"), kBiesbosch);
    const QString gpx = In(Target(), QStringLiteral("Haven.gpx"));
    ASSERT_TRUE(QDir().mkpath(gpx));
    WriteFile(QStringLiteral("out/Haven.gpx/eigen.txt"), "the user's own");
    const Outcome run = RunConverter({QStringLiteral("--gpx"), QStringLiteral("--target"), Target(), route});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(gpx))) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringList{QStringLiteral("Route laden: Haven.rte")});
    // No temporary name is left; the folder of that name keeps its file.
    EXPECT_EQ(Contents(Target()).keys(), (QStringList{QStringLiteral("Haven.gpx"), QStringLiteral("Haven.kmz")}));
    EXPECT_TRUE(QFileInfo(gpx).isDir());
    EXPECT_EQ(ReadFile(In(gpx, QStringLiteral("eigen.txt"))), QByteArray("the user's own"));
    EXPECT_EQ(ArchiveProblems(In(Target(), QStringLiteral("Haven.kmz")), Line(kBiesbosch)), QString());
}

} // namespace
