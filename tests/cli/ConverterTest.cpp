// The command-line converter end to end: real files in, real archives out,
// read back by independent tools.

#include "geo/uRouteLibrary.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Waypoint {
    double lat;
    double lon;
    const char* name;
};

const std::vector<Waypoint> kBiesbosch = {
    {51.7612, 4.7795, "Werkendam"}, {51.7483, 4.8012, "Steurgat"}, {51.7401, 4.8349, "Spieringsluis"}};

struct Outcome {
    int exitCode;
    QStringList out;
    QString err;
};

class Converter : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return fDir.filePath(name); }

    QString WriteRoute(const QString& name, const QString& caption, const std::vector<Waypoint>& points,
                       quint16 version = 6, bool scrambled = false) const
    {
        const QString path = Path(name);
        QDir().mkpath(QFileInfo(path).path());
        TRoute route(QString{});
        route.setCaption(caption);
        for (const Waypoint& p : points)
            route.Add(p.lat, p.lon, QString::fromUtf8(p.name))->setEncrypt(scrambled);
        EXPECT_TRUE(route.SaveToFile(path, version, false));
        return path;
    }

    QString WriteBytes(const QString& name, const QByteArray& bytes) const
    {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    static Outcome Convert(const QStringList& args)
    {
        QProcess process;
        process.start(QStringLiteral(RTE2KMZ), args);
        process.waitForFinished(60000);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        return {process.exitCode(), out.split(u'\n', Qt::SkipEmptyParts),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QStringList TargetFiles() const
    {
        return QDir(Path(QStringLiteral("out"))).entryList(QDir::Files, QDir::Name);
    }

    QString Target() const { return Path(QStringLiteral("out")); }

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(Target())); }

    QTemporaryDir fDir;
};

// What independent readers make of an archive; empty when all is well.
QString CheckArchive(const QString& kmz)
{
    QStringList problems;
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"), QStringLiteral("import sys, zipfile\n"
                                                       "z = zipfile.ZipFile(sys.argv[1])\n"
                                                       "assert z.testzip() is None\n"
                                                       "assert len(z.namelist()) == 1\n"),
                  kmz});
    python.waitForFinished();
    if (python.exitCode() != 0)
        problems << QStringLiteral("zipfile: ") + QString::fromUtf8(python.readAllStandardError());
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-tq"), kmz});
    unzip.waitForFinished();
    if (unzip.exitCode() != 0)
        problems << QStringLiteral("unzip: ") + QString::fromUtf8(unzip.readAllStandardOutput());
    return problems.join(u'\n');
}

QByteArray Unpacked(const QString& kmz)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), kmz});
    unzip.waitForFinished();
    return unzip.readAllStandardOutput();
}

QString CheckXml(const QString& kml)
{
    QProcess xmllint;
    xmllint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), kml});
    xmllint.waitForFinished();
    return xmllint.exitCode() == 0 ? QString() : QString::fromUtf8(xmllint.readAllStandardError());
}

TEST_F(Converter, ConvertsRoutesAndPassesOverOtherFiles)
{
    const QStringList files = {
        WriteRoute(QStringLiteral("a.rte"), QStringLiteral("A"), kBiesbosch),
        WriteRoute(QStringLiteral("B.RTE"), QStringLiteral("B"), kBiesbosch),
        WriteBytes(QStringLiteral("track.trk"), "ROUTE"),
        Path(QStringLiteral("missing.rte")),
        WriteBytes(QStringLiteral("notes.txt"), "x"),
        WriteRoute(QStringLiteral("c.Rte"), QStringLiteral("C"), kBiesbosch),
        WriteRoute(QStringLiteral("d.rte.bak"), QStringLiteral("D"), kBiesbosch),
    };
    const Outcome run = Convert(QStringList{QStringLiteral("--target"), Target()} + files);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, (QStringList{QStringLiteral("Route laden: a.rte"), QStringLiteral("Exporteer route: a.kmz"),
                                    QStringLiteral("Route laden: B.RTE"), QStringLiteral("Exporteer route: B.kmz"),
                                    QStringLiteral("Route laden: c.Rte"), QStringLiteral("Exporteer route: c.kmz"),
                                    QStringLiteral("Klaar. Routes [3/7] geëxporteerd.")}));
    EXPECT_EQ(TargetFiles(), (QStringList{QStringLiteral("B.kmz"), QStringLiteral("a.kmz"), QStringLiteral("c.kmz")}));
    for (const QString& kmz : TargetFiles())
        EXPECT_EQ(CheckArchive(QDir(Target()).filePath(kmz)), QString()) << kmz.toStdString();
}

