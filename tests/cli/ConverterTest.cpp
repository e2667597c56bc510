// The command-line converter end to end: real files in, real archives out,
// read back by independent tools.

#include "ConverterRun.h"

#include "convert/uConversionRun.h"

#include "platform/Error.h"
#include "platform/FileAttributes.h"
#include "support/FileSizeLimit.h"
#include "support/TestSupport.h"
#include "support/ZipReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <ostream>
#include <vector>

namespace {

class Converter : public ConverterTestBase {
protected:
    // `inChild` runs in the child before the converter starts; `runAs` is a
    // command that starts the converter under another user.
    static Outcome Convert(const QStringList& args, const std::function<void()>& inChild = {},
                           const QStringList& runAs = {})
    {
        return RunConverter(
            args,
            [&inChild](QProcess& process) {
                if (inChild)
                    process.setChildProcessModifier(inChild);
            },
            runAs);
    }
};

TEST_F(Converter, ConvertsRoutesAndPassesOverOtherFiles)
{
    const QStringList files = {
        WriteRoute(QStringLiteral("a.rte"), QStringLiteral("A"), kBiesbosch),
        WriteRoute(QStringLiteral("B.RTE"), QStringLiteral("B"), kBiesbosch),
        WriteFile(QStringLiteral("track.trk"), "ROUTE"),
        Path(QStringLiteral("missing.rte")),
        WriteFile(QStringLiteral("notes.txt"), "x"),
        WriteRoute(QStringLiteral("c.Rte"), QStringLiteral("C"), kBiesbosch),
        WriteRoute(QStringLiteral("d.rte.bak"), QStringLiteral("D"), kBiesbosch),
    };
    const Outcome run = Convert(QStringList{QStringLiteral("--target"), Target()} + files);
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_EQ(run.err, QStringLiteral("rte2kmz: passed over \"%1\": its extension is not .rte\n"
                                      "rte2kmz: passed over \"%2\": it does not exist\n"
                                      "rte2kmz: passed over \"%3\": its extension is not .rte\n"
                                      "rte2kmz: passed over \"%4\": its extension is not .rte\n")
                           .arg(files[2], files[3], files[4], files[6]));
    EXPECT_EQ(run.out, (QStringList{QStringLiteral("Route laden: a.rte"), QStringLiteral("Exporteer route: a.kmz"),
                                    QStringLiteral("Route laden: B.RTE"), QStringLiteral("Exporteer route: B.kmz"),
                                    QStringLiteral("Route laden: c.Rte"), QStringLiteral("Exporteer route: c.kmz"),
                                    QStringLiteral("Klaar. Routes [3/7] geëxporteerd.")}));
    EXPECT_EQ(TargetFiles(), (QStringList{QStringLiteral("B.kmz"), QStringLiteral("a.kmz"), QStringLiteral("c.kmz")}));
    for (const QString& kmz : TargetFiles())
        EXPECT_EQ(ArchiveProblems(QDir(Target()).filePath(kmz), Line(kBiesbosch)), QString()) << kmz.toStdString();
}

TEST_F(Converter, OnlyTracksEndWithTheClosingTextAlone)
{
    const Outcome run = Convert({QStringLiteral("--target"), Target(), WriteFile(QStringLiteral("1.trk"), "x"),
                             WriteFile(QStringLiteral("2.trk"), "x")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out, QStringList{QStringLiteral("Klaar. Routes [0/2] geëxporteerd.")});
}

TEST_F(Converter, EmptyRoutesAreReportedWithTheirCaption)
{
    const Outcome run = Convert({QStringLiteral("--target"), Target(),
                             WriteRoute(QStringLiteral("leeg.rte"), QStringLiteral("Lege route"), {}),
                             WriteFile(QStringLiteral("junk.rte"), "This is no route file at all")});
    // The empty route is no failure; the file that is no route is.
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, QStringLiteral("rte2kmz: passed over \"%1\": it is no route file\n").arg(Path(QStringLiteral("junk.rte"))));
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

TEST_F(Converter, EveryStatusIsOneWholeLineWhateverTheCaptionOrNameHolds)
{
    const QStringList files = {
        WriteRoute(QStringLiteral("nul.rte"), QStringLiteral("A\u0000B"), {}),
        WriteRoute(QStringLiteral("regels.rte"), QStringLiteral("C\r\nD\rE\nF"), {}),
        WriteRoute(QStringLiteral("overig.rte"), QStringLiteral("\tG\u001F\u007F\u0081H\u00EB"), {}),
        WriteRoute(QStringLiteral("naam\nmet\rbreuk.rte"), QStringLiteral("I"), kBiesbosch),
    };
    const Outcome run = Convert(QStringList{QStringLiteral("--target"), Target()} + files);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, (QStringList{
                           QStringLiteral("Route laden: nul.rte"),
                           QStringLiteral("Route A<U+0000>B leeg en overgeslagen."),
                           QStringLiteral("Route laden: regels.rte"),
                           QStringLiteral("Route C<U+000D><U+000A>D<U+000D>E<U+000A>F leeg en overgeslagen."),
                           QStringLiteral("Route laden: overig.rte"),
                           QStringLiteral("Route <U+0009>G<U+001F><U+007F><U+0081>H\u00EB leeg en overgeslagen."),
                           QStringLiteral("Route laden: naam<U+000A>met<U+000D>breuk.rte"),
                           QStringLiteral("Exporteer route: naam<U+000A>met<U+000D>breuk.kmz"),
                           QStringLiteral("Klaar. Routes [1/4] geëxporteerd."),
                       }));
    EXPECT_EQ(run.err, QString());
}

// A damaged route is converted as far as it can be read, with one warning
// naming the file and both counts; standard output and the exit status are
// as for a sound route.
TEST_F(Converter, ADamagedRouteIsConvertedAndWarnedAbout)
{
    const QString sound = WriteRoute(QStringLiteral("heel.rte"), QStringLiteral("Heel"), kBiesbosch);
    const QString cut = WriteRoute(QStringLiteral("kort.rte"), QStringLiteral("Kort"), kBiesbosch);
    const QByteArray bytes = ReadFile(cut);
    WriteFile(QStringLiteral("kort.rte"), bytes.left(bytes.size() - 5));
    const QString header = WriteFile(QStringLiteral("kop.rte"), bytes.left(60));

    const Outcome run = Convert({QStringLiteral("--target"), Target(), sound, cut, header});

    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.out.size(), 7);
    EXPECT_EQ(run.out.at(3), QStringLiteral("Exporteer route: kort.kmz"));
    EXPECT_EQ(run.out.at(6), QStringLiteral("Klaar. Routes [2/3] geëxporteerd."));
    EXPECT_EQ(run.err, QStringLiteral("Route \"%1\" is beschadigd: 2 van de 3 waypoints overgenomen.\n"
                                      "Route \"%2\" is beschadigd: 0 waypoints overgenomen; het aantal in het "
                                      "bestand is onleesbaar.\n")
                           .arg(cut, header));
    EXPECT_EQ(ArchiveProblems(QDir(Target()).filePath(QStringLiteral("kort.kmz")), Line({kBiesbosch[0], kBiesbosch[1]})),
              QString());
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
    EXPECT_EQ(XmlProblems(kml.fileName()), QString());

