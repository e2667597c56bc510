// The ZIP writer: any source bytes under any entry name make an archive
// whose one entry inflates back to those bytes, and a device that takes
// too little makes a write error, never a short archive.
#include "fuzz/FuzzTargets.h"

#include "export/uKMZWriter.h"
#include "platform/Error.h"
#include "support/ZipReader.h"

#include <QBuffer>
#include <QDataStream>
#include <QHash>
#include <QRandomGenerator>

#include <algorithm>
#include <optional>

namespace {

struct TEntryInput {
    TDosDateTime Stamp;
    quint32 Attributes = 0;
    QString Name;
    std::optional<qint64> Capacity; // of the archive device; none for unlimited
    QByteArray Content;
};

// A buffer that takes no bytes beyond a capacity, as a full disk.
class TLimitedBuffer : public QBuffer {
public:
    explicit TLimitedBuffer(qint64 capacity) : fCapacity(capacity) {}

protected:
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 room = fCapacity - pos();
        return room <= 0 ? -1 : QBuffer::writeData(data, std::min(size, room));
    }

private:
    qint64 fCapacity;
};

// Small inputs stand for large sources too, so that the writer's input and
// output buffers fill: the bytes as they are, repeated, or noise of a size.
enum class TShape : quint8 { Raw, Repeated, Noise };
constexpr quint8 kShapes = 3;

QByteArray Shaped(const QByteArray& bytes, quint8 shape, quint16 amount)
{
    switch (static_cast<TShape>(shape % kShapes)) {
    case TShape::Raw:
        break;
    case TShape::Repeated:
        return bytes.repeated(amount % 256 + 1);
    case TShape::Noise: {
        QByteArray noise(qsizetype(amount) * 4, Qt::Uninitialized);
        QRandomGenerator random(static_cast<quint32>(qHash(bytes)));
        random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        return noise;
    }
    }
    return bytes;
}

// The input: stamp time and date, attributes, a name of up to 255 UTF-8
// bytes after its length byte, a byte whose lowest bit limits the archive to
// the capacity that follows it, the shape of the source and its amount, then
// the source bytes.
TEntryInput Parse(QByteArrayView input)
{
    QByteArray bytes = QByteArray::fromRawData(input.data(), input.size());
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    TEntryInput entry;
    quint8 nameSize = 0;
    in >> entry.Stamp.Time >> entry.Stamp.Date >> entry.Attributes >> nameSize;
    QByteArray name(nameSize, Qt::Uninitialized);
    name.truncate(std::max(0, in.readRawData(name.data(), nameSize)));
    entry.Name = QString::fromUtf8(name);
    quint8 limited = 0;
    quint32 capacity = 0;
    quint8 shape = 0;
    quint16 amount = 0;
    in >> limited >> capacity >> shape >> amount;
    if ((limited & 1) != 0)
        entry.Capacity = capacity;
    entry.Content = Shaped(bytes.mid(in.device()->pos()), shape, amount);
    return entry;
}

QByteArray Zip(const TEntryInput& entry, QBuffer& archive)
{
    return Zipped(archive, entry.Content, entry.Name, entry.Stamp, entry.Attributes);
}

QByteArray Input(TDosDateTime stamp, quint32 attributes, const QByteArray& name, std::optional<quint32> capacity,
                 const QByteArray& content, TShape shape = TShape::Raw, quint16 amount = 0)
{
    QByteArray input;
    QDataStream out(&input, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << stamp.Time << stamp.Date << attributes << static_cast<quint8>(name.size());
    out.writeRawData(name.constData(), static_cast<int>(name.size()));
    out << static_cast<quint8>(capacity ? 1 : 0) << capacity.value_or(0) << static_cast<quint8>(shape) << amount;
    out.writeRawData(content.constData(), static_cast<int>(content.size()));
    return input;
}

} // namespace

void RequireArchiveOf(const QByteArray& archive, const QString& name, const QByteArray& content,
                      const TDosDateTime& stamp, quint32 attributes)
{
    TZipEntry entry;
    try {
        entry = ReadSingleEntry(archive);
    } catch (const TZipFormatError& e) {
        throw TFuzzFinding(e.what());
    }
    Require(entry.Content == content, "the entry inflates to the content");
    Require(entry.Name == name.toUtf8() && entry.Extra.isEmpty(), "the name as UTF-8 and no extra field");
    Require(entry.VersionNeeded == 20 && entry.Flags == 0x0800, "version 2.0, UTF-8 name");
    Require(entry.VersionMadeBy == 20, "a central header made by version 2.0");
    Require(entry.Stamp == stamp, "the stamp as given");
    Require(entry.Comment.isEmpty() && entry.InternalAttributes == 0, "no comment, no internal flags");
    Require(entry.ExternalAttributes == attributes, "the attributes");
}

void RunKmzWriter(QByteArrayView input)
{
    const TEntryInput entry = Parse(input);
    QBuffer unlimited;
    const QByteArray archive = Zip(entry, unlimited);
    RequireArchiveOf(archive, entry.Name, entry.Content, entry.Stamp, entry.Attributes);
    if (!entry.Capacity)
        return;

    TLimitedBuffer limited(*entry.Capacity);
    try {
        Require(Zip(entry, limited) == archive && archive.size() <= *entry.Capacity,
                "an archive that fits is written in full");
    } catch (const Error& e) {
        Require(e.Message() == ErrorText::StreamWrite() && archive.size() > *entry.Capacity,
                "only an archive that does not fit fails, with a write error");
    }
}

QList<QByteArray> KmzWriterSeeds()
{
    const TDosDateTime stamp{0x74BD, 0x5267};
    const QByteArray kml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                           "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document><name>Haven</name>"
                           "<Placemark><Point><coordinates>3.57,51.44,0</coordinates></Point></Placemark>"
                           "</Document></kml>\r\n";
    return {Input(stamp, 0x20, "Haven.kml", std::nullopt, kml),
            Input({}, 0, QByteArray(), std::nullopt, QByteArray()),
            Input(stamp, 0x20, "Z\xC3\xBC" "dwest \xE2\x82\xAC.kml", std::nullopt, kml, TShape::Repeated, 200),
            Input(stamp, 0x21, "ruis.bin", std::nullopt, "x", TShape::Noise, 30000),
            Input(stamp, 0x21, "ruis.bin", 70000, "y", TShape::Noise, 20000),
            Input(stamp, 0x20, "Haven.kml", 90, kml)};
}
