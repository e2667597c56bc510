#include "export/uKMZWriter.h"
#include "platform/Error.h"
#include "support/RefusedWrite.h"
#include "support/TestSupport.h"
#include "support/ZipReader.h"
#include "util/uDeviceWrite.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

const TDosDateTime kStamp{0x74BD, 0x5267}; // 2021-03-07 14:37:59

// Haven.kml holding "<kml/>\r\n", stamped kStamp, attributes 0x20.
const char kGoldenArchive[] =
    // local file header
    "50 4B 03 04  14 00  00 08  08 00  BD 74  67 52  2D E7 86 55  0A 00 00 00  08 00 00 00"
    "09 00  00 00  48 61 76 65 6E 2E 6B 6D 6C"
    // compressed data
    "B3 C9 CE CD D1 B7 E3 E5 02 00"
    // central directory file header
    "50 4B 01 02  14 00  14 00  00 08  08 00  BD 74  67 52  2D E7 86 55  0A 00 00 00  08 00 00 00"
    "09 00  00 00  00 00  00 00  00 00  20 00 00 00  00 00 00 00  48 61 76 65 6E 2E 6B 6D 6C"
    // end of central directory record
    "50 4B 05 06  00 00  00 00  01 00  01 00  37 00 00 00  31 00 00 00  00 00";

quint16 U16(const QByteArray& bytes, qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); }
quint32 U32(const QByteArray& bytes, qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); }

QByteArray ZipOnDevice(const QByteArray& content, const QString& name, TDosDateTime stamp = kStamp,
                       quint32 attributes = 0x20)
{
    QBuffer archive;
    return Zipped(archive, content, name, stamp, attributes);
}

void SetLastWrite(const QString& path, const QDateTime& moment)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(moment, QFileDevice::FileModificationTime));
}

QByteArray Run(const QString& program, const QStringList& arguments, int* exitCode)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput() + process.readAllStandardError();
}

// What python's zipfile sees in the archive, after its own check of every
// entry, with zlib's raw deflate of each entry's content for comparison.
const char kPythonReader[] = R"(
import base64, json, sys, zipfile, zlib
entries = []
with zipfile.ZipFile(sys.argv[1]) as archive:
    bad = archive.testzip()
    for info in archive.infolist():
        data = archive.read(info)
        deflater = zlib.compressobj(6, zlib.DEFLATED, -15, 8, zlib.Z_DEFAULT_STRATEGY)
        deflated = b"".join(deflater.compress(data[i:i + 16384]) for i in range(0, len(data), 16384))
        deflated += deflater.flush()
        entries.append({"name": info.filename, "flags": info.flag_bits, "method": info.compress_type,
                        "crc": info.CRC, "compressedSize": info.compress_size, "size": info.file_size,
                        "offset": info.header_offset, "madeBy": info.create_version,
                        "system": info.create_system, "needed": info.extract_version,
                        "attributes": info.external_attr, "dateTime": list(info.date_time),
                        "extras": len(info.comment) + len(info.extra),
                        "content": base64.b64encode(data).decode(),
                        "deflated": base64.b64encode(deflated).decode()})
    comment = len(archive.comment)
json.dump({"bad": bad, "comment": comment, "entries": entries}, sys.stdout)
)";

struct ReadBack {
    QJsonObject entry; // of the one entry
    QByteArray content;
    QByteArray zlibDeflated;
};