TEST_F(Converter, OnlyTracksEndWithTheClosingTextAlone)
{
    const Outcome run = Convert({QStringLiteral("--target"), Target(), WriteBytes(QStringLiteral("1.trk"), "x"),
                             WriteBytes(QStringLiteral("2.trk"), "x")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringList{QStringLiteral("Klaar. Routes [0/2] geëxporteerd.")});
}

TEST_F(Converter, EmptyRoutesAreReportedWithTheirCaption)
{
    const Outcome run = Convert({QStringLiteral("--target"), Target(),
                             WriteRoute(QStringLiteral("leeg.rte"), QStringLiteral("Lege route"), {}),
                             WriteBytes(QStringLiteral("junk.rte"), "This is no route file at all")});
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.out.size(), 5);
    EXPECT_EQ(run.out.at(0), QStringLiteral("Route laden: leeg.rte"));
    EXPECT_EQ(run.out.at(1), QStringLiteral("Route Lege route leeg en overgeslagen."));
    EXPECT_EQ(run.out.at(2), QStringLiteral("Route laden: junk.rte"));
    // A file that is no route keeps the caption a new route gets.
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Route Route '\d{1,2}-\S+-\d\d \(\d\d:\d\d\)' leeg en overgeslagen\.$)"))
                    .match(run.out.at(3))
                    .hasMatch())
        << run.out.at(3).toStdString();
    EXPECT_EQ(run.out.at(4), QStringLiteral("Klaar. Routes [0/2] geëxporteerd."));
    EXPECT_TRUE(TargetFiles().isEmpty());
}