    const QString kmz = QDir(Target()).filePath(QStringLiteral("Haven.kmz"));
    EXPECT_EQ(ArchiveProblems(kmz, Line(kBiesbosch)), QString());
    EXPECT_EQ(Unpacked(kmz), bytes);
}

// The entry has its document's time and attributes: a kept file's own, else
// those of a file made as the document was finished.
TEST_F(Converter, TheEntryIsStampedAsItsDocument)
{
    const QString route = WriteRoute(QStringLiteral("Haven.rte"), QStringLiteral("Haven"), kBiesbosch);
    const QString kmz = QDir(Target()).filePath(QStringLiteral("Haven.kmz"));
    const QString kml = QDir(Target()).filePath(QStringLiteral("Haven.kml"));
    const auto packed = [](TDosDateTime t) { return quint32(t.Date) << 16 | t.Time; };

    const quint32 before = packed(DosDateTimeOf(QDateTime::currentDateTime()));
    ASSERT_EQ(Convert({QStringLiteral("--target"), Target(), route}).exitCode, 0);
    const quint32 after = packed(DosDateTimeOf(QDateTime::currentDateTime()));
    const TZipEntry made = ReadSingleEntry(ReadFile(kmz));
    EXPECT_EQ(made.ExternalAttributes, 0x20u);
    EXPECT_GE(packed(made.Stamp), before);
    EXPECT_LE(packed(made.Stamp), after);

    ASSERT_EQ(Convert({QStringLiteral("--keep-kml"), QStringLiteral("--target"), Target(), route}).exitCode, 0);
    const TZipEntry kept = ReadSingleEntry(ReadFile(kmz));
    EXPECT_EQ(kept.ExternalAttributes, WindowsFileAttributes(kml));
    EXPECT_EQ(kept.Stamp, DosDateTimeOf(QFileInfo(kml).lastModified()));
}

