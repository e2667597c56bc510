// A folder stands for the route files under it: which, in what order, and
// where their archives go.

#include "RecordingHost.h"

#include "convert/uConversionRun.h"
#include "convert/uPassagePlanRun.h"
#include "geo/uRouteLibrary.h"
#include "platform/Error.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

class Library : public ::testing::Test, protected TempFolder {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(Target())); }

    // The path as the run shows it.
    static QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }
    QString Routes(const QString& relative = {}) const
    {
        return Shown(Path(QStringLiteral("routes/") + relative));
    }
    QString Target(const QString& relative = {}) const { return Shown(Path(QStringLiteral("out/") + relative)); }

    // A route file with as many waypoints at `routes/relative`, folders made.
    QString Route(const QString& relative, int waypoints = 2) const
    {
        const QString path = Path(QStringLiteral("routes/") + relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        TRoute route{QString()};
        route.setCaption(QFileInfo(path).completeBaseName());
        for (int i = 0; i < waypoints; ++i)
            route.Add(52 + i / 100.0, 4 + i / 100.0);
        EXPECT_TRUE(route.SaveToFile(path, 6, false));
        return Shown(path);
    }

    QString Other(const QString& relative, const QByteArray& bytes) const
    {
        const QString path = Path(QStringLiteral("routes/") + relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        ::WriteFile(path, bytes);
        return Shown(path);
    }

    // The route files the paths stand for, each with the folder its
    // archive goes to, "|" between.
    static QStringList Walked(const QStringList& paths, RecordingHost& host, int* count = nullptr)
    {
        TRouteFiles files(ChosenFiles(paths), host);
        QStringList walked;
        while (const auto file = files.Next())
            walked << file->path + u'|' + file->targetSubFolder;
        if (count)
            *count = files.Count();
        return walked;
    }

    // Every entry under the folder, folders too, by its relative path with "/".
    static QStringList EntriesUnder(const QString& folder)
    {
        QStringList entries;
        const QDir root(folder);
        std::function<void(const QString&)> visit = [&](const QString& relative) {
            for (const QFileInfo& entry : QDir(root.filePath(relative))
                                              .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                                             QDir::Name)) {
                const QString path = relative.isEmpty() ? entry.fileName() : relative + u'/' + entry.fileName();
                entries << path;
                if (entry.isDir() && !entry.isSymLink())
                    visit(path);
            }
        };
        visit({});
        return entries;
    }
};

// Depth first, the entries of a folder by name in code point order: a
// folder's name is compared as a component, so "2019" with all below it
// comes before "2019 b", and a character beyond U+FFFF after U+FF21.
TEST_F(Library, AFolderStandsForItsRouteFilesInTheOrderOfTheirPaths)
{
    const QString sub = QStringLiteral("2019");
    const QString deep = QDir::toNativeSeparators(QStringLiteral("2019/Zomer"));
    const QStringList routes{
        Route(QStringLiteral("2019/Zomer/Dag 1.rte")) + u'|' + deep,
        Route(QStringLiteral("2019/Zomer.RTE")) + u'|' + sub,
        Route(QStringLiteral("2019 b/Haven.rte")) + QStringLiteral("|2019 b"),
        Route(QStringLiteral("B.rte")) + u'|',
        Route(QStringLiteral("Kaart.rte/Vecht.rte")) + QStringLiteral("|Kaart.rte"),
        Route(QStringLiteral("a.Rte")) + u'|',
        Route(QStringLiteral("\uFF21.rte")) + u'|',
        Route(QStringLiteral("\U0001F6A2.rte")) + u'|',
    };
    Other(QStringLiteral("notities.txt"), "geen route");
    Other(QStringLiteral("2019/Zomer.kml"), "<kml/>");
    ASSERT_TRUE(QDir().mkpath(Routes(QStringLiteral("leeg"))));
    RecordingHost host;
    int count = -1;

    EXPECT_EQ(Walked({Routes()}, host, &count), routes);
    EXPECT_EQ(count, routes.size());
    EXPECT_TRUE(host.PassedOverEntries.isEmpty());
}

