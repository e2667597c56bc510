#include "platform/FileAttributes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using P = QFileDevice::Permission;

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

} // namespace
