// The user's files are safe: rte2kmz touches nothing the user did not name,
// follows no link, takes every name as it is, accounts for every file it is
// given and leaves no temporary file, also when it is interrupted or when the
// folder cannot hold files without a name.

#include "ConverterRun.h"

#include "convert/uConversionRun.h"
#include "geo/uRouteLibrary.h"
#include "platform/Error.h"
#include "support/ZipReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

namespace {

class UserFiles : public ConverterTestBase {
protected:
    QString Elsewhere(const char* name) const { return Path(QStringLiteral("elsewhere/")) + QLatin1String(name); }

    // A link `out/name` to a file elsewhere that holds `bytes`.
    void PlantLink(const QString& name, const char* target, const QByteArray& bytes) const
    {
        QDir().mkpath(Path(QStringLiteral("elsewhere")));
        WriteFile(Elsewhere(target), bytes);
        ASSERT_TRUE(QFile::link(Elsewhere(target), QDir(Target()).filePath(name)));
    }

    static bool IsLink(const QString& path) { return QFileInfo(path).isSymLink(); }

    // A route long enough that a run over it takes a while after its first line.
    QString WriteLongRoute(const QString& name, int waypoints) const
    {
        TRoute route{QString()};
        route.setCaption(QStringLiteral("Groot"));
        for (int i = 0; i < waypoints; ++i)
            route.Add(51.5 + i * 1e-7, 3.6 + i * 1e-7);
        const QString path = Path(name);
        EXPECT_TRUE(route.SaveToFile(path, 6, false));
        return path;
    }

    // The leak check of the sanitizer build needs /proc and no tracer.
    static void WithoutLeakCheck(QProcess& process)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
        process.setProcessEnvironment(environment);
    }

    static mode_t Permissions(const QString& path)
    {
        struct stat status {};
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 0777 : 0;
    }
};

// An output replaces the entry of its name, a link too, and the file the
// link pointed to stays as it was. A document that is not kept never
// touches the entry of its name at all.
TEST_F(UserFiles, NoLinkIsWrittenThrough)
{
    const QString route = WriteRoute(QStringLiteral("Amstel.rte"), QStringLiteral("Amstel"), kBiesbosch);
    PlantLink(QStringLiteral("Amstel.kmz"), "archive", "someone's archive");
    PlantLink(QStringLiteral("Amstel.kml"), "document", "someone's document");
    const QString kmz = QDir(Target()).filePath(QStringLiteral("Amstel.kmz"));
    const QString kml = QDir(Target()).filePath(QStringLiteral("Amstel.kml"));

    EXPECT_EQ(RunConverter({QStringLiteral("--target"), Target(), route}).exitCode, 0);
    EXPECT_FALSE(IsLink(kmz));
    EXPECT_EQ(ArchiveProblems(kmz, Line(kBiesbosch)), QString());
    EXPECT_TRUE(IsLink(kml)) << "the run's own document leaves the entry of its name alone";
    EXPECT_EQ(ReadFile(Elsewhere("archive")), QByteArray("someone's archive"));
    EXPECT_EQ(ReadFile(Elsewhere("document")), QByteArray("someone's document"));

    EXPECT_EQ(RunConverter({QStringLiteral("--keep-kml"), QStringLiteral("--target"), Target(), route}).exitCode, 0);
    EXPECT_FALSE(IsLink(kml));
    EXPECT_EQ(Unpacked(kmz), ReadFile(kml));
    EXPECT_EQ(ReadFile(Elsewhere("document")), QByteArray("someone's document"));
    EXPECT_EQ(FolderEntries(Target()), (QStringList{QStringLiteral("Amstel.kml"), QStringLiteral("Amstel.kmz")}));
}