// Both independent readers must accept the archive and find exactly one
// entry with the expected content. They are Linux programs: on Windows
// there is nothing to read back with, and the same bytes are read back on
// Linux.
std::optional<ReadBack> ReadWithIndependentReaders(const QString& archivePath, const QByteArray& expectedContent)
{
#ifdef Q_OS_WIN
    Q_UNUSED(archivePath);
    Q_UNUSED(expectedContent);
    return std::nullopt;
#endif
    int exitCode = 0;
    const QByteArray json = Run(QStringLiteral("python3"), {QStringLiteral("-c"), QLatin1String(kPythonReader), archivePath}, &exitCode);
    EXPECT_EQ(exitCode, 0) << json.toStdString();
    const QJsonObject result = QJsonDocument::fromJson(json).object();
    EXPECT_TRUE(result.value(u"bad").isNull());
    EXPECT_EQ(result.value(u"comment").toInt(), 0);
    const QJsonArray entries = result.value(u"entries").toArray();
    EXPECT_EQ(entries.size(), 1);
    ReadBack back{entries.at(0).toObject(), {}, {}};
    back.content = QByteArray::fromBase64(back.entry.value(u"content").toString().toLatin1());
    back.zlibDeflated = QByteArray::fromBase64(back.entry.value(u"deflated").toString().toLatin1());
    EXPECT_EQ(back.content, expectedContent);

    const QByteArray test = Run(QStringLiteral("unzip"), {QStringLiteral("-t"), QStringLiteral("-qq"), archivePath}, &exitCode);
    EXPECT_EQ(exitCode, 0) << test.toStdString();
    QProcess extract;
    extract.start(QStringLiteral("unzip"), {QStringLiteral("-p"), archivePath});
    extract.waitForFinished(-1);
    EXPECT_EQ(extract.exitCode(), 0);
    EXPECT_EQ(extract.readAllStandardOutput(), expectedContent);
    return back;
}

QString SaveArchive(const QTemporaryDir& dir, const QByteArray& archive)
{
    const QString path = dir.filePath(QStringLiteral("check.kmz"));
    WriteFile(path, archive);
    return path;
}

TEST(ZipWriter, WritesTheGoldenArchive)
{
    const QByteArray archive = ZipOnDevice("<kml/>\r\n", QStringLiteral("Haven.kml"));
    EXPECT_EQ(archive, Hex(kGoldenArchive));

    QTemporaryDir dir;
    if (const auto back = ReadWithIndependentReaders(SaveArchive(dir, archive), "<kml/>\r\n")) {
        EXPECT_EQ(back->entry.value(u"name").toString(), QStringLiteral("Haven.kml"));
        EXPECT_EQ(back->entry.value(u"dateTime").toArray(), (QJsonArray{2021, 3, 7, 14, 37, 58}));
        EXPECT_EQ(back->entry.value(u"attributes").toInt(), 0x20);
        EXPECT_EQ(back->entry.value(u"system").toInt(), 0); // MS-DOS
    }
}

struct EntryCase {
    const char* label;
    QString name;
    QByteArray content;
};

QByteArray TextLines(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += "<Placemark><name>Boei " + QByteArray::number(i) + "</name></Placemark>\r\n";
    return text;
}

QByteArray Noise(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(1852);
    for (char& byte : bytes)
        byte = static_cast<char>(generator.bounded(256));
    return bytes;
}

// Every archive has one local header at 0, the data, one central directory
// header at 30 + n + z and the end record: 98 + 2n + z bytes in all.
TEST(ZipWriter, LaysOutEveryArchiveTheSameWay)
{
    const EntryCase cases[] = {
        {"empty", QStringLiteral("Leeg.kml"), QByteArray()},
        {"one byte", QStringLiteral("a"), QByteArray("x")},
        {"many input pieces", QStringLiteral("Biesbosch.kml"), TextLines(5000)},
        {"more output than one buffer", QStringLiteral("Ruis.bin"), Noise(200000)},
        {"name outside ASCII", QStringLiteral("Zeeën en Wadden ⚓.kml"), QByteArray("<kml/>\r\n")},
    };
    QTemporaryDir dir;
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.label);
        const QByteArray archive = ZipOnDevice(c.content, c.name, kStamp, 0x21);
        const QByteArray name = c.name.toUtf8();
        const qsizetype n = name.size();
        const qsizetype z = U32(archive, 18);
        const qsizetype central = 30 + n + z;
        const qsizetype end = central + 46 + n;
        ASSERT_EQ(archive.size(), 98 + 2 * n + z);

        EXPECT_EQ(U32(archive, 0), 0x04034B50u);
        EXPECT_EQ(archive.mid(4, 8), Hex("14 00 00 08 08 00 BD 74"));
        EXPECT_EQ(U32(archive, 22), static_cast<quint32>(c.content.size()));
        EXPECT_EQ(U16(archive, 26), n);
        EXPECT_EQ(U16(archive, 28), 0);
        EXPECT_EQ(archive.mid(30, n), name);

        EXPECT_EQ(U32(archive, central), 0x02014B50u);
        EXPECT_EQ(U16(archive, central + 4), 20);
        EXPECT_EQ(archive.mid(central + 6, 26), archive.mid(4, 26)) << "fields shared with the local header";
        EXPECT_EQ(archive.mid(central + 32, 14), Hex("00 00 00 00 00 00 21 00 00 00 00 00 00 00"));
        EXPECT_EQ(archive.mid(central + 46, n), name);

        EXPECT_EQ(archive.mid(end, 12), Hex("50 4B 05 06 00 00 00 00 01 00 01 00"));
        EXPECT_EQ(U32(archive, end + 12), 46 + n);
        EXPECT_EQ(U32(archive, end + 16), central);
        EXPECT_EQ(U16(archive, end + 20), 0);

        if (const auto back = ReadWithIndependentReaders(SaveArchive(dir, archive), c.content)) {
            EXPECT_EQ(back->entry.value(u"name").toString(), c.name);
            EXPECT_EQ(back->entry.value(u"flags").toInt(), 0x0800);
            EXPECT_EQ(back->entry.value(u"method").toInt(), 8);
            EXPECT_EQ(back->entry.value(u"crc").toInteger(), U32(archive, 14));
            EXPECT_EQ(back->entry.value(u"size").toInteger(), c.content.size());
            EXPECT_EQ(back->entry.value(u"offset").toInt(), 0);
            EXPECT_EQ(back->entry.value(u"extras").toInt(), 0);
            EXPECT_EQ(archive.mid(30 + n, z), back->zlibDeflated) << "raw deflate, level 6, 32 KiB window";
        }
    }
}

