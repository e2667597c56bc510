#include "support/LibraryTree.h"

#include "geo/uRouteLibrary.h"
#include "util/uFileUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

std::vector<TLatLon> Points(int count, double start)
{
    std::vector<TLatLon> points;
    for (int i = 0; i < count; ++i)
        points.push_back({start + i / 100.0, 4 + i / 50.0});
    return points;
}

// A layer file of the points; one whose file kind is not "ROUTE" is no route.
void WriteLayer(const QString& path, const std::vector<TLatLon>& points, const QByteArray& kind = "ROUTE")
{
    EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    TRoute route{QString()};
    route.setCaption(QFileInfo(path).completeBaseName());
    route.SetFileVersion_FileID(kind);
    for (const TLatLon& point : points)
        route.Add(point.lat, point.lon);
    EXPECT_TRUE(route.SaveToFile(path, 6, false)) << path.toStdString();
}

void WriteText(const QString& path, const QByteArray& bytes)
{
    EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
}

} // namespace

TLibraryTree::TLibraryTree(const QString& folder) : fLibrary(QDir(folder).filePath(QStringLiteral("routes")))
{
    fRouteFiles = {
        {QStringLiteral("2019/Zomer/Dag 1.rte"), Points(3, 51.0)},
        {QStringLiteral("2019/Zomer.RTE"), Points(2, 51.5)},
        {QStringLiteral("2019 b/Haven.rte"), Points(4, 52.0)},
        {QStringLiteral("Bakens.rte"), {}, false},
        {QStringLiteral("Link.rte"), Points(2, 53.0)},
        {QStringLiteral("Stil.Rte"), {}},
    };
    for (const TRouteFile& file : fRouteFiles) {
        if (file.relative == u"Link.rte")
            continue;
        WriteLayer(Path(file.relative), file.isRoute ? file.points : Points(3, 50.0),
                   file.isRoute ? QByteArrayLiteral("ROUTE") : QByteArrayLiteral("MARKS"));
    }
    const QString elsewhere = QDir(folder).filePath(QStringLiteral("elders/Ver.rte"));
    WriteLayer(elsewhere, fRouteFiles[4].points);
    EXPECT_TRUE(QFile::link(elsewhere, Path(QStringLiteral("Link.rte"))));
    EXPECT_TRUE(QFile::link(fLibrary, Path(QStringLiteral("lus"))));
    EXPECT_TRUE(QDir().mkpath(Path(QStringLiteral("Leeg"))));
    WriteText(Path(QStringLiteral("notities.txt")), "Zomer 2019: Dag 1 met wind uit het westen.\n");
    WriteText(Path(QStringLiteral("2019/Zomer.kml")), "<kml/>");
}

QStringList TLibraryTree::Archives() const
{
    QStringList archives;
    for (const TRouteFile& file : fRouteFiles) {
        if (!file.points.empty())
            archives << ChangeFileExt(file.relative, QStringLiteral(".kmz"));
    }
    return archives;
}