// Not even a folder in the place of a document that is not kept stops the
// run; one that is kept cannot take that place.
TEST_F(UserFiles, AFolderInTheDocumentsPlaceMattersOnlyWhenItIsKept)
{
    const QString route = WriteRoute(QStringLiteral("Amstel.rte"), QStringLiteral("Amstel"), kBiesbosch);
    const QString kml = QDir(Target()).filePath(QStringLiteral("Amstel.kml"));
    ASSERT_TRUE(QDir().mkpath(kml));

    EXPECT_EQ(RunConverter({QStringLiteral("--target"), Target(), route}).exitCode, 0);
    EXPECT_EQ(ArchiveProblems(QDir(Target()).filePath(QStringLiteral("Amstel.kmz")), Line(kBiesbosch)), QString());

    const Outcome kept = RunConverter({QStringLiteral("--keep-kml"), QStringLiteral("--target"), Target(), route});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(kept.err, ErrorText::CannotCreateFile(kml, QStringLiteral("Is a directory")) + QStringLiteral(".\n"));
    EXPECT_TRUE(QFileInfo(kml).isDir());
}

// In a shared folder with the sticky bit, a link another user planted under
// the archive's name cannot be replaced by the run's user: the run ends with
// the error, and neither the link nor the file it points to changes.
TEST_F(UserFiles, ALinkPlantedInASharedFolderIsNeverWrittenThrough)
{
    const QStringList runAs = {QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                               QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")};
    if (geteuid() != 0 || QStandardPaths::findExecutable(runAs.first()).isEmpty())
        GTEST_SKIP() << "needs root to plant the link and setpriv to run as another user";
    const QString route = WriteRoute(QStringLiteral("Amstel.rte"), QStringLiteral("Amstel"), kBiesbosch);
    const QString shared = Path(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(fDir.path()).constData(), 0755), 0);
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("home"))));
    WriteFile(QStringLiteral("home/secret"), "root's own file");
    const QString kmz = shared + QStringLiteral("/Amstel.kmz");
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("home/secret")), kmz));

    const Outcome run = RunConverter({QStringLiteral("--target"), shared, route}, {}, runAs);

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("Cannot create file \"%1\". Operation not permitted.\n").arg(kmz));
    EXPECT_TRUE(IsLink(kmz));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("home/secret"))), QByteArray("root's own file"));
    EXPECT_EQ(FolderEntries(shared), QStringList{QStringLiteral("Amstel.kmz")});
}

// Names whose bytes are no text in the locale's encoding are refused, never
// taken for another file that has the decoded name.
TEST_F(UserFiles, ANameThatDoesNotDecodeIsRefusedNeverTakenForAnother)
{
    const QByteArray folder = QFile::encodeName(fDir.path());
    std::ofstream(std::string(folder.constData()) + "/Haven\xff.rte") << "route A";
    WriteRoute(QStringLiteral("Haven\uFFFD.rte"), QStringLiteral("B"), kBiesbosch);
    // The shell turns the escapes into the very bytes.
    const QStringList shell = {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                               QStringLiteral(R"sh(exec "$0" --target "$(printf '%b' "$1")" "$(printf '%b' "$2")")sh")};

    Outcome run = RunConverter({Target(), fDir.path() + QStringLiteral("/Haven\\377.rte")}, {}, shell);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, QStringLiteral("rte2kmz: passed over \"%1/Haven\uFFFD.rte\": its name is not valid in this "
                                      "locale; rename it\n")
                           .arg(fDir.path()));
    EXPECT_EQ(run.out, QStringList{QStringLiteral("Klaar. Routes [0/1] geëxporteerd.")}) << "a refused name counts";
    EXPECT_EQ(TargetFiles(), QStringList());

    run = RunConverter({Target() + QStringLiteral("\\377"), Path(QStringLiteral("Haven\uFFFD.rte"))}, {}, shell);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("rte2kmz: the target folder \"%1\uFFFD\": its name is not valid in this locale; "
                                      "rename it\n")
                           .arg(Target()));
}