TEST(ZipWriter, AnEmptySourceIsAnEmptyFinalBlock)
{
    const QByteArray archive = ZipOnDevice(QByteArray(), QStringLiteral("Leeg.kml"));
    EXPECT_EQ(archive.mid(14, 12), Hex("00 00 00 00  02 00 00 00  00 00 00 00"));
    EXPECT_EQ(archive.mid(30 + 8, 2), Hex("03 00"));
    EXPECT_EQ(archive.size(), 98 + 2 * 8 + 2);
}

TEST(ZipWriter, NameBytesAreCountedNotCharacters)
{
    const QByteArray archive = ZipOnDevice("x", QStringLiteral("Zeeën.kml"));
    EXPECT_EQ(U16(archive, 6), 0x0800);
    EXPECT_EQ(U16(archive, 26), 10);
    EXPECT_EQ(archive.mid(30, 10), Hex("5A 65 65 C3 AB 6E 2E 6B 6D 6C"));
}

TEST(ZipWriter, AWriteThatFallsShortIsAnError)
{
    const QByteArray content = Noise(100000);
    const qsizetype total = ZipOnDevice(content, QStringLiteral("Ruis.bin")).size();
    for (const qint64 capacity : {qint64(0), qint64(3), qint64(29), qint64(50), qint64(70000), total - 60, total - 1}) {
        FullDevice archive(capacity);
        QBuffer source;
        source.setData(content);
        source.open(QIODevice::ReadOnly);
        EXPECT_EQ(ErrorOf([&] {
                      TZipWriter zip(archive);
                      zip.AddEntry(source, QStringLiteral("Ruis.bin"), TZipMethod::Deflate, {kStamp, 0x20});
                      zip.Finish();
                  }),
                  ErrorText::StreamWrite())
            << capacity;
    }
}

