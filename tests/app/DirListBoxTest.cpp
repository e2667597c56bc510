#include "app/TDirListBox.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

namespace {

// The entries in display order, each indented by two blanks per level.
QStringList Entries(TDirListBox& list)
{
    QStringList entries;
    for (QTreeWidgetItemIterator it(&list); *it; ++it) {
        int depth = 0;
        for (const QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent())
            ++depth;
        entries << QString(2 * depth, u' ') + (*it)->text(0);
    }
    return entries;
}

// The chain from the root down to path, as Entries shows it.
QStringList ChainEntries(const QString& path)
{
    QStringList entries{QStringLiteral("/")};
    const QStringList folders = path.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < folders.size(); ++i)
        entries << QString(2 * (i + 1), u' ') + folders[i];
    return entries;
}

// What a double-click is to a widget: a click, then the double-click event.
void DoubleClick(TDirListBox& list, const QTreeWidgetItem* item)
{
    const QPoint centre = list.visualItemRect(item).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
}

// A tree a/b with sub-folders of b in mixed case, a hidden one and a file.
class DirListBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fTemp.isValid());
        for (const char* folder : {"a/b/Zeta", "a/b/alpha", "a/b/Mid", "a/b/.hidden"})
            ASSERT_TRUE(QDir(fTemp.path()).mkpath(QString::fromLatin1(folder)));
        QFile file(Path("a/b/notes.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        fList.resize(2000, 400);
        fList.SetDirLabel(&fLabel);
        fList.show();
    }

    QString Path(const char* relative) const
    {
        return QDir::cleanPath(fTemp.path() + u'/' + QString::fromLatin1(relative));
    }

    QTreeWidgetItem* Item(const char* text)
    {
        const auto found =
            fList.findItems(QString::fromLatin1(text), Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? found.front() : nullptr;
    }

    QTemporaryDir fTemp;
    TDirListBox fList;
    QLabel fLabel;
};

TEST_F(DirListBoxTest, ShowsTheChainToTheCurrentFolderThenItsVisibleSubFoldersSorted)
{
    fList.SetDirectory(Path("a/b"));

    QStringList expected = ChainEntries(Path("a/b"));
    const QString indent(2 * expected.size(), u' ');
    for (const char* sub : {"alpha", "Mid", "Zeta"})
        expected << indent + QString::fromLatin1(sub);
    EXPECT_EQ(Entries(fList), expected);
    EXPECT_EQ(fList.currentItem()->text(0), QStringLiteral("b"));
    EXPECT_EQ(fList.Directory(), Path("a/b"));
    EXPECT_EQ(fLabel.text(), Path("a/b"));
}

TEST_F(DirListBoxTest, DoubleClickOrEnterOnAnEntryMakesItTheCurrentFolder)
{
    struct Case {
        const char* entry;
        bool doubleClick;
        const char* expected;
    };
    for (const Case& c : {Case{"alpha", true, "a/b/alpha"}, Case{"alpha", false, "a/b/alpha"},
                          Case{"a", true, "a"}, Case{"a", false, "a"}}) {
        SCOPED_TRACE(testing::Message() << c.entry << (c.doubleClick ? " double-click" : " Enter"));
        fList.SetDirectory(Path("a/b"));
        QTreeWidgetItem* item = Item(c.entry);
        ASSERT_NE(item, nullptr);
        if (c.doubleClick) {
            DoubleClick(fList, item);
        } else {
            fList.setCurrentItem(item);
            QTest::keyClick(&fList, Qt::Key_Return);
        }
        EXPECT_EQ(fList.Directory(), Path(c.expected));
        EXPECT_EQ(fLabel.text(), Path(c.expected));
        EXPECT_EQ(fList.currentItem()->text(0), QDir(Path(c.expected)).dirName());
    }
}

TEST_F(DirListBoxTest, WhatIsNoFolderLeavesTheCurrentFolder)
{
    for (const char* path : {"a/b/missing", "a/b/notes.txt"}) {
        SCOPED_TRACE(path);
        fList.SetDirectory(Path("a/b"));
        fList.SetDirectory(Path(path));
        EXPECT_EQ(fList.Directory(), Path("a/b"));
    }
}

TEST_F(DirListBoxTest, AFolderGoneSinceListingIsDroppedFromTheList)
{
    fList.SetDirectory(Path("a/b"));
    QTreeWidgetItem* item = Item("Mid");
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(QDir(Path("a/b/Mid")).removeRecursively());

    DoubleClick(fList, item);

    EXPECT_EQ(fList.Directory(), Path("a/b"));
    EXPECT_EQ(Item("Mid"), nullptr);
    EXPECT_NE(Item("Zeta"), nullptr);
}

TEST_F(DirListBoxTest, TheLabelShowsALongPathShortenedAndTheListKeepsItWhole)
{
    fList.SetDirectory(Path("a/b/alpha"));
    fList.resize(fLabel.fontMetrics().horizontalAdvance(QStringLiteral("/.../b/alpha")), 400);

    EXPECT_EQ(fLabel.text(), QStringLiteral("/.../b/alpha"));
    EXPECT_EQ(fList.Directory(), Path("a/b/alpha"));

    fList.resize(2000, 400);
    EXPECT_EQ(fLabel.text(), Path("a/b/alpha"));
}

TEST(ShortenedPathTest, DropsLeadingFoldersUntilThePathFits)
{
    const QFontMetrics metrics(QFont(QStringLiteral("DejaVu Sans"), 10));
    const auto width = [&](const char* text) { return metrics.horizontalAdvance(QString::fromLatin1(text)); };
    struct Case {
        const char* path;
        int width;
        const char* expected;
    };
    const char* full = "/home/skipper/routes/2021/zomer";
    for (const Case& c : {
             Case{full, width(full), full},
             Case{full, width(full) - 1, "/.../skipper/routes/2021/zomer"},
             Case{full, width("/.../2021/zomer"), "/.../2021/zomer"},
             Case{full, width("/.../2021/zomer") - 1, "/.../zomer"},
             Case{full, 1, "/.../zomer"},
             Case{"/zomer", 1, "/zomer"},
             Case{"/", 1, "/"},
         }) {
        SCOPED_TRACE(testing::Message() << c.path << " in " << c.width);
        EXPECT_EQ(ShortenedPath(QString::fromLatin1(c.path), metrics, c.width), QString::fromLatin1(c.expected));
    }
}

} // namespace