// A path means what the system makes of it: through a link to a folder, ".."
// leads to the folder above the link's target, a missing folder has no "..",
// and a file is no folder. Paths are shown as given.
TEST_F(UserFiles, PathsMeanWhatTheSystemSaysTheyMean)
{
    // home/routes is a link to usb/routes; each Haven.rte is another route.
    WriteRoute(QStringLiteral("usb/routes/Haven.rte"), QStringLiteral("Routes"), kBiesbosch);
    WriteRoute(QStringLiteral("usb/Haven.rte"), QStringLiteral("Usb"), kBiesbosch);
    WriteRoute(QStringLiteral("home/Haven.rte"), QStringLiteral("Home"), kBiesbosch);
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("usb/kmz"))));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("home/kmz"))));
    WriteFile(QStringLiteral("home/kmz/Haven.kmz"), "PRECIOUS");
    ASSERT_TRUE(QFile::link(QStringLiteral("../usb/routes"), Path(QStringLiteral("home/routes"))));
    const auto inHome = [this](QProcess& process) { process.setWorkingDirectory(Path(QStringLiteral("home"))); };
    const auto run = [&](const QStringList& args) { return RunConverter(args, inHome); };

    Outcome plan = run({QStringLiteral("--plan"), QStringLiteral("routes/../Haven.rte")});
    EXPECT_EQ(plan.exitCode, 0) << plan.err.toStdString();
    EXPECT_TRUE(plan.outText.startsWith(QStringLiteral("Route: Usb\n"))) << plan.outText.toStdString();

    Outcome convert = run({QStringLiteral("--target"), QStringLiteral("routes/../kmz"), QStringLiteral("routes/Haven.rte")});
    EXPECT_EQ(convert.exitCode, 0) << convert.err.toStdString();
    EXPECT_EQ(ArchiveProblems(Path(QStringLiteral("usb/kmz/Haven.kmz")), Line(kBiesbosch)), QString());
    EXPECT_TRUE(Unpacked(Path(QStringLiteral("usb/kmz/Haven.kmz"))).contains("<name>Routes ("));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("home/kmz/Haven.kmz"))), QByteArray("PRECIOUS"));

    convert = run({QStringLiteral("--target"), QStringLiteral("nosuchdir/../kmz"), QStringLiteral("routes/Haven.rte")});
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_EQ(convert.err, QStringLiteral("Cannot create files in folder \"nosuchdir/../kmz\". No such file or directory.\n"));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("home/kmz/Haven.kmz"))), QByteArray("PRECIOUS"));

    plan = run({QStringLiteral("--plan"), QStringLiteral("Haven.rte/.")});
    EXPECT_EQ(plan.exitCode, 3);
    EXPECT_EQ(plan.err, QStringLiteral("rte2kmz: passed over \"Haven.rte/.\": it does not exist\n"));
    EXPECT_EQ(plan.outText, QString());

    // Two spellings of one archive: the second replaces the first, and says so.
    convert = run({QStringLiteral("--target"), QStringLiteral("kmz/"), QStringLiteral("Haven.rte"),
                   QStringLiteral("routes/../../home/routes/Haven.rte")});
    EXPECT_EQ(convert.exitCode, 0) << convert.err.toStdString();
    EXPECT_EQ(convert.err, ReplacedArchiveWarning(QStringLiteral("kmz/Haven.kmz"), QStringLiteral("Haven.rte"),
                                                  QStringLiteral("routes/../../home/routes/Haven.rte"))
                               + u'\n');
}