// Sizes and name lengths the 16- and 32-bit fields cannot hold would make a
// broken archive; they are refused before anything is written.
class HugeSource : public QIODevice {
public:
    HugeSource() { open(QIODevice::ReadOnly); }
    qint64 size() const override { return qint64(1) << 32; }

protected:
    qint64 readData(char*, qint64) override { return 0; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

TEST(ZipWriter, RefusesWhatTheFieldsCannotHold)
{
    QBuffer archive;
    archive.open(QIODevice::ReadWrite);
    TZipWriter zip(archive);
    HugeSource huge;
    EXPECT_EQ(ErrorOf([&] { zip.AddEntry(huge, QStringLiteral("Groot.kml"), TZipMethod::Deflate, {kStamp, 0x20}); }),
              QStringLiteral("\"Groot.kml\" is too large for a ZIP archive"));

    QBuffer small;
    small.open(QIODevice::ReadOnly);
    const QString longName(65536, u'a');
    EXPECT_EQ(ErrorOf([&] { zip.AddEntry(small, longName, TZipMethod::Deflate, {kStamp, 0x20}); }),
              QStringLiteral("Archive entry name \"%1\" is too long").arg(longName));
    EXPECT_EQ(archive.size(), 0);
}

// An entry written in steps records the stamp given at its end, with the
// CRC and sizes of all that was written. When the archive refuses the data,
// the write to the entry that meets it raises the archive's error.
TEST(ZipWriter, AnEntryWrittenInSteps)
{
    const QByteArray content = Noise(200000);
    const auto writeAll = [&content](QIODevice& data) {
        for (qsizetype at = 0; at < content.size(); at += 1000) {
            if (data.write(content.constData() + at, 1000) < 0)
                return;
        }
    };
    QBuffer whole;
    whole.open(QIODevice::ReadWrite);
    TZipWriter made(whole);
    writeAll(made.BeginEntry(QStringLiteral("Ruis.bin"), TZipMethod::Deflate));
    made.EndEntry({kStamp, 0x21});
    made.Finish();
    QBuffer expected;
    EXPECT_EQ(whole.data(), Zipped(expected, content, QStringLiteral("Ruis.bin"), kStamp, 0x21));

    FullDevice full(1000);
    TZipWriter refused(full);
    QIODevice& data = refused.BeginEntry(QStringLiteral("Ruis.bin"), TZipMethod::Deflate);
    EXPECT_EQ(ErrorOf([&] {
                  for (qsizetype at = 0; at < content.size(); at += 1000)
                      WriteFully(data, QByteArrayView(content).sliced(at, 1000));
                  refused.EndEntry({kStamp, 0x21});
              }),
              ErrorText::StreamWrite());
}

#ifndef Q_OS_WIN
// A file that fails is named with the system's reason, raised in the thread
// that writes the entry, though the compressing thread met it first.
TEST(ZipWriter, AFileThatFailsGivesItsNameAndReason)
{
    const QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("Ruis.zip")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const FileSizeLimitScope limit(1000);
    const QByteArray content = Noise(1000000);
    TZipWriter zip(file);
    QIODevice& data = zip.BeginEntry(QStringLiteral("Ruis.bin"), TZipMethod::Deflate);
    try {
        for (qsizetype at = 0; at < content.size(); at += 1000)
            WriteFully(data, QByteArrayView(content).sliced(at, 1000));
        zip.EndEntry({kStamp, 0x20});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Kind(), TErrorKind::ekCannotCreate);
        EXPECT_EQ(e.Message(), ErrorText::CannotCreateFile(file.fileName(), QStringLiteral("File too large")));
    }
}
#endif

struct StampCase {
    QDateTime moment;
    TDosDateTime stamp;
};

TEST(DosDateTime, LocalTimeInTwoSecondStepsWithinTheYearsTheFieldsHold)
{
    const TimeZoneScope zone("Europe/Amsterdam");
    SKIP_UNLESS_ZONE(zone);
    const StampCase cases[] = {
        {QDateTime(QDate(2021, 3, 7), QTime(14, 37, 59)), {0x74BD, 0x5267}},
        {QDateTime(QDate(2021, 3, 7), QTime(14, 37, 58, 999)), {0x74BD, 0x5267}},
        {QDateTime(QDate(2021, 3, 7), QTime(13, 37, 59), Qt::UTC), {0x74BD, 0x5267}},
        {QDateTime(QDate(2021, 7, 1), QTime(12, 0, 0), Qt::UTC), {0x7000, 0x52E1}},
        {QDateTime(QDate(1980, 1, 1), QTime(0, 0)), {0x0000, 0x0021}},
        {QDateTime(QDate(2107, 12, 31), QTime(23, 59, 59)), {0xBF7D, 0xFF9F}},
        {QDateTime(QDate(1979, 12, 31), QTime(23, 59, 59)), {}},
        {QDateTime(QDate(2108, 1, 1), QTime(0, 0)), {}},
        {QDateTime(), {}},
    };
    for (const StampCase& c : cases) {
        const TDosDateTime stamp = DosDateTimeOf(c.moment);
        EXPECT_EQ(stamp.Time, c.stamp.Time) << c.moment.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(stamp.Date, c.stamp.Date) << c.moment.toString(Qt::ISODate).toStdString();
    }
}

class KMZWriterTest : public ::testing::Test, protected TempFolder {
protected:
    // Haven.kml written 2021-03-07 14:37:59 local time.
    QString MakeSource(const QByteArray& content = "<kml/>\r\n", const QString& name = QStringLiteral("Haven.kml"))
    {
        const QString path = Path(name);
        WriteFile(path, content);
        SetLastWrite(path, QDateTime(QDate(2021, 3, 7), QTime(14, 37, 59)));
        return path;
    }

