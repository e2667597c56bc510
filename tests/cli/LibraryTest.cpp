// rte2kmz over a whole route library: a folder named stands for the route
// files under it, each archive in the same folder below the target.

#include "ConverterRun.h"

#include "support/LibraryTree.h"
#include "util/uFileUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <unistd.h>

#include <functional>

namespace {

class Library : public ConverterTestBase {
protected:
    // Every file below the folder, by its path relative to it, in path order.
    static QStringList FilesBelow(const QString& folder)
    {
        QStringList files;
        const QDir root(folder);
        std::function<void(const QString&)> visit = [&](const QString& relative) {
            for (const QFileInfo& entry :
                 QDir(root.filePath(relative)).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
                const QString path = relative.isEmpty() ? entry.fileName() : relative + u'/' + entry.fileName();
                if (entry.isDir())
                    visit(path);
                else
                    files << path;
            }
        };
        visit({});
        files.sort();
        return files;
    }
};

// The status lines, the closing total, the lines on standard error and the
// exit status of a library run, and archives that hold what each route
// file converted alone gives.
TEST_F(Library, ALibraryIsConvertedIntoTheSameFoldersBelowTheTarget)
{
    const TLibraryTree tree(Path(QStringLiteral("bibliotheek")));

    const Outcome run = RunConverter({QStringLiteral("--target"), Target(), tree.Library()});

    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, QStringLiteral("rte2kmz: passed over \"%1\": it is no route file\n")
                           .arg(tree.Path(QStringLiteral("Bakens.rte"))));
    static const QRegularExpression newRoute(
        QStringLiteral(R"(^Route Route '\d{1,2}-[^-]+-\d\d \(\d\d.\d\d\)' leeg en overgeslagen\.$)"));
    QStringList expected;
    for (const TLibraryTree::TRouteFile& file : tree.RouteFiles()) {
        const QString name = ExtractFileName(file.relative);
        expected << QStringLiteral("Route laden: ") + name;
        if (!file.isRoute)
            expected << QStringLiteral("(the caption of a new route)");
        else if (file.points.empty())
            expected << QStringLiteral("Route %1 leeg en overgeslagen.").arg(QFileInfo(name).completeBaseName());
        else
            expected << QStringLiteral("Exporteer route: ") + ChangeFileExt(name, QStringLiteral(".kmz"));
    }
    expected << QStringLiteral("Klaar. Routes [4/6] geëxporteerd.");
    QStringList shown = run.out;
    for (QString& line : shown) {
        if (newRoute.match(line).hasMatch())
            line = QStringLiteral("(the caption of a new route)");
    }
    EXPECT_EQ(shown, expected);

    QStringList archives = tree.Archives();
    archives.sort();
    EXPECT_EQ(FilesBelow(Target()), archives);
    for (const TLibraryTree::TRouteFile& file : tree.RouteFiles()) {
        if (file.points.empty())
            continue;
        SCOPED_TRACE(file.relative.toStdString());
        const QString alone = Path(QStringLiteral("alone/") + file.relative);
        ASSERT_TRUE(QDir().mkpath(alone));
        ASSERT_EQ(RunConverter({QStringLiteral("--target"), alone, tree.Path(file.relative)}).exitCode, 0);
        const QString kmz = ChangeFileExt(file.relative, QStringLiteral(".kmz"));
        const QString mirrored = QDir(Target()).filePath(kmz);
        EXPECT_EQ(Unpacked(mirrored), Unpacked(QDir(alone).filePath(ExtractFileName(kmz))));
        EXPECT_EQ(ArchiveProblems(mirrored, file.points), QString());
    }
}

// A folder without route files converts nothing and is no failure; its
// plan is as empty.
TEST_F(Library, AnEmptyFolderGivesNoArchivesAndAZeroTotal)
{
    const QString empty = Path(QStringLiteral("leeg"));
    ASSERT_TRUE(QDir().mkpath(empty + QStringLiteral("/ook leeg")));
    WriteFile(QStringLiteral("leeg/notities.txt"), "geen routes hier");

    const Outcome run = RunConverter({QStringLiteral("--target"), Target(), empty});
    const Outcome plan = RunConverter({QStringLiteral("--plan"), empty});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringList{QStringLiteral("Klaar. Routes [0/0] geëxporteerd.")});
    EXPECT_EQ(run.err, QString());
    EXPECT_EQ(FilesBelow(Target()), QStringList());
    EXPECT_EQ(plan.exitCode, 0);
    EXPECT_EQ(plan.outText, QString());
}

// A folder inside that cannot be read is told of, and the run goes on with
// the rest of the library.
TEST_F(Library, AFolderThatCannotBeReadIsPassedOverAndTheRunGoesOn)
{
    const QStringList runAs = {QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                               QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")};
    if (geteuid() != 0 || QStandardPaths::findExecutable(runAs.first()).isEmpty())
        GTEST_SKIP() << "needs root and setpriv to take the rights away";
    WriteRoute(QStringLiteral("bibliotheek/Haven.rte"), QStringLiteral("Haven"), kBiesbosch);
    WriteRoute(QStringLiteral("bibliotheek/Geheim/Sluis.rte"), QStringLiteral("Sluis"), kBiesbosch);
    const QString secret = Path(QStringLiteral("bibliotheek/Geheim"));
    ASSERT_TRUE(QFile::setPermissions(secret, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    for (const QString& open : {fDir.path(), Target()})
        ASSERT_TRUE(QFile::setPermissions(open, QFile::permissions(open) | QFile::ReadOther | QFile::WriteOther |
                                                    QFile::ExeOther));

    const Outcome run = RunConverter({QStringLiteral("--target"), Target(), Path(QStringLiteral("bibliotheek"))}, {},
                                     runAs);

    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, QStringLiteral("rte2kmz: passed over \"%1\": it cannot be read (%2)\n")
                           .arg(secret, qt_error_string(EACCES)));
    EXPECT_EQ(run.out.last(), QStringLiteral("Klaar. Routes [1/1] geëxporteerd."));
    EXPECT_EQ(FilesBelow(Target()), QStringList{QStringLiteral("Haven.kmz")});
    EXPECT_EQ(ArchiveProblems(QDir(Target()).filePath(QStringLiteral("Haven.kmz")), Line(kBiesbosch)), QString());
}

} // namespace