TEST_F(Converter, OldVersionsAndScrambledTextsConvert)
{
    const Outcome run = Convert({QStringLiteral("--keep-kml"), QStringLiteral("--target"), Target(),
                             WriteRoute(QStringLiteral("oud.rte"), QStringLiteral("Oud"), kBiesbosch, 0),
                             WriteRoute(QStringLiteral("v3.rte"), QStringLiteral("Drie"), kBiesbosch, 3),
                             WriteRoute(QStringLiteral("geheim.rte"), QStringLiteral("Geheim"), kBiesbosch, 6, true)});
    EXPECT_EQ(run.out.last(), QStringLiteral("Klaar. Routes [3/3] geëxporteerd."));
    for (const char* name : {"oud", "v3", "geheim"}) {
        const QString kmz = QDir(Target()).filePath(QLatin1String(name) + QStringLiteral(".kmz"));
        EXPECT_EQ(ArchiveProblems(kmz, Line(kBiesbosch)), QString()) << name;
        EXPECT_EQ(XmlProblems(QDir(Target()).filePath(QLatin1String(name) + QStringLiteral(".kml"))), QString())
            << name;
    }
}

// The archive replaces an earlier one; a .kml that is not kept is the run's
// own and never touches the user's file of that name.
TEST_F(Converter, AnExistingArchiveIsReplacedAndTheUsersKmlLeftAlone)
{
    const QString route = WriteRoute(QStringLiteral("Haven.rte"), QStringLiteral("Haven"), kBiesbosch);
    WriteFile(QStringLiteral("out/Haven.kmz"), QByteArray(100000, 'x'));
    WriteFile(QStringLiteral("out/Haven.kml"), "the user's own");
    const Outcome run = Convert({QStringLiteral("--target"), Target(), route});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(TargetFiles(), (QStringList{QStringLiteral("Haven.kml"), QStringLiteral("Haven.kmz")}));
    EXPECT_EQ(ReadFile(QDir(Target()).filePath(QStringLiteral("Haven.kml"))), QByteArray("the user's own"));
    EXPECT_EQ(ArchiveProblems(QDir(Target()).filePath(QStringLiteral("Haven.kmz")), Line(kBiesbosch)), QString());

    // Kept, the document replaces the user's as asked.
    EXPECT_EQ(Convert({QStringLiteral("--keep-kml"), QStringLiteral("--target"), Target(), route}).exitCode, 0);
    EXPECT_EQ(Unpacked(QDir(Target()).filePath(QStringLiteral("Haven.kmz"))),
              ReadFile(QDir(Target()).filePath(QStringLiteral("Haven.kml"))));
}

// Two route files with one archive name: the second archive replaces the
// first, with a warning naming both files; the run goes on as ever.
TEST_F(Converter, TheSecondOfTwoSameNamedRoutesWinsWithAWarning)
{
    const QString first = WriteRoute(QStringLiteral("one/x.rte"), QStringLiteral("Een"), {kBiesbosch[0], kBiesbosch[1]});
    const QString second = WriteRoute(QStringLiteral("two/x.rte"), QStringLiteral("Twee"), kBiesbosch);
    const QString third = WriteRoute(QStringLiteral("two/x.RTE"), QStringLiteral("Drie"), kBiesbosch);
    const QString kmz = QDir(Target()).filePath(QStringLiteral("x.kmz"));

    const Outcome run = Convert({QStringLiteral("--target"), Target(), first, second, third});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.last(), QStringLiteral("Klaar. Routes [3/3] geëxporteerd."));
    EXPECT_EQ(run.err, ReplacedArchiveWarning(kmz, first, second) + u'\n' + ReplacedArchiveWarning(kmz, second, third)
                           + u'\n');
    EXPECT_EQ(ReplacedArchiveWarning(kmz, first, second),
              QStringLiteral("Archief \"%1\" van \"%2\" wordt vervangen door dat van \"%3\".").arg(kmz, first, second));
    EXPECT_TRUE(Unpacked(kmz).contains("<name>Drie ("));
    EXPECT_EQ(ArchiveProblems(kmz, Line(kBiesbosch)), QString());
}