// A named file counts as one whatever becomes of it; a folder counts the
// route files found under it, and is told of when it holds none.
TEST_F(Library, NamedFilesAndFoldersMixInTheirOrder)
{
    const QString haven = Route(QStringLiteral("Haven.rte"));
    const QString inFolder = Route(QStringLiteral("map/Sluis.rte"));
    const QString empty = Routes(QStringLiteral("leeg"));
    ASSERT_TRUE(QDir().mkpath(empty));
    const QString notes = Other(QStringLiteral("notities.txt"), "tekst");
    const QString missing = Routes(QStringLiteral("Weg.rte"));
    const QString noRoute = Other(QStringLiteral("map/Kapot.rte"), "geen route");
    RecordingHost host;
    int count = -1;

    EXPECT_EQ(Walked({notes, Routes(QStringLiteral("map")), empty, haven, missing}, host, &count),
              (QStringList{Shown(noRoute) + u'|', inFolder + u'|', haven + u'|'}));

    EXPECT_EQ(count, 5); // notes, Kapot, Sluis, Haven, Weg
    EXPECT_EQ(host.PassedOverPaths(TPassOver::poOtherExtension), QStringList{notes});
    EXPECT_EQ(host.PassedOverPaths(TPassOver::poEmptyFolder), QStringList{empty});
    EXPECT_EQ(host.PassedOverPaths(TPassOver::poMissing), QStringList{missing});
    EXPECT_EQ(host.PassedOverEntries.size(), 3);
}

// Each archive goes to the same folder below the target as its route file
// below the named folder; a folder is made only for a route exported, and
// two routes of one name in different folders keep their own archives.
TEST_F(Library, ArchivesGoToTheSameFoldersBelowTheTarget)
{
    Route(QStringLiteral("2019/Zomer/Dag 1.rte"));
    Route(QStringLiteral("2019/Haven.rte"));
    Route(QStringLiteral("2020/Haven.rte"));
    Route(QStringLiteral("Leeg/Niets.rte"), 0);
    Route(QStringLiteral("Leeg/Dieper/Niets.rte"), 0);
    Other(QStringLiteral("Kapot/Kapot.rte"), "geen route");
    Other(QStringLiteral("2020/notities.txt"), "tekst");
    RecordingHost host(Target());

    EXPECT_EQ(ConvertRoutes(ChosenFiles({Routes()}), host), 3);

    EXPECT_EQ(EntriesUnder(Target()),
              (QStringList{QStringLiteral("2019"), QStringLiteral("2019/Haven.kmz"), QStringLiteral("2019/Zomer"),
                           QStringLiteral("2019/Zomer/Dag 1.kmz"), QStringLiteral("2020"),
                           QStringLiteral("2020/Haven.kmz")}));
    EXPECT_EQ(host.Statuses.last(), QStringLiteral("Klaar. Routes [3/6] geëxporteerd."));
    EXPECT_TRUE(host.Warnings.isEmpty()) << host.Warnings.join(u'\n').toStdString();
    EXPECT_EQ(host.PassedOverPaths(TPassOver::poEmptyRoute),
              (QStringList{Routes(QStringLiteral("Leeg/Dieper/Niets.rte")), Routes(QStringLiteral("Leeg/Niets.rte"))}));
}

// A folder the run made and a folder that was there already are alike to a
// later run; one that is there is never removed, empty or not.
TEST_F(Library, AFolderThatWasThereStaysAndAFolderMadeIsUsedAgain)
{
    Route(QStringLiteral("2019/Haven.rte"));
    Route(QStringLiteral("Leeg/Niets.rte"), 0);
    ASSERT_TRUE(QDir().mkpath(Target(QStringLiteral("Leeg"))));
    for (int run = 0; run < 2; ++run) {
        RecordingHost host(Target());
        EXPECT_EQ(ConvertRoutes(ChosenFiles({Routes()}), host), 1);
    }
    EXPECT_EQ(EntriesUnder(Target()),
              (QStringList{QStringLiteral("2019"), QStringLiteral("2019/Haven.kmz"), QStringLiteral("Leeg")}));
}

// An entry in the place of a folder to be made ends the run, as a file that
// cannot be made does; nothing of the route is left.
TEST_F(Library, AFileInThePlaceOfAFolderBelowTheTargetEndsTheRun)
{
    Route(QStringLiteral("2019/Haven.rte"));
    ::WriteFile(Target(QStringLiteral("2019")), "iets");
    RecordingHost host(Target());

    EXPECT_EQ(ErrorOf([&] { ConvertRoutes(ChosenFiles({Routes()}), host); }),
              QStringLiteral("Cannot create files in folder \"%1\". %2")
                  .arg(Target(QStringLiteral("2019")), SystemText::FileInTheWay()));
    EXPECT_EQ(EntriesUnder(Target()), QStringList{QStringLiteral("2019")});
}

