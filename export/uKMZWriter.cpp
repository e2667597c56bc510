#include "export/uKMZWriter.h"

#include "export/uDeflatePipe.h"
#include "platform/DateTime.h"
#include "platform/DeviceError.h"
#include "platform/Error.h"
#include "platform/FileAttributes.h"
#include "util/uDeviceWrite.h"
#include "util/uSafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QtEndian>

#include <array>
#include <concepts>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr quint32 kLocalHeaderSignature = 0x04034B50;
constexpr quint32 kCentralHeaderSignature = 0x02014B50;
constexpr quint32 kEndRecordSignature = 0x06054B50;
constexpr quint16 kVersion = 20; // APPNOTE 2.0; as "made by", high byte 0 is MS-DOS
constexpr quint16 kUtf8NameFlag = 0x0800;
constexpr std::size_t kInputChunk = 16384;

// A ZIP field: little-endian on any machine.
template <std::unsigned_integral T>
void WriteField(QIODevice& device, T value)
{
    std::array<char, sizeof(T)> bytes;
    qToLittleEndian(value, bytes.data());
    WriteFully(device, QByteArrayView(bytes.data(), bytes.size()));
}

quint32 ZipSize(qint64 value, const QString& entryName)
{
    if (value < 0 || value > std::numeric_limits<quint32>::max())
        throw Error(TErrorKind::ekInvalidValue, QStringLiteral("\"%1\" is too large for a ZIP archive").arg(entryName));
    return static_cast<quint32>(value);
}

// Copies the source from its current position to its end.
void CopyToEnd(QIODevice& source, QIODevice& target)
{
    std::array<char, kInputChunk> chunk;
    for (;;) {
        const qint64 count = source.read(chunk.data(), kInputChunk);
        if (count < 0)
            RaiseReadFailure(source);
        if (count == 0)
            return;
        WriteFully(target, QByteArrayView(chunk.data(), count));
    }
}

} // namespace

TDosDateTime DosDateTimeOf(const QDateTime& moment)
{
    const QDateTime local = ToLocalTime(moment);
    const QDate date = local.date();
    if (!local.isValid() || date.year() < 1980 || date.year() > 2107)
        return {};
    const QTime time = local.time();
    return {static_cast<quint16>(time.second() / 2 + time.minute() * 32 + time.hour() * 2048),
            static_cast<quint16>(date.day() + date.month() * 32 + (date.year() - 1980) * 512)};
}

TEntryStamp EntryStampOf(const QFileDevice& file)
{
    return {DosDateTimeOf(file.fileTime(QFileDevice::FileModificationTime)), WindowsFileAttributes(file)};
}

TEntryStamp NewFileStamp() { return {DosDateTimeOf(QDateTime::currentDateTime()), cArchiveAttribute}; }

TZipWriter::TZipWriter(QIODevice& archive) : fArchive(archive) {}

TZipWriter::~TZipWriter() = default;

QIODevice& TZipWriter::BeginEntry(const QString& name, TZipMethod method)
{
    Q_ASSERT(!fData);
    Entry entry{.Name = name.toUtf8(), .Method = method, .Stamp = {}, .Offset = ZipSize(fArchive.pos(), name)};
    if (entry.Name.size() > std::numeric_limits<quint16>::max())
        throw Error(TErrorKind::ekInvalidValue, QStringLiteral("Archive entry name \"%1\" is too long").arg(name));

    // The header goes first with the stamp, CRC and sizes still 0; they are
    // known only once the data is written.
    WriteField<quint32>(fArchive, kLocalHeaderSignature);
    WriteEntryFields(entry);
    WriteFully(fArchive, entry.Name);
    fData = std::make_unique<TDeflatePipe>(fArchive);
    fOpen = std::move(entry);
    return *fData;
}

void TZipWriter::EndEntry(TEntryStamp stamp)
{
    Q_ASSERT(fData);
    const TDeflateResult deflated = std::exchange(fData, nullptr)->Finish();
    Entry entry = std::move(fOpen);
    const QString name = QString::fromUtf8(entry.Name);
    entry.Stamp = stamp;
    entry.Crc = deflated.Crc;
    entry.CompressedSize = ZipSize(deflated.CompressedSize, name);
    entry.UncompressedSize = ZipSize(deflated.UncompressedSize, name);
    const qint64 end = fArchive.pos();
    ZipSize(end, name); // the central directory must still be addressable
    SeekTo(entry.Offset + 4);
    WriteEntryFields(entry);
    SeekTo(end);
    fEntries.push_back(std::move(entry));
}