    QString Convert(const QString& source, const QString& archiveName = {})
    {
        const QString archive = Path(QStringLiteral("Haven.kmz"));
        TKMZWriter zip(archive);
        zip.AddFile(source, archiveName, TZipMethod::Deflate);
        zip.Release();
        return archive;
    }

    const TimeZoneScope fZone{"Europe/Amsterdam"};
};

TEST_F(KMZWriterTest, PacksTheFileUnderItsOwnName)
{
    const QString archive = Convert(MakeSource());
    EXPECT_EQ(ReadFile(archive), Hex(kGoldenArchive));
    ReadWithIndependentReaders(archive, "<kml/>\r\n");
    EXPECT_EQ(FolderEntries(fDir.path()), (QStringList{QStringLiteral("Haven.kml"), QStringLiteral("Haven.kmz")}));
}

TEST_F(KMZWriterTest, AGivenArchiveNameIsUsed)
{
    const QByteArray archive = ReadFile(Convert(MakeSource(), QStringLiteral("doc.kml")));
    EXPECT_EQ(archive.mid(30, 7), QByteArray("doc.kml"));
    EXPECT_EQ(archive.size(), 98 + 2 * 7 + 10);
}

// An extractor that takes "\\" for a separator, or "C:" for a drive, must
// find no path in the entry name: a document of any file name stays one
// file in the folder the archive is extracted into.
TEST_F(KMZWriterTest, TheEntryNameHoldsNoSeparatorOrDriveOfAnySystem)
{
    const struct {
        const char* document;
        const char* entry;
    } cases[] = {
        {"..\\..\\evil.kml", ".._.._evil.kml"},
        {"C:evil.kml", "C_evil.kml"},
        {"C:\\Windows\\evil.kml", "C__Windows_evil.kml"},
        {"Haven (2).kml", "Haven (2).kml"},
    };
    for (const auto& c : cases) {
#ifndef Q_OS_WIN // where such a name is a path, not a file's name
        const QString source = MakeSource("<kml/>\r\n", QString::fromUtf8(c.document));
        const QByteArray packed = ReadFile(Convert(source));
        EXPECT_EQ(ReadSingleEntry(packed).Name, QByteArray(c.entry)) << c.document;
#endif

        const QString archive = Path(QStringLiteral("Stepwise.kmz"));
        TKMZWriter zip(archive);
        zip.BeginEntry(QString::fromUtf8(c.document), TZipMethod::Deflate).write("<kml/>\r\n");
        zip.EndEntry({});
        zip.Release();
        EXPECT_EQ(ReadSingleEntry(ReadFile(archive)).Name, QByteArray(c.entry)) << c.document;
    }
}

TEST_F(KMZWriterTest, StampsAndAttributesComeFromTheSource)
{
    SKIP_UNLESS_ZONE(fZone);
    const QString source = MakeSource();
    const struct {
        QDateTime lastWrite;
        QFileDevice::Permissions permissions;
        QByteArray fields; // time, date
        quint32 attributes;
    } cases[] = {
        {QDateTime(QDate(2021, 3, 7), QTime(13, 37, 59), Qt::UTC), QFileDevice::ReadOwner, Hex("BD 74 67 52"), 0x21},
        {QDateTime(QDate(1975, 6, 1), QTime(12, 0)), QFileDevice::ReadOwner | QFileDevice::WriteOwner, Hex("00 00 00 00"), 0x20},
        {QDateTime(QDate(2110, 6, 1), QTime(12, 0)), QFileDevice::ReadOwner | QFileDevice::WriteOwner, Hex("00 00 00 00"), 0x20},
    };
    for (const auto& c : cases) {
        SetLastWrite(source, c.lastWrite);
        ASSERT_TRUE(QFile::setPermissions(source, c.permissions));
        const QByteArray archive = ReadFile(Convert(source));
        const qsizetype central = 30 + 9 + U32(archive, 18);
        EXPECT_EQ(archive.mid(10, 4), c.fields);
        EXPECT_EQ(U32(archive, central + 38), c.attributes);
        ReadWithIndependentReaders(Path(QStringLiteral("Haven.kmz")), "<kml/>\r\n");
    }
}

TEST_F(KMZWriterTest, ReplacesAnExistingArchive)
{
    const QString source = MakeSource(TextLines(2000));
    WriteFile(Path(QStringLiteral("Haven.kmz")), Noise(300000));
    const QByteArray archive = ReadFile(Convert(source));
    EXPECT_EQ(archive.size(), 98 + 2 * 9 + U32(archive, 18));
    ReadWithIndependentReaders(Path(QStringLiteral("Haven.kmz")), TextLines(2000));
}

TEST_F(KMZWriterTest, AnArchiveThatCannotBeCreatedNamesItsPath)
{
    WriteFile(Path(QStringLiteral("plain")), "old");
    ASSERT_TRUE(QDir(fDir.path()).mkdir(QStringLiteral("Haven.kmz")));
    const struct {
        QString path;
        QString reason;
    } cases[] = {
        {Path(QStringLiteral("missing/Haven.kmz")), SystemText::MissingFolder()},
        {Path(QStringLiteral("plain/Haven.kmz")), SystemText::FileInTheWay()},
        {Path(QStringLiteral("Haven.kmz")), SystemText::FolderInTheWay()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { TKMZWriter zip(c.path); }), ErrorText::CannotCreateFile(c.path, c.reason));
    EXPECT_EQ(FolderEntries(fDir.path()), (QStringList{QStringLiteral("Haven.kmz"), QStringLiteral("plain")}));
}

// On any failure the earlier archive stays as it was and no temporary file
// is left behind.
TEST_F(KMZWriterTest, AFailedArchiveLeavesTheOldOneIntact)
{
    const QString archive = Path(QStringLiteral("Haven.kmz"));
    const QByteArray old = Noise(5000);
    WriteFile(archive, old);
    const QString source = MakeSource(Noise(100000), QStringLiteral("Ruis.kml"));
    const QString missing = Path(QStringLiteral("Weg.kml"));
    ASSERT_TRUE(QDir(fDir.path()).mkdir(QStringLiteral("Map")));

    const struct {
        const char* label;
        std::function<void()> run;
        QString message;
    } cases[] = {
        {"missing source",
         [&] {
             TKMZWriter zip(archive);
             zip.AddFile(missing, {}, TZipMethod::Deflate);
         },
         ErrorText::CannotOpenFile(missing, SystemText::MissingFile())},
        {"release after a failed add",
         [&] {
             TKMZWriter zip(archive);
             try {
                 zip.AddFile(Path(QStringLiteral("Map")), {}, TZipMethod::Deflate);
             } catch (const Error&) {
                 zip.Release();
                 throw;
             }
         },
         ErrorText::CannotOpenFile(Path(QStringLiteral("Map")), SystemText::FolderOpenedForReading())},
        {"disk full",
         [&] {
             const RefusedWriteScope refused(archive);
             TKMZWriter zip(archive);
             zip.AddFile(source, {}, TZipMethod::Deflate);
             zip.Release();
         },
         ErrorText::CannotCreateFile(archive, RefusedWriteScope::Reason())},
        {"never released",
         [&] {
             TKMZWriter zip(archive);
             zip.AddFile(source, {}, TZipMethod::Deflate);
         },
         QStringLiteral("(no error)")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ErrorOf(c.run), c.message);
        EXPECT_EQ(ReadFile(archive), old);
        EXPECT_EQ(FolderEntries(fDir.path()),
                  (QStringList{QStringLiteral("Haven.kmz"), QStringLiteral("Map"), QStringLiteral("Ruis.kml")}));
    }
}

} // namespace