// A name that cannot be told by a line of its own stays one line in every message.
TEST_F(UserFiles, ControlCharactersInAPathStayVisibleInTheMessage)
{
    const Outcome run = RunConverter({QStringLiteral("--target"), QStringLiteral("/no\nsuch"), QStringLiteral("x.rte")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("Cannot create files in folder \"/no<U+000A>such\". No such file or directory.\n"));
}

// A file the user made private stays private when it is replaced; a new
// file gets the umask's permissions.
TEST_F(UserFiles, AReplacedFileKeepsItsPermissions)
{
    const QString route = WriteRoute(QStringLiteral("Amstel.rte"), QStringLiteral("Amstel"), kBiesbosch);
    const QStringList outputs = {QStringLiteral("Amstel.kmz"), QStringLiteral("Amstel.kml"), QStringLiteral("Amstel.gpx")};
    const auto withUmask = [](const char* mask) {
        return QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                           QStringLiteral("umask %1; exec \"$0\" \"$@\"").arg(QLatin1String(mask))};
    };
    const QStringList args = {QStringLiteral("--keep-kml"), QStringLiteral("--gpx"), QStringLiteral("--target"), Target(), route};

    ASSERT_EQ(RunConverter(args, {}, withUmask("027")).exitCode, 0);
    for (const QString& name : outputs)
        EXPECT_EQ(Permissions(QDir(Target()).filePath(name)), 0640u) << name.toStdString();

    for (const QString& name : outputs)
        ASSERT_EQ(::chmod(QFile::encodeName(QDir(Target()).filePath(name)).constData(), 0600), 0);
    ASSERT_EQ(RunConverter(args, {}, withUmask("022")).exitCode, 0);
    for (const QString& name : outputs)
        EXPECT_EQ(Permissions(QDir(Target()).filePath(name)), 0600u) << name.toStdString();
}