TEST_F(Converter, KeptKmlIsUtf8WithCrLfAndMatchesTheArchive)
{
    const QString route = WriteRoute(QStringLiteral("Haven.rte"), QStringLiteral("Geëxporteerd & <zo>"), kBiesbosch);
    const Outcome run = Convert({QStringLiteral("--keep-kml"), QStringLiteral("--target"), Target(), route});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(TargetFiles(), (QStringList{QStringLiteral("Haven.kml"), QStringLiteral("Haven.kmz")}));

    QFile kml(QDir(Target()).filePath(QStringLiteral("Haven.kml")));
    ASSERT_TRUE(kml.open(QIODevice::ReadOnly));
    const QByteArray bytes = kml.readAll();
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\""));
    EXPECT_TRUE(bytes.endsWith("</kml>\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    EXPECT_EQ(bytes.count('\r'), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.contains("<kovaltnv:name>Ge\xC3\xABxporteerd &amp; &lt;zo&gt;</kovaltnv:name>"));
    EXPECT_TRUE(bytes.contains("<coordinates>4.7795,51.7612\r\n4.8012,51.7483\r\n4.8349,51.7401\r\n</coordinates>"));
    EXPECT_EQ(CheckXml(kml.fileName()), QString());

    const QString kmz = QDir(Target()).filePath(QStringLiteral("Haven.kmz"));
    EXPECT_EQ(CheckArchive(kmz), QString());
    EXPECT_EQ(Unpacked(kmz), bytes);
}

TEST_F(Converter, OldVersionsAndScrambledTextsConvert)
{
    const Outcome run = Convert({QStringLiteral("--keep-kml"), QStringLiteral("--target"), Target(),
                             WriteRoute(QStringLiteral("oud.rte"), QStringLiteral("Oud"), kBiesbosch, 0),
                             WriteRoute(QStringLiteral("v3.rte"), QStringLiteral("Drie"), kBiesbosch, 3),
                             WriteRoute(QStringLiteral("geheim.rte"), QStringLiteral("Geheim"), kBiesbosch, 6, true)});
    EXPECT_EQ(run.out.last(), QStringLiteral("Klaar. Routes [3/3] geëxporteerd."));
    for (const char* name : {"oud", "v3", "geheim"}) {
        const QByteArray kml = Unpacked(QDir(Target()).filePath(QLatin1String(name) + QStringLiteral(".kmz")));
        EXPECT_TRUE(kml.contains("<coordinates>4.7795,51.7612\r\n")) << name;
    }
}

TEST_F(Converter, ExistingFilesAreReplaced)
{
    WriteBytes(QStringLiteral("out/Haven.kmz"), QByteArray(100000, 'x'));
    WriteBytes(QStringLiteral("out/Haven.kml"), "old");
    const Outcome run = Convert({QStringLiteral("--target"), Target(),
                             WriteRoute(QStringLiteral("Haven.rte"), QStringLiteral("Haven"), kBiesbosch)});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(TargetFiles(), QStringList{QStringLiteral("Haven.kmz")});
    EXPECT_EQ(CheckArchive(QDir(Target()).filePath(QStringLiteral("Haven.kmz"))), QString());
}

TEST_F(Converter, TheSecondOfTwoSameNamedRoutesWins)
{
    const QString first = WriteRoute(QStringLiteral("one/x.rte"), QStringLiteral("Een"), {kBiesbosch[0], kBiesbosch[1]});
    const QString second = WriteRoute(QStringLiteral("two/x.rte"), QStringLiteral("Twee"), kBiesbosch);
    const Outcome run = Convert({QStringLiteral("--target"), Target(), first, second});
    EXPECT_EQ(run.out.last(), QStringLiteral("Klaar. Routes [2/2] geëxporteerd."));
    EXPECT_TRUE(Unpacked(QDir(Target()).filePath(QStringLiteral("x.kmz"))).contains("<name>Twee ("));
}

TEST_F(Converter, ATargetThatCannotBeWrittenEndsTheRun)
{
    WriteBytes(QStringLiteral("in-the-way"), "a file where the folder should be");
    const QString route = WriteRoute(QStringLiteral("a.rte"), QStringLiteral("A"), kBiesbosch);
    for (const QString& target : {Path(QStringLiteral("missing/folder")), Path(QStringLiteral("in-the-way"))}) {
        const Outcome run = Convert({QStringLiteral("--target"), target, route, route});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, QStringList{QStringLiteral("Route laden: a.rte")});
        const QString prefix = QStringLiteral("Cannot create file \"%1/a.kml\". ").arg(target);
        EXPECT_TRUE(run.err.startsWith(prefix)) << run.err.toStdString();
        EXPECT_TRUE(run.err.endsWith(QStringLiteral(".\n"))) << run.err.toStdString();
        EXPECT_GT(run.err.size(), prefix.size() + 2); // the system's reason
    }
}

TEST_F(Converter, UsageHelpAndVersion)
{
    struct Row {
        QStringList args;
        int exitCode;
        const char* expected; // in stdout for 0, stderr otherwise
    };
    const Row rows[] = {
        {{}, 2, "Usage: rte2kmz [--keep-kml] [--target DIR] FILE..."},
        {{QStringLiteral("--target")}, 2, "Usage: rte2kmz"},
        {{QStringLiteral("--bogus"), QStringLiteral("a.rte")}, 2, "unknown option --bogus"},
        {{QStringLiteral("--help")}, 0, "Usage: rte2kmz [--keep-kml] [--target DIR] FILE..."},
        {{QStringLiteral("--version")}, 0, "rte2kmz 1.0.0"},
    };
    for (const Row& row : rows) {
        const Outcome run = Convert(row.args);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.args.join(u' ').toStdString();
        const QString shown = row.exitCode == 0 ? run.out.join(u'\n') : run.err;
        EXPECT_TRUE(shown.contains(QString::fromUtf8(row.expected))) << shown.toStdString();
    }
}

} // namespace
