#include "support/ZipReader.h"

#include <QtEndian>

#include <zlib.h>

#include <string>

namespace {

void Check(bool holds, const char* what)
{
    if (!holds)
        throw TZipFormatError(what);
}

class FieldReader {
public:
    FieldReader(const QByteArray& bytes, qsizetype at) : fBytes(bytes), fAt(at) {}

    quint16 U16() { return qFromLittleEndian<quint16>(Take(2).data()); }
    quint32 U32() { return qFromLittleEndian<quint32>(Take(4).data()); }
    QByteArray Take(qsizetype size)
    {
        Check(fAt + size <= fBytes.size(), "a field beyond the end");
        const QByteArray field = fBytes.mid(fAt, size);
        fAt += size;
        return field;
    }
    qsizetype At() const { return fAt; }

private:
    const QByteArray& fBytes;
    qsizetype fAt;
};

// The most that deflate makes of one byte: a 258-byte match in two bits.
constexpr qint64 kMostInflatedPerByte = 1032;

QByteArray Inflate(const QByteArray& compressed, quint32 size)
{
    Check(size <= compressed.size() * kMostInflatedPerByte, "a size that the data cannot inflate to");
    z_stream stream{};
    Check(inflateInit2(&stream, -MAX_WBITS) == Z_OK, "zlib does not start");
    QByteArray out(qsizetype(size) + 1, Qt::Uninitialized); // room to notice surplus
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const bool wholeInput = stream.avail_in == 0;
    out.truncate(out.size() - stream.avail_out);
    inflateEnd(&stream);
    Check(result == Z_STREAM_END && wholeInput, "the data is not one complete raw deflate stream");
    return out;
}

// The fields both headers share, from the version needed on.
struct EntryFields {
    quint16 VersionNeeded = 0;
    quint16 Flags = 0;
    quint16 Method = 0;
    TDosDateTime Stamp;
    quint32 Crc = 0;
    quint32 CompressedSize = 0;
    quint32 Size = 0;
    quint16 NameSize = 0;
    quint16 ExtraSize = 0;

    static EntryFields Read(FieldReader& r)
    {
        EntryFields f;
        f.VersionNeeded = r.U16();
        f.Flags = r.U16();
        f.Method = r.U16();
        f.Stamp.Time = r.U16();
        f.Stamp.Date = r.U16();
        f.Crc = r.U32();
        f.CompressedSize = r.U32();
        f.Size = r.U32();
        f.NameSize = r.U16();
        f.ExtraSize = r.U16();
        return f;
    }
    bool operator==(const EntryFields&) const = default;
};

} // namespace

TZipFormatError::TZipFormatError(const char* what)
    : std::runtime_error(std::string("not a single-entry archive: ") + what)
{
}

TZipEntry ReadSingleEntry(const QByteArray& archive)
{
    TZipEntry entry;
    FieldReader local(archive, 0);
    Check(local.U32() == 0x04034B50, "no local header at the start");
    const EntryFields fields = EntryFields::Read(local);
    Check(fields.Method == 8, "not deflated");
    entry.Name = local.Take(fields.NameSize);
    entry.Extra = local.Take(fields.ExtraSize);
    entry.Content = Inflate(local.Take(fields.CompressedSize), fields.Size);
    Check(entry.Content.size() == qsizetype(fields.Size), "the size does not match the data");
    const auto crc = static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(entry.Content.constData()),
                                                static_cast<uInt>(entry.Content.size())));
    Check(crc == fields.Crc, "the CRC-32 does not match the data");
    entry.VersionNeeded = fields.VersionNeeded;
    entry.Flags = fields.Flags;
    entry.Stamp = fields.Stamp;

    const qsizetype directory = local.At();
    FieldReader central(archive, directory);
    Check(central.U32() == 0x02014B50, "no central header after the data");
    entry.VersionMadeBy = central.U16();
    Check(EntryFields::Read(central) == fields, "the central header differs from the local one");
    const quint16 commentSize = central.U16();
    Check(central.U16() == 0, "the entry starts on another disk");
    entry.InternalAttributes = central.U16();
    entry.ExternalAttributes = central.U32();
    Check(central.U32() == 0, "the central header points past the entry at the start");
    Check(central.Take(fields.NameSize) == entry.Name, "the central header names another entry");
    central.Take(fields.ExtraSize);
    entry.Comment = central.Take(commentSize);

    FieldReader end(archive, central.At());
    Check(end.U32() == 0x06054B50, "no end record after the central directory");
    Check(end.U16() == 0 && end.U16() == 0, "the directory lies on another disk");
    Check(end.U16() == 1 && end.U16() == 1, "more than one entry");
    Check(end.U32() == central.At() - directory && end.U32() == directory, "the end record misplaces the directory");
    Check(end.U16() == 0 && end.At() == archive.size(), "bytes after the end record");
    return entry;
}

QByteArray Zipped(QBuffer& archive, const QByteArray& content, const QString& name, const TDosDateTime& stamp,
                  quint32 attributes)
{
    archive.open(QIODevice::ReadWrite);
    QBuffer source;
    source.setData(content);
    source.open(QIODevice::ReadOnly);
    TZipWriter zip(archive);
    zip.AddEntry(source, name, TZipMethod::Deflate, {stamp, attributes});
    zip.Finish();
    return archive.data();
}
