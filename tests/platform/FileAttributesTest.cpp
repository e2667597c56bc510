#include "platform/FileAttributes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

using P = QFileDevice::Permission;

#ifdef Q_OS_WIN
// On Windows the attributes are the file's own.
TEST(WindowsFileAttributes, AreTheFilesOwn)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Haven.kml"));
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_EQ(WindowsFileAttributes(file), 0x20u); // as freshly written
    const std::wstring native = QDir::toNativeSeparators(file).toStdWString();
    ASSERT_TRUE(
        SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(WindowsFileAttributes(file), 0x23u);
    QFile opened(file);
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    EXPECT_EQ(WindowsFileAttributes(opened), 0x23u);
    opened.close();
    ASSERT_TRUE(SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_NORMAL));

    const QString folder = dir.filePath(QStringLiteral("routes"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_EQ(WindowsFileAttributes(folder), 0x10u);
    EXPECT_EQ(WindowsFileAttributes(dir.filePath(QStringLiteral("missing"))), 0u);
}
#else
TEST(WindowsFileAttributes, ArchiveOrDirectoryReadOnlyWhenNobodyMayWrite)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Haven.kml"));
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_EQ(WindowsFileAttributes(file), 0x20u); // as freshly written

    const struct {
        QFileDevice::Permissions permissions;
        quint32 attributes;
    } cases[] = {
        {P::ReadOwner | P::ReadGroup | P::ReadOther, 0x21},
        {P::ReadOwner | P::WriteOwner, 0x20},
        {P::ReadOwner | P::WriteGroup, 0x20},
        {P::ReadOwner | P::WriteOther, 0x20},
        {{}, 0x21},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(QFile::setPermissions(file, c.permissions));
        EXPECT_EQ(WindowsFileAttributes(file), c.attributes) << c.permissions.toInt();
    }

    const QString folder = dir.filePath(QStringLiteral("routes"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_EQ(WindowsFileAttributes(folder), 0x10u);
    ASSERT_TRUE(QFile::setPermissions(folder, P::ReadOwner | P::ExeOwner));
    EXPECT_EQ(WindowsFileAttributes(folder), 0x11u);
    ASSERT_TRUE(QFile::setPermissions(folder, P::ReadOwner | P::WriteOwner | P::ExeOwner));

    EXPECT_EQ(WindowsFileAttributes(dir.filePath(QStringLiteral("missing.kml"))), 0u);
}
#endif

} // namespace
