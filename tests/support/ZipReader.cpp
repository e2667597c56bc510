#include "ZipReader.h"

#include <QtEndian>

#include <zlib.h>

#include <stdexcept>
#include <string>

namespace {

void Check(bool holds, const char* what)
{
    if (!holds)
        throw std::runtime_error(std::string("not a single-entry archive: ") + what);
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

QByteArray Inflate(const QByteArray& compressed, quint32 size)
{
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
    Check(result == Z_STREAM_END && wholeInput, "the data is not one raw deflate stream");
    return out;
}

// The fields both headers share, from the version needed on.
struct EntryFields {
    quint16 Method = 0;
    quint32 Crc = 0;
    quint32 CompressedSize = 0;
    quint32 Size = 0;
    quint16 NameSize = 0;
    quint16 ExtraSize = 0;

    static EntryFields Read(FieldReader& r)
    {
        r.U16(); // version needed
        r.U16(); // flags
        EntryFields f;
        f.Method = r.U16();
        r.U32(); // time and date
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

TZipEntry ReadSingleEntry(const QByteArray& archive)
{
    FieldReader local(archive, 0);
    Check(local.U32() == 0x04034B50, "no local header at the start");
    const EntryFields fields = EntryFields::Read(local);
    Check(fields.Method == 8, "not deflated");
    const QByteArray name = local.Take(fields.NameSize);
    local.Take(fields.ExtraSize);
    const QByteArray content = Inflate(local.Take(fields.CompressedSize), fields.Size);
    Check(content.size() == qsizetype(fields.Size), "the size does not match the data");
    const auto crc = static_cast<quint32>(
        crc32(0, reinterpret_cast<const Bytef*>(content.constData()), static_cast<uInt>(content.size())));
    Check(crc == fields.Crc, "the CRC-32 does not match the data");

    const qsizetype directory = local.At();
    FieldReader central(archive, directory);
    Check(central.U32() == 0x02014B50, "no central header after the data");
    central.U16(); // version made by
    Check(EntryFields::Read(central) == fields, "the central header differs from the local one");
    central.Take(14); // comment size, disk, both attributes, offset
    Check(central.Take(fields.NameSize) == name, "the central header names another entry");
    central.Take(fields.ExtraSize);

    FieldReader end(archive, central.At());
    Check(end.U32() == 0x06054B50, "no end record after the central directory");
    end.U32(); // disks
    Check(end.U16() == 1 && end.U16() == 1, "more than one entry");
    Check(end.U32() == central.At() - directory && end.U32() == directory, "the end record misplaces the directory");
    Check(end.U16() == 0 && end.At() == archive.size(), "bytes after the end record");
    return {QString::fromUtf8(name), content};
}
