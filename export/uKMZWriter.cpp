#include "export/uKMZWriter.h"

#include "platform/Error.h"
#include "platform/FileAttributes.h"
#include "util/uDeviceWrite.h"
#include "util/uSafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QtEndian>

#include <zlib.h>

#include <array>
#include <concepts>
#include <limits>
#include <new>
#include <vector>

namespace {

constexpr quint32 kLocalHeaderSignature = 0x04034B50;
constexpr quint32 kCentralHeaderSignature = 0x02014B50;
constexpr quint32 kEndRecordSignature = 0x06054B50;
constexpr quint16 kVersion = 20; // APPNOTE 2.0; as "made by", high byte 0 is MS-DOS
constexpr quint16 kUtf8NameFlag = 0x0800;
constexpr qint64 kInputChunk = 16384;
constexpr qint64 kOutputBuffer = 65536;

void WriteBytes(QIODevice& device, QByteArrayView bytes)
{
    if (!WriteFully(device, bytes))
        throw Error::StreamWrite();
}

// A ZIP field: little-endian on any machine.
template <std::unsigned_integral T>
void WriteField(QIODevice& device, T value)
{
    std::array<char, sizeof(T)> bytes;
    qToLittleEndian(value, bytes.data());
    WriteBytes(device, QByteArrayView(bytes.data(), bytes.size()));
}

quint32 ZipSize(qint64 value, const QString& entryName)
{
    if (value < 0 || value > std::numeric_limits<quint32>::max())
        throw Error(TErrorKind::ekInvalidValue, QStringLiteral("\"%1\" is too large for a ZIP archive").arg(entryName));
    return static_cast<quint32>(value);
}

// Raw deflate (no zlib header or trailer) onto a device, through a buffer of
// fixed size, so memory use does not grow with the data.
class RawDeflater {
public:
    explicit RawDeflater(QIODevice& out) : fOut(out), fBuffer(kOutputBuffer)
    {
        if (deflateInit2(&fStream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
        ResetBuffer();
    }
    ~RawDeflater() { deflateEnd(&fStream); }
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    void Feed(char* data, qint64 size)
    {
        fStream.next_in = reinterpret_cast<Bytef*>(data);
        fStream.avail_in = static_cast<uInt>(size);
        while (fStream.avail_in > 0)
            Deflate(Z_NO_FLUSH);
    }

    void Finish()
    {
        while (Deflate(Z_FINISH) != Z_STREAM_END) {
        }
        WriteBuffer(kOutputBuffer - fStream.avail_out);
    }

    qint64 Written() const { return fWritten; }

private:
    int Deflate(int flush)
    {
        const int result = deflate(&fStream, flush);
        Q_ASSERT(result != Z_STREAM_ERROR);
        if (fStream.avail_out == 0)
            WriteBuffer(kOutputBuffer);
        return result;
    }

    void WriteBuffer(qint64 size)
    {
        WriteBytes(fOut, QByteArrayView(fBuffer.data(), size));
        fWritten += size;
        ResetBuffer();
    }

    void ResetBuffer()
    {
        fStream.next_out = reinterpret_cast<Bytef*>(fBuffer.data());
        fStream.avail_out = static_cast<uInt>(fBuffer.size());
    }

    QIODevice& fOut;
    std::vector<char> fBuffer;
    z_stream fStream{};
    qint64 fWritten = 0;
};

} // namespace

TDosDateTime DosDateTimeOf(const QDateTime& moment)
{
    const QDateTime local = moment.toLocalTime();
    const QDate date = local.date();
    if (!local.isValid() || date.year() < 1980 || date.year() > 2107)
        return {};
    const QTime time = local.time();
    return {static_cast<quint16>(time.second() / 2 + time.minute() * 32 + time.hour() * 2048),
            static_cast<quint16>(date.day() + date.month() * 32 + (date.year() - 1980) * 512)};
}

TZipWriter::TZipWriter(QIODevice& archive) : fArchive(archive) {}

void TZipWriter::AddEntry(QIODevice& source, const QString& name, TZipMethod method, TDosDateTime stamp,
                          quint32 externalAttributes)
{
    Entry entry{.Name = name.toUtf8(),
                .Method = method,
                .Stamp = stamp,
                .UncompressedSize = ZipSize(source.size(), name),
                .ExternalAttributes = externalAttributes,
                .Offset = ZipSize(fArchive.pos(), name)};
    if (entry.Name.size() > std::numeric_limits<quint16>::max())
        throw Error(TErrorKind::ekInvalidValue, QStringLiteral("Archive entry name \"%1\" is too long").arg(name));

    // The header goes first with the CRC and compressed size still 0; both
    // are known only once the data is written.
    WriteField<quint32>(fArchive, kLocalHeaderSignature);
    WriteEntryFields(entry);
    WriteBytes(fArchive, entry.Name);

    RawDeflater deflater(fArchive);
    std::vector<char> input(kInputChunk);
    uLong crc = crc32(0, Z_NULL, 0);
    qint64 total = 0;
    for (;;) {
        const qint64 count = source.read(input.data(), kInputChunk);
        if (count < 0)
            throw Error(TErrorKind::ekReadFailed, ErrorText::StreamRead());
        if (count == 0)
            break;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(input.data()), static_cast<uInt>(count));
        total += count;
        deflater.Feed(input.data(), count);
    }
    deflater.Finish();