void TZipWriter::AddEntry(QIODevice& source, const QString& name, TZipMethod method, TEntryStamp stamp)
{
    ZipSize(source.size() - source.pos(), name);
    CopyToEnd(source, BeginEntry(name, method));
    EndEntry(stamp);
}

void TZipWriter::Finish()
{
    const qint64 directoryOffset = fArchive.pos();
    for (const Entry& entry : fEntries) {
        WriteField<quint32>(fArchive, kCentralHeaderSignature);
        WriteField<quint16>(fArchive, kVersion);
        WriteEntryFields(entry);
        WriteField<quint16>(fArchive, 0); // file comment length
        WriteField<quint16>(fArchive, 0); // disk number start
        WriteField<quint16>(fArchive, 0); // internal file attributes
        WriteField<quint32>(fArchive, entry.Stamp.ExternalAttributes);
        WriteField<quint32>(fArchive, entry.Offset);
        WriteFully(fArchive, entry.Name);
    }
    const qint64 directorySize = fArchive.pos() - directoryOffset;
    const auto entryCount = static_cast<quint16>(fEntries.size());

    WriteField<quint32>(fArchive, kEndRecordSignature);
    WriteField<quint16>(fArchive, 0); // number of this disk
    WriteField<quint16>(fArchive, 0); // disk where the central directory starts
    WriteField<quint16>(fArchive, entryCount);
    WriteField<quint16>(fArchive, entryCount);
    WriteField<quint32>(fArchive, static_cast<quint32>(directorySize));
    WriteField<quint32>(fArchive, static_cast<quint32>(directoryOffset));
    WriteField<quint16>(fArchive, 0); // comment length
}

// The fields that the local and the central header share, from the version
// needed to extract through the extra field length.
void TZipWriter::WriteEntryFields(const Entry& entry)
{
    WriteField<quint16>(fArchive, kVersion);
    WriteField<quint16>(fArchive, kUtf8NameFlag);
    WriteField<quint16>(fArchive, static_cast<quint16>(entry.Method));
    WriteField<quint16>(fArchive, entry.Stamp.Time.Time);
    WriteField<quint16>(fArchive, entry.Stamp.Time.Date);
    WriteField<quint32>(fArchive, entry.Crc);
    WriteField<quint32>(fArchive, entry.CompressedSize);
    WriteField<quint32>(fArchive, entry.UncompressedSize);
    WriteField<quint16>(fArchive, static_cast<quint16>(entry.Name.size()));
    WriteField<quint16>(fArchive, 0); // extra field length
}

void TZipWriter::SeekTo(qint64 offset)
{
    if (!fArchive.seek(offset))
        RaiseWriteFailure(fArchive);
}

QString DocumentEntryName(const QString& fileName)
{
    QString name = fileName;
    name.replace(u'\\', u'_').replace(u':', u'_');
    return name;
}

TKMZWriter::TKMZWriter(const QString& archivePath)
    : fFile(CreateSafeFile(archivePath)), fZip(std::make_unique<TZipWriter>(*fFile))
{
}

void TKMZWriter::AddFile(const QString& sourcePath, const QString& archiveName, TZipMethod method)
{
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        Close(); // any failure discards the archive
        throw Error::CannotOpenFile(sourcePath, source.errorString());
    }
    AddFile(source, archiveName.isEmpty() ? QFileInfo(sourcePath).fileName() : archiveName, method);
}

void TKMZWriter::AddFile(QFileDevice& source, const QString& archiveName, TZipMethod method)
{
    AddOrDiscard([&] {
        const QString name = archiveName.isEmpty() ? QFileInfo(source.fileName()).fileName() : archiveName;
        fZip->AddEntry(source, DocumentEntryName(name), method, EntryStampOf(source));
    });
}

QIODevice& TKMZWriter::BeginEntry(const QString& archiveName, TZipMethod method)
{
    QIODevice* data = nullptr;
    AddOrDiscard([&] { data = &fZip->BeginEntry(DocumentEntryName(archiveName), method); });
    return *data;
}

void TKMZWriter::EndEntry(TEntryStamp stamp)
{
    AddOrDiscard([&] { fZip->EndEntry(stamp); });
}

void TKMZWriter::Release()
{
    if (!fZip)
        return;
    const auto close = qScopeGuard([this] { Close(); });
    fZip->Finish();
    CommitSafeFile(*fFile);
}

template <typename Add>
void TKMZWriter::AddOrDiscard(Add&& add)
{
    Q_ASSERT(fZip); // released, or a previous add failed
    auto discard = qScopeGuard([this] { Close(); });
    add();
    discard.dismiss();
}

void TKMZWriter::Close()
{
    fZip.reset();
    fFile.reset(); // without a commit this removes the temporary file
}
