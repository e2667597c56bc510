#include "util/uFileUtils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void Touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(FileUtils, IsEmptyDirOnlyForAnExistingFolderWithoutEntries)
{
    const QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString folder = root.filePath(QStringLiteral("folder"));

    EXPECT_FALSE(IsEmptyDir(folder));
    EXPECT_FALSE(IsEmptyDir(QString()));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(IsEmptyDir(folder));
    EXPECT_TRUE(IsEmptyDir(folder + QStringLiteral("/")));

    Touch(folder + QStringLiteral("/.hidden"));
    EXPECT_FALSE(IsEmptyDir(folder));
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/.hidden")));

    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("sub")));
    EXPECT_FALSE(IsEmptyDir(folder));
    EXPECT_TRUE(IsEmptyDir(folder + QStringLiteral("/sub")));

    // A dangling link is an entry too.
    ASSERT_TRUE(QFile::link(root.filePath(QStringLiteral("gone")), folder + QStringLiteral("/sub/link")));
    EXPECT_FALSE(IsEmptyDir(folder + QStringLiteral("/sub")));

    Touch(root.filePath(QStringLiteral("file")));
    EXPECT_FALSE(IsEmptyDir(root.filePath(QStringLiteral("file"))));
}

} // namespace