// A signal that was ignored when the run started stays ignored: under nohup
// a hang-up, in a background job with trap '' INT an interrupt.
TEST_F(UserFiles, ASignalIgnoredAtTheStartStaysIgnored)
{
    const QString route = WriteLongRoute(QStringLiteral("Groot.rte"), 300000);
    struct Row {
        int signal;
        QStringList prefix;
    };
    const Row rows[] = {
        {SIGHUP, {QStringLiteral("nohup")}},
        {SIGINT, {QStringLiteral("/bin/sh"), QStringLiteral("-c"), QStringLiteral("trap '' INT; exec \"$0\" \"$@\"")}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.signal);
        QFile::remove(QDir(Target()).filePath(QStringLiteral("Groot.kmz")));
        QProcess process;
        const QStringList command = row.prefix + QStringList{QStringLiteral(RTE2KMZ), QStringLiteral("--target"), Target(), route};
        process.start(command.first(), command.mid(1));
        ASSERT_TRUE(process.waitForReadyRead(60000));
        ASSERT_TRUE(process.readLine().startsWith("Route laden: "));
        EXPECT_EQ(::kill(static_cast<pid_t>(process.processId()), row.signal), 0);
        ASSERT_TRUE(process.waitForFinished(120000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        EXPECT_TRUE(ReadSingleEntry(ReadFile(QDir(Target()).filePath(QStringLiteral("Groot.kmz")))).Content.endsWith("</kml>\r\n"));
    }
}

// Without /proc (a chroot, a small container) an unnamed file could never
// take its name: the files are written under temporary names instead.
TEST_F(UserFiles, WithoutProcFilesTakeTemporaryNames)
{
    const QStringList withoutProc = {QStringLiteral("unshare"), QStringLiteral("--mount"), QStringLiteral("/bin/sh"),
                                     QStringLiteral("-c"), QStringLiteral("umount -l /proc && exec \"$0\" \"$@\"")};
#ifdef ROUTE_CONVERSIE_SANITIZED
    GTEST_SKIP() << "the sanitizers read their options from /proc, and their leak check needs it";
#endif
    if (QProcess::execute(withoutProc.first(), withoutProc.mid(1) + QStringList{QStringLiteral("/bin/true")}) != 0)
        GTEST_SKIP() << "needs a mount namespace of its own (unshare as root)";
    const QString route = WriteRoute(QStringLiteral("Amstel.rte"), QStringLiteral("Amstel"), kBiesbosch);
    for (const QString& keep : {QString(), QStringLiteral("--keep-kml")}) {
        QStringList args{QStringLiteral("--target"), Target(), route};
        if (!keep.isEmpty())
            args.prepend(keep);
        const Outcome run = RunConverter(args, {}, withoutProc);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(ArchiveProblems(QDir(Target()).filePath(QStringLiteral("Amstel.kmz")), Line(kBiesbosch)), QString());
    }
    EXPECT_EQ(FolderEntries(Target()), (QStringList{QStringLiteral("Amstel.kml"), QStringLiteral("Amstel.kmz")}));
}

// Qt's own options mean nothing to rte2kmz: after "--" such a word is a file.
TEST_F(UserFiles, QtTakesNoOptionsOutOfTheArguments)
{
    const QString route = WriteRoute(QStringLiteral("-qmljsdebugger=port:9.rte"), QStringLiteral("Q"), kBiesbosch);
    const Outcome run = RunConverter(
        {QStringLiteral("--target"), Target(), QStringLiteral("--"), QStringLiteral("-qmljsdebugger=port:9.rte")},
        [this](QProcess& process) { process.setWorkingDirectory(fDir.path()); });
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(TargetFiles(), QStringList{QStringLiteral("-qmljsdebugger=port:9.kmz")});
    EXPECT_EQ(RunConverter({QStringLiteral("-qmljsdebugger=port:9"), route}).exitCode, 2);
}

TEST_F(UserFiles, OutputThatCannotBeWrittenEndsTheRun)
{
    const QString route = WriteRoute(QStringLiteral("Amstel.rte"), QStringLiteral("Amstel"), kBiesbosch);
    const Outcome run = RunConverter({QStringLiteral("--target"), Target(), route}, [](QProcess& process) {
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
    });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("Cannot write to standard output. No space left on device.\n"));
    EXPECT_EQ(TargetFiles(), QStringList());

    // A line about a file passed over that cannot be written is no success either.
    const Outcome unreported = RunConverter({QStringLiteral("--target"), Target(), Path(QStringLiteral("typo.rte"))},
                                           [](QProcess& process) { process.setStandardErrorFile(QStringLiteral("/dev/full")); });
    EXPECT_EQ(unreported.exitCode, 1);
}

// Two runs converting the same routes into one folder at once: each archive
// is whole, and the user's document of the same name is left alone.
TEST_F(UserFiles, TwoRunsIntoOneFolderAtOnce)
{
    QStringList routes;
    for (int i = 0; i < 40; ++i)
        routes << WriteRoute(QStringLiteral("r%1.rte").arg(i), QStringLiteral("R%1").arg(i), kBiesbosch);
    WriteFile(QStringLiteral("out/r7.kml"), "the user's own");
    const QStringList args = QStringList{QStringLiteral("--target"), Target()} + routes;
    QProcess first;
    QProcess second;
    first.start(QStringLiteral(RTE2KMZ), args);
    second.start(QStringLiteral(RTE2KMZ), args);
    ASSERT_TRUE(first.waitForFinished(60000));
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

    QStringList expected{QStringLiteral("r7.kml")};
    for (int i = 0; i < 40; ++i)
        expected << QStringLiteral("r%1.kmz").arg(i);
    expected.sort();
    EXPECT_EQ(FolderEntries(Target()), expected);
    for (int i = 0; i < 40; ++i) {
        const QByteArray document = ReadSingleEntry(ReadFile(Path(QStringLiteral("out/r%1.kmz").arg(i)))).Content;
        EXPECT_TRUE(document.endsWith("</kml>\r\n")) << i;
    }
    EXPECT_EQ(ReadFile(Path(QStringLiteral("out/r7.kml"))), QByteArray("the user's own"));
}

// The files the converter opens in the target folder, as strace sees them.
class TracedFiles : public UserFiles {
protected:
    void SetUp() override
    {
        UserFiles::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty()) {
            if (qEnvironmentVariable("CI") == u"true")
                FAIL() << "strace is missing";
            GTEST_SKIP() << "strace is missing";
        }
    }

    QStringList Trace() const
    {
        return {QStringLiteral("strace"), QStringLiteral("-f"), QStringLiteral("-o"), Path(QStringLiteral("trace")),
                QStringLiteral("-P"), Target(), QStringLiteral("-e"), QStringLiteral("trace=openat")};
    }
    QByteArray Traced() const { return ReadFile(Path(QStringLiteral("trace"))); }
};

