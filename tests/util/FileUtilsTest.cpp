#include "support/TestSupport.h"
#include "util/uFileUtils.h"

#include "platform/PathSyntax.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class FileUtils : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return fDir.filePath(name); }
    void Touch(const QString& name) const
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir fDir;
};

TEST(FilePathParts, SplitAtTheLastSeparatorAndDot)
{
    EXPECT_EQ(ExtractFilePath(QStringLiteral("/data/a.b/Haven.rte")), QStringLiteral("/data/a.b/"));
    EXPECT_EQ(ExtractFileName(QStringLiteral("/data/a.b/Haven.rte")), QStringLiteral("Haven.rte"));
    EXPECT_EQ(ExtractFileExt(QStringLiteral("/data/a.b/Haven.rte.bak")), QStringLiteral(".bak"));
    EXPECT_EQ(ExtractFileExt(QStringLiteral("/data/a.b/Haven")), QString());
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/data/a.b/Haven"), QStringLiteral(".kmz")), QStringLiteral("/data/a.b/Haven.kmz"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("Route.Rte"), QStringLiteral(".kml")), QStringLiteral("Route.kml"));
}

// A path typed on Windows separates its folders with "\"; elsewhere "\" is
// part of a name. A name in a folder gets the system's separator.
TEST(FilePathParts, TheBackslashSeparatesFoldersOnWindowsAlone)
{
    const QString typed = QStringLiteral("C:\\Routes\\a.b\\Haven");
    if (IsPathDelimiter(u'\\')) {
        EXPECT_EQ(ExtractFilePath(typed), QStringLiteral("C:\\Routes\\a.b\\"));
        EXPECT_EQ(ExtractFileName(typed), QStringLiteral("Haven"));
        EXPECT_EQ(ExtractFileExt(typed), QString());
        EXPECT_EQ(PathInFolder(QStringLiteral("C:\\Routes"), QStringLiteral("x.kmz")), QStringLiteral("C:\\Routes\\x.kmz"));
        EXPECT_EQ(PathInFolder(QStringLiteral("C:/Routes/"), QStringLiteral("x.kmz")), QStringLiteral("C:/Routes/x.kmz"));
    } else {
        EXPECT_EQ(ExtractFilePath(typed), QString());
        EXPECT_EQ(ExtractFileName(typed), typed);
        EXPECT_EQ(ExtractFileExt(typed), QStringLiteral(".b\\Haven"));
        EXPECT_EQ(PathInFolder(QStringLiteral("/routes"), QStringLiteral("x.kmz")), QStringLiteral("/routes/x.kmz"));
    }
    EXPECT_EQ(PathInFolder(QStringLiteral("."), QStringLiteral("x.kmz")), QStringLiteral("x.kmz"));
    EXPECT_EQ(PathInFolder(QString(), QStringLiteral("x.kmz")), QStringLiteral("x.kmz"));
}

TEST_F(FileUtils, UniqueFilenameCountsWithFourDigits)
{
    const QString haven = Path(QStringLiteral("Haven.kml"));
    EXPECT_EQ(UniqueFilename(haven, QString()), haven);
    Touch(QStringLiteral("Haven.kml"));
    EXPECT_EQ(UniqueFilename(haven, QString()), Path(QStringLiteral("Haven 0001.kml")));
    Touch(QStringLiteral("Haven 0001.kml"));
    EXPECT_EQ(UniqueFilename(haven, QString()), Path(QStringLiteral("Haven 0002.kml")));
    EXPECT_EQ(UniqueFilename(haven, QStringLiteral(".txt")), Path(QStringLiteral("Haven.txt")));

    Touch(QStringLiteral("Haven"));
    EXPECT_EQ(UniqueFilename(Path(QStringLiteral("Haven")), QString()), Path(QStringLiteral("Haven 0001")));
}

TEST_F(FileUtils, UniqueFilenameGrowsPastFourDigits)
{
    Touch(QStringLiteral("Log.txt"));
    for (int i = 1; i < 10000; ++i)
        Touch(QStringLiteral("Log %1.txt").arg(i, 4, 10, QLatin1Char('0')));
    EXPECT_EQ(UniqueFilename(Path(QStringLiteral("Log.txt")), QString()), Path(QStringLiteral("Log 10000.txt")));
}

TEST_F(FileUtils, GetUniqueFilenameCountsInParentheses)
{
    // A folder without its separator gets the system's.
    EXPECT_EQ(GetUniqueFilename(fDir.path(), QStringLiteral(" - COPY"), QStringLiteral("Haven.rte")),
              fDir.path() + PathDelimiter() + QStringLiteral("Haven - COPY.rte"));
    const QString dir = fDir.path() + u'/';
    EXPECT_EQ(GetUniqueFilename(dir, QStringLiteral(" - COPY"), QStringLiteral("Haven.rte")),
              Path(QStringLiteral("Haven - COPY.rte")));
    Touch(QStringLiteral("Haven - COPY.rte"));
    EXPECT_EQ(GetUniqueFilename(dir, QStringLiteral(" - COPY"), QStringLiteral("Haven.rte")),
              Path(QStringLiteral("Haven - COPY (1).rte")));
    Touch(QStringLiteral("Haven - COPY (1).rte"));
    EXPECT_EQ(GetUniqueFilename(dir, QStringLiteral(" - COPY"), QStringLiteral("Haven.rte")),
              Path(QStringLiteral("Haven - COPY (2).rte")));

    EXPECT_EQ(GetUniqueFilename(dir, QString(), QStringLiteral("Haven.rte")), Path(QStringLiteral("Haven.rte")));
    Touch(QStringLiteral("Haven.rte"));
    EXPECT_EQ(GetUniqueFilename(dir, QString(), QStringLiteral("Haven.rte")), Path(QStringLiteral("Haven (1).rte")));
}

TEST_F(FileUtils, AFolderOfTheWantedNameDoesNotCountAsTaken)
{
    ASSERT_TRUE(QDir(fDir.path()).mkdir(QStringLiteral("Haven.kml")));
    EXPECT_EQ(UniqueFilename(Path(QStringLiteral("Haven.kml")), QString()), Path(QStringLiteral("Haven.kml")));
}

TEST_F(FileUtils, IsEmptyDir)
{
    const QString sub = Path(QStringLiteral("sub"));
    ASSERT_TRUE(QDir(fDir.path()).mkdir(QStringLiteral("sub")));
    EXPECT_TRUE(IsEmptyDir(sub));
    EXPECT_FALSE(IsEmptyDir(fDir.path())); // holds sub
    Touch(QStringLiteral("sub/.hidden"));
    EXPECT_FALSE(IsEmptyDir(sub));
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("sub/.hidden"))));
    // A dangling link is an entry too.
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("gone")), Path(QStringLiteral("sub/link"))));
    EXPECT_FALSE(IsEmptyDir(sub));
    EXPECT_FALSE(IsEmptyDir(Path(QStringLiteral("missing"))));
    Touch(QStringLiteral("file"));
    EXPECT_FALSE(IsEmptyDir(Path(QStringLiteral("file"))));
    EXPECT_FALSE(IsEmptyDir(QString()));
}

} // namespace
