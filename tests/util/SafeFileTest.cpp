#include "platform/Error.h"
#include "support/RefusedWrite.h"
#include "support/TestSupport.h"
#include "util/uSafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char16_t* text;
    const char* bytes;
};

TEST(SaveTextFileUtf8Crlf, EveryLineEndsInCrLfAsUtf8WithoutMark)
{
    const TextCase cases[] = {
        {u"", ""},
        {u"<kml>", "3C 6B 6D 6C 3E 0D 0A"},
        {u"a\r\nb\r\n", "61 0D 0A 62 0D 0A"},
        {u"a\nb\rc", "61 0D 0A 62 0D 0A 63 0D 0A"},
        {u"a\n\r\nb\r\r", "61 0D 0A 0D 0A 62 0D 0A 0D 0A"},
        {u"Zeeën", "5A 65 65 C3 AB 6E 0D 0A"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Haven.kml"));
    for (const TextCase& c : cases) {
        SaveTextFileUtf8Crlf(path, QString::fromUtf16(c.text));
        EXPECT_EQ(ReadFile(path), Hex(c.bytes)) << QString::fromUtf16(c.text).toStdString();
    }
    EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("Haven.kml")});
}

TEST(SaveTextFileUtf8Crlf, ReplacesALongerFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Haven.kml"));
    WriteFile(path, QByteArray(5000, 'x'));
    SaveTextFileUtf8Crlf(path, QStringLiteral("kort"));
    EXPECT_EQ(ReadFile(path), QByteArray("kort\r\n"));
}

TEST(SaveTextFileUtf8Crlf, ReportsTheAskedPathWhenItCannotBeCreated)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("plain")), "old");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Haven.kml")));
    const struct {
        QString path;
        QString reason;
    } cases[] = {
        {dir.filePath(QStringLiteral("missing/Haven.kml")), SystemText::MissingFolder()},
        {dir.filePath(QStringLiteral("plain/Haven.kml")), SystemText::FileInTheWay()},
        {dir.filePath(QStringLiteral("Haven.kml")), SystemText::FolderInTheWay()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf([&] { SaveTextFileUtf8Crlf(c.path, QStringLiteral("tekst")); }),
                  ErrorText::CannotCreateFile(c.path, c.reason));
    }
    EXPECT_EQ(ReadFile(dir.filePath(QStringLiteral("plain"))), QByteArray("old"));
    EXPECT_EQ(FolderEntries(dir.path()), (QStringList{QStringLiteral("Haven.kml"), QStringLiteral("plain")}));
}

TEST(SaveTextFileUtf8Crlf, AFailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Haven.kml"));
    WriteFile(path, "oud\r\n");
    // Small texts stay in the file's buffer until it is committed.
    for (const qsizetype size : {5000, 100000}) {
        QString message;
        {
            const RefusedWriteScope refused(path);
            message = ErrorOf([&] { SaveTextFileUtf8Crlf(path, QString(size, u'x')); });
        }
        EXPECT_EQ(message, ErrorText::CannotCreateFile(path, RefusedWriteScope::Reason())) << size;
        EXPECT_EQ(ReadFile(path), QByteArray("oud\r\n")) << size;
        EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("Haven.kml")}) << size;
    }
}

TEST(SafeFile, NothingReachesTheTargetUntilCommitted)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Haven.kmz"));
    WriteFile(path, "oud");
    {
        const auto file = CreateSafeFile(path);
        file->write("nieuw");
        EXPECT_EQ(ReadFile(path), QByteArray("oud"));
    }
    EXPECT_EQ(ReadFile(path), QByteArray("oud"));
    EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("Haven.kmz")});

    const auto file = CreateSafeFile(path);
    file->write("nieuw");
    CommitSafeFile(*file);
    EXPECT_EQ(ReadFile(path), QByteArray("nieuw"));
    EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("Haven.kmz")});
}

} // namespace