    entry.Crc = static_cast<quint32>(crc);
    entry.CompressedSize = ZipSize(deflater.Written(), name);
    entry.UncompressedSize = ZipSize(total, name);
    const qint64 end = fArchive.pos();
    ZipSize(end, name); // the central directory must still be addressable
    SeekTo(entry.Offset + 4);
    WriteEntryFields(entry);
    SeekTo(end);
    fEntries.push_back(std::move(entry));
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
        WriteField<quint32>(fArchive, entry.ExternalAttributes);
        WriteField<quint32>(fArchive, entry.Offset);
        WriteBytes(fArchive, entry.Name);
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
    WriteField<quint16>(fArchive, entry.Stamp.Time);
    WriteField<quint16>(fArchive, entry.Stamp.Date);
    WriteField<quint32>(fArchive, entry.Crc);
    WriteField<quint32>(fArchive, entry.CompressedSize);
    WriteField<quint32>(fArchive, entry.UncompressedSize);
    WriteField<quint16>(fArchive, static_cast<quint16>(entry.Name.size()));
    WriteField<quint16>(fArchive, 0); // extra field length
}

void TZipWriter::SeekTo(qint64 offset)
{
    if (!fArchive.seek(offset))
        throw Error::StreamWrite();
}

TKMZWriter::TKMZWriter(const QString& archivePath)
    : fPath(archivePath), fFile(CreateSafeFile(archivePath)), fZip(std::make_unique<TZipWriter>(*fFile))
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
    Q_ASSERT(fZip); // released, or a previous add failed
    auto discard = qScopeGuard([this] { Close(); });
    const QString name = archiveName.isEmpty() ? QFileInfo(source.fileName()).fileName() : archiveName;
    const QDateTime modified = source.fileTime(QFileDevice::FileModificationTime);
    WriteArchive([&] { fZip->AddEntry(source, name, method, DosDateTimeOf(modified), WindowsFileAttributes(source)); });
    discard.dismiss();
}

void TKMZWriter::Release()
{
    if (!fZip)
        return;
    const auto close = qScopeGuard([this] { Close(); });
    WriteArchive([this] { fZip->Finish(); });
    CommitSafeFile(*fFile);
}

// A failing write on the archive is reported with the archive's own name.
template <typename Write>
void TKMZWriter::WriteArchive(Write&& write)
{
    try {
        write();
    } catch (const Error&) {
        if (fFile->error() == QFileDevice::NoError)
            throw;
        throw Error::CannotCreateFile(fPath, fFile->errorString());
    }
}

void TKMZWriter::Close()
{
    fZip.reset();
    fFile.reset(); // without a commit this removes the temporary file
}