// Faults on the way out. A target folder that cannot take files ends the run
// before any route is read; the other rows end it at its first route with the
// error naming the file that could not be made. Every row leaves what was
// there before byte for byte, with no temporary file beside it; only a kept
// .kml written whole before its archive failed stays, in place of the earlier
// one.
enum class TargetKind { Missing, FileInTheWay, Folder };

struct OutFault {
    const char* label;
    TargetKind target;
    bool asNobody;
    // Where a full disk stops the writing, from the sizes a good run gives
    // the .kml and the .kmz; null for no limit.
    qint64 (*cut)(qint64 kml, qint64 kmz);
    const char* failing; // the extension of the file named in the error; null for the folder
    const char* reason; // %1 for the failing file's path
};

void PrintTo(const OutFault& fault, std::ostream* os)
{
    *os << fault.label;
}

const OutFault kOutFaults[] = {
    {"MissingFolder", TargetKind::Missing, false, nullptr, nullptr, "No such file or directory"},
    {"FileWhereTheFolderShouldBe", TargetKind::FileInTheWay, false, nullptr, nullptr, "Not a directory"},
    {"FolderNotWritable", TargetKind::Folder, true, nullptr, nullptr, "Permission denied"},
    {"KmlCutInItsHeader", TargetKind::Folder, false, [](qint64, qint64) -> qint64 { return 100; }, ".kml",
     "File too large"},
    {"KmlCutBeforeItsLastByte", TargetKind::Folder, false, [](qint64 kml, qint64) { return kml - 1; }, ".kml",
     "File too large"},
    {"KmzCutOnceTheKmlIsWhole", TargetKind::Folder, false, [](qint64 kml, qint64) { return kml; }, ".kmz",
     "File too large"},
    {"KmzCutBeforeItsLastByte", TargetKind::Folder, false, [](qint64, qint64 kmz) { return kmz - 1; }, ".kmz",
     "File too large"},
};

class ConverterOutFault : public Converter, public ::testing::WithParamInterface<OutFault> {};