// Without --keep-kml the document goes into the archive alone: the one file
// a route makes in the target is its archive.
TEST_F(TracedFiles, EachRouteMakesItsArchiveAndOnlyAKeptDocumentBeside)
{
    const QString route = WriteRoute(QStringLiteral("Amstel.rte"), QStringLiteral("Amstel"), kBiesbosch);
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep);
        QStringList args{QStringLiteral("--target"), Target(), route};
        if (keep)
            args.prepend(QStringLiteral("--keep-kml"));
        ASSERT_EQ(RunConverter(args, WithoutLeakCheck, Trace()).exitCode, 0);
        EXPECT_EQ(Traced().count("O_TMPFILE"), keep ? 2 : 1);
    }
}

// Where the folder cannot make files without a name (as FAT or a network
// share), the files get short temporary names of their own: a name near the
// limit still fits, and an interrupt at any moment removes them. strace
// refuses O_TMPFILE in the target folder.
class UnnamedFilesRefused : public TracedFiles {
protected:
    QStringList Strace() const
    {
        return Trace() << QStringLiteral("-e") << QStringLiteral("inject=openat:error=EOPNOTSUPP");
    }

    bool Refused() const { return Traced().contains("EOPNOTSUPP"); }
};

TEST_F(UnnamedFilesRefused, ANameNearTheLimitStillFits)
{
    const QString name = QString(251, u'N');
    const QString route = WriteRoute(name + QStringLiteral(".rte"), QStringLiteral("Lang"), kBiesbosch);
    for (const QString& keep : {QString(), QStringLiteral("--keep-kml")}) {
        QStringList args{QStringLiteral("--target"), Target(), route};
        if (!keep.isEmpty())
            args.prepend(keep);
        const Outcome run = RunConverter(args, WithoutLeakCheck, Strace());
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(Refused());
        EXPECT_EQ(ArchiveProblems(QDir(Target()).filePath(name + QStringLiteral(".kmz")), Line(kBiesbosch)),
                  QString());
    }
    EXPECT_EQ(FolderEntries(Target()), (QStringList{name + QStringLiteral(".kml"), name + QStringLiteral(".kmz")}));
}

// A pipe closed early and a file-size limit make the write fail, which ends
// the run with its reason and removes the temporary names, as every failure does.
TEST_F(UnnamedFilesRefused, AClosedPipeEndsTheRunAndLeavesNoTemporaryFile)
{
    // The warning about the damage goes out while the route's files are in
    // progress, long after head has taken its line and gone.
    const QString route = WriteLongRoute(QStringLiteral("Kort.rte"), 300000);
    const QByteArray bytes = ReadFile(route);
    WriteFile(QStringLiteral("Kort.rte"), bytes.left(bytes.size() - 5));
    const QStringList piped = {QStringLiteral("/bin/bash"), QStringLiteral("-c"),
                               QStringLiteral("\"$0\" \"$@\" 2>&1 | head -n 1; exit \"${PIPESTATUS[0]}\"")};
    const Outcome run = RunConverter({QStringLiteral("--target"), Target(), route}, WithoutLeakCheck, Strace() + piped);
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, QStringList{QStringLiteral("Route laden: Kort.rte")});
    EXPECT_TRUE(Refused());
    EXPECT_EQ(FolderEntries(Target()), QStringList());
}