// The passage plans of a folder come in the same order.
TEST_F(Library, PlansTakeFoldersTheSameWay)
{
    Route(QStringLiteral("b/Twee.rte"));
    Route(QStringLiteral("a/Een.rte"));
    RecordingHost host;
    QString plans;

    PrintPassagePlans(ChosenFiles({Routes()}), host, [&plans](const QString& text) { plans += text; });

    EXPECT_TRUE(plans.startsWith(QStringLiteral("Route: Een\n"))) << plans.toStdString();
    EXPECT_TRUE(plans.contains(QStringLiteral("\n\nRoute: Twee\n"))) << plans.toStdString();
}

#ifndef Q_OS_WIN

// Links to folders found inside are not entered, so a loop is harmless; a
// link to a route file is that file, a link to nothing a missing one, and a
// named link to a folder is entered.
TEST_F(Library, LinksInsideAreFollowedToFilesOnly)
{
    const QString haven = Route(QStringLiteral("elders/Haven.rte"));
    Route(QStringLiteral("bibliotheek/Sluis.rte"));
    const QString library = Routes(QStringLiteral("bibliotheek"));
    ASSERT_TRUE(QFile::link(library, library + QStringLiteral("/lus")));
    ASSERT_TRUE(QFile::link(Routes(QStringLiteral("elders")), library + QStringLiteral("/elders")));
    ASSERT_TRUE(QFile::link(haven, library + QStringLiteral("/Link.rte")));
    ASSERT_TRUE(QFile::link(Routes(QStringLiteral("Weg.rte")), library + QStringLiteral("/Weg.rte")));
    ASSERT_TRUE(QFile::link(library, Routes(QStringLiteral("naar-bibliotheek"))));
    RecordingHost host;
    int count = -1;

    EXPECT_EQ(Walked({library, Routes(QStringLiteral("naar-bibliotheek"))}, host, &count),
              (QStringList{library + QStringLiteral("/Link.rte|"), library + QStringLiteral("/Sluis.rte|"),
                           Routes(QStringLiteral("naar-bibliotheek/Link.rte|")),
                           Routes(QStringLiteral("naar-bibliotheek/Sluis.rte|"))}));
    EXPECT_EQ(count, 6);
    EXPECT_EQ(host.PassedOverPaths(TPassOver::poMissing),
              (QStringList{library + QStringLiteral("/Weg.rte"), Routes(QStringLiteral("naar-bibliotheek/Weg.rte"))}));
}

// What cannot be opened by a name in text is told of; a pipe is never read.
TEST_F(Library, NamesThatAreNoTextAndEntriesThatAreNoFilesArePassedOver)
{
    const QByteArray library = QFile::encodeName(Routes());
    ASSERT_TRUE(QDir().mkpath(Routes()));
    const int file = ::open((library + "/Kr\xE4ng.rte").constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(file, 0);
    ::close(file);
    ASSERT_EQ(::mkdir((library + "/Map \xE4").constData(), 0755), 0);
    ASSERT_EQ(::mkfifo((library + "/Pijp.rte").constData(), 0644), 0);
    RecordingHost host;
    int count = -1;

    EXPECT_EQ(Walked({Routes()}, host, &count), QStringList());

    EXPECT_EQ(count, 2);
    EXPECT_EQ(host.PassedOverPaths(TPassOver::poInvalidName).size(), 2);
    EXPECT_EQ(host.PassedOverPaths(TPassOver::poNotAFile), QStringList{Routes(QStringLiteral("Pijp.rte"))});
}

// Nothing is written into a folder through a link, not even one below the
// target; the folder it points to stays as it was.
TEST_F(Library, NoArchiveIsWrittenThroughALinkBelowTheTarget)
{
    Route(QStringLiteral("2019/Haven.rte"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("elders"))));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("elders")), Target(QStringLiteral("2019"))));
    RecordingHost host(Target());

    EXPECT_EQ(ErrorOf([&] { ConvertRoutes(ChosenFiles({Routes()}), host); }),
              QStringLiteral("Cannot create files in folder \"%1\". It is a link").arg(Target(QStringLiteral("2019"))));
    EXPECT_EQ(FolderEntries(Path(QStringLiteral("elders"))), QStringList());
}

#endif

} // namespace