TEST_P(ConverterOutFault, EndsTheRunAndKeepsWhatWasThere)
{
    const OutFault& fault = GetParam();
    const QStringList runAs = {QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                               QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")};
    if (fault.asNobody && (geteuid() != 0 || QStandardPaths::findExecutable(runAs.first()).isEmpty()))
        GTEST_SKIP() << "needs root and setpriv to take the rights away";

    // The archive holds the entry's name twice, so a long name makes it
    // outgrow its .kml and a full disk can stop either of them.
    const QString name = QString(236, u'R');
    const QString route = WriteRoute(name + QStringLiteral(".rte"), QStringLiteral("Haven"), kBiesbosch);
    const QString good = Path(QStringLiteral("good"));
    ASSERT_TRUE(QDir().mkpath(good));
    ASSERT_EQ(Convert({QStringLiteral("--keep-kml"), QStringLiteral("--target"), good, route}).exitCode, 0);
    const qint64 kmlSize = QFileInfo(QDir(good).filePath(name + QStringLiteral(".kml"))).size();
    const qint64 kmzSize = QFileInfo(QDir(good).filePath(name + QStringLiteral(".kmz"))).size();
    ASSERT_LT(kmlSize, kmzSize);

    QString target;
    switch (fault.target) {
    case TargetKind::Missing:
        target = Path(QStringLiteral("missing/folder"));
        break;
    case TargetKind::FileInTheWay:
        target = WriteFile(QStringLiteral("in-the-way"), "a file where the folder should be");
        break;
    case TargetKind::Folder:
        target = Target();
        WriteFile(QStringLiteral("out/") + name + QStringLiteral(".kmz"), "an earlier archive");
        WriteFile(QStringLiteral("out/") + name + QStringLiteral(".kml"), "an earlier document\r\n");
        break;
    }
    if (fault.asNobody) { // the route must be readable, the target folder stays root's own
        ASSERT_TRUE(QFile::setPermissions(fDir.path(), QFile::permissions(fDir.path()) | QFile::ReadOther |
                                                           QFile::ExeOther));
    }
    const QMap<QString, QByteArray> before = Contents(target);

    std::function<void()> inChild;
    if (fault.cut)
        inChild = [limit = fault.cut(kmlSize, kmzSize)] { LimitFileSize(static_cast<rlim_t>(limit)); };
    const Outcome run = Convert({QStringLiteral("--keep-kml"), QStringLiteral("--target"), target, route, route},
                                inChild, fault.asNobody ? runAs : QStringList{});

    EXPECT_EQ(run.exitCode, 1);
    if (!fault.failing) {
        EXPECT_EQ(run.out, QStringList());
        EXPECT_EQ(run.err, ErrorText::CannotCreateFilesIn(target, QLatin1String(fault.reason)) + QStringLiteral(".\n"));
        EXPECT_EQ(Contents(target), before);
        return;
    }
    EXPECT_EQ(run.out, QStringList{QStringLiteral("Route laden: ") + name + QStringLiteral(".rte")});
    const QString failing = target + u'/' + name + QLatin1String(fault.failing);
    const QString reason = QString(QLatin1String(fault.reason)).replace(QStringLiteral("%1"), failing);
    EXPECT_EQ(run.err, ErrorText::CannotCreateFile(failing, reason) + QStringLiteral(".\n"));
    QMap<QString, QByteArray> expected = before;
    if (QLatin1String(fault.failing) == QLatin1String(".kmz"))
        expected[name + QStringLiteral(".kml")] = ReadFile(QDir(good).filePath(name + QStringLiteral(".kml")));
    EXPECT_EQ(Contents(target), expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ConverterOutFault, ::testing::ValuesIn(kOutFaults),
                         [](const ::testing::TestParamInfo<OutFault>& row) { return std::string(row.param.label); });

TEST_F(Converter, UsageHelpAndVersion)
{
    struct Row {
        QStringList args;
        int exitCode;
        const char* expected; // in stdout for 0, stderr otherwise
    };
    const Row rows[] = {
        {{}, 2, "Usage: rte2kmz [--keep-kml] [--gpx] [--target DIR] PATH..."},
        {{QStringLiteral("--target")}, 2, "Usage: rte2kmz"},
        {{QStringLiteral("--bogus"), QStringLiteral("a.rte")}, 2, "unknown option --bogus"},
        {{QStringLiteral("--help")}, 0, "Usage: rte2kmz [--keep-kml] [--gpx] [--target DIR] PATH..."},
        {{QStringLiteral("--help")}, 0, "  --gpx         write a GPX 1.1 file NAME.gpx beside each archive NAME.kmz"},
        {{QStringLiteral("--version")}, 0, "rte2kmz 1.0.0"},
        // A plan writes nothing: an option about files to write means a mistake.
        {{QStringLiteral("--plan"), QStringLiteral("--gpx"), QStringLiteral("a.rte")}, 2, "--plan writes no files"},
        {{QStringLiteral("--keep-kml"), QStringLiteral("--plan"), QStringLiteral("a.rte")}, 2, "--plan writes no files"},
        {{QStringLiteral("--plan"), QStringLiteral("--target=."), QStringLiteral("a.rte")}, 2, "--plan writes no files"},
        {{QStringLiteral("--bo\ngus")}, 2, "unknown option --bo<U+000A>gus\n"},
    };
    for (const Row& row : rows) {
        const Outcome run = Convert(row.args);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.args.join(u' ').toStdString();
        const QString shown = row.exitCode == 0 ? run.out.join(u'\n') : run.err;
        EXPECT_TRUE(shown.contains(QString::fromUtf8(row.expected))) << shown.toStdString();
    }
    // The help fits a terminal of 80 columns.
    for (const QString& line : Convert({QStringLiteral("--help")}).out)
        EXPECT_LE(line.size(), 80) << line.toStdString();
}

} // namespace