TEST_F(UnnamedFilesRefused, AFileSizeLimitEndsTheRunAndLeavesNoTemporaryFile)
{
    const QString route = WriteRoute(QStringLiteral("Amstel.rte"), QStringLiteral("Amstel"), kBiesbosch);
    WriteFile(QStringLiteral("out/Amstel.kmz"), "an earlier archive");
    // The shell's own limit, in blocks of 512 bytes: the signal is not ignored for us.
    const QStringList limited = {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                                 QStringLiteral("ulimit -f 1; exec \"$0\" \"$@\"")};
    const Outcome run = RunConverter({QStringLiteral("--target"), Target(), route}, WithoutLeakCheck, Strace() + limited);
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, ErrorText::CannotCreateFile(QDir(Target()).filePath(QStringLiteral("Amstel.kmz")),
                                                   QStringLiteral("File too large"))
                           + QStringLiteral(".\n"));
    EXPECT_TRUE(Refused());
    EXPECT_EQ(Contents(Target()), (QMap<QString, QByteArray>{{QStringLiteral("Amstel.kmz"), "an earlier archive"}}));
}

TEST_F(UnnamedFilesRefused, AnInterruptAtAnyMomentLeavesNoTemporaryFile)
{
    const QString route = WriteLongRoute(QStringLiteral("Groot.rte"), 1000000);
    WriteFile(QStringLiteral("out/Groot.kmz"), "an earlier archive");
    WriteFile(QStringLiteral("out/Groot.kml"), "the user's own");
    const QMap<QString, QByteArray> before = Contents(Target());

    const QStringList command =
        Strace() + QStringList{QStringLiteral(RTE2KMZ), QStringLiteral("--target"), Target(), route};
    // The moments are fractions of a whole run's time, which varies with the
    // machine and its load.
    QElapsedTimer clock;
    clock.start();
    {
        QProcess whole;
        WithoutLeakCheck(whole);
        whole.start(command.first(), command.mid(1));
        ASSERT_TRUE(whole.waitForFinished(120000));
        ASSERT_EQ(whole.exitCode(), 0) << whole.readAllStandardError().toStdString();
    }
    const qint64 wholeRun = clock.elapsed();
    EXPECT_TRUE(Refused());
    WriteFile(QStringLiteral("out/Groot.kmz"), "an earlier archive");

    const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2};
    int interrupted = 0;
    for (int moment = 0; moment < 14; ++moment) {
        const int signal = kSignals[moment % 7];
        const qint64 after = wholeRun * (moment + 1) / 15;
        SCOPED_TRACE(testing::Message() << after << " ms of " << wholeRun << ", signal " << signal);
        QProcess process;
        WithoutLeakCheck(process);
        process.start(command.first(), command.mid(1));
        ASSERT_TRUE(process.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(after));
        // The converter is strace's child; the signal goes to it.
        const QByteArray children =
            ReadFile(QStringLiteral("/proc/%1/task/%1/children").arg(process.processId())).trimmed();
        if (!children.isEmpty() && ::kill(children.split(' ').first().toInt(), signal) == 0)
            ++interrupted;
        ASSERT_TRUE(process.waitForFinished(120000));

        const QMap<QString, QByteArray> now = Contents(Target());
        if (now != before) {
            // Finished before the signal: the archive is whole, the user's document untouched.
            EXPECT_EQ(now.keys(), before.keys());
            EXPECT_EQ(now.value(QStringLiteral("Groot.kml")), before.value(QStringLiteral("Groot.kml")));
            EXPECT_TRUE(ReadSingleEntry(now.value(QStringLiteral("Groot.kmz"))).Content.endsWith("</kml>\r\n"));
            WriteFile(QStringLiteral("out/Groot.kmz"), "an earlier archive");
        }
    }
    EXPECT_GE(interrupted, 7) << "interrupts reach the conversion";
}

} // namespace
