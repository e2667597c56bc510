// The stream primitives: a sequence of reads over arbitrary bytes, each
// consuming exactly the value it returns, failing only where the bytes
// cannot hold a value, on a random-access and on a front-to-back device.
#include "fuzz/FuzzTargets.h"

#include "geo/uStreamUtils.h"
#include "platform/Error.h"

#include <QBuffer>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>

namespace {

// A device that is read front to back only, as a pipe is.
class TSequentialDevice : public QIODevice {
public:
    explicit TSequentialDevice(const QByteArray& data) : fData(data) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return fData.size() - fPos + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 count = std::min(maxSize, fData.size() - fPos);
        if (count > 0)
            std::memcpy(data, fData.constData() + fPos, static_cast<std::size_t>(count));
        fPos += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray fData;
    qint64 fPos = 0;
};

enum class TRead : quint8 { Byte, Word, Integer, Double, Boolean, DateTime, String, String8, GUID, StringList, Skip };
constexpr quint8 kReadKinds = 11;
constexpr quint8 kMaxReads = 16;

QByteArray Written(const std::function<void(QIODevice&)>& write)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return buffer.data();
}

// The bytes of a read value written back in the form the writer gives it.
template <typename Source, typename Read, typename Write>
QByteArray WrittenBack(Source& source, Read read, Write write)
{
    const auto value = read(source);
    return Written([&](QIODevice& s) { write(s, value); });
}

// Reads one value from a device or from a reader kept over several reads.
// Returns the bytes it must have consumed: the value written back, or for a
// flag, a GUID and a text block, their stored form.
template <typename Source>
QByteArray ReadOne(TRead kind, Source& source, QByteArrayView ahead)
{
    switch (kind) {
    case TRead::Byte:
        return WrittenBack(source, [](Source& s) { return ReadByte(s); }, WriteByte);
    case TRead::Word:
        return WrittenBack(source, [](Source& s) { return ReadWord(s); }, WriteWord);
    case TRead::Integer:
        return WrittenBack(source, [](Source& s) { return ReadInteger(s); }, WriteInteger);
    case TRead::Double:
        return WrittenBack(source, [](Source& s) { return ReadDouble(s); }, WriteDouble);
    case TRead::DateTime:
        return WrittenBack(source, [](Source& s) { return ReadDateTime(s); }, WriteDateTime);
    case TRead::String:
        return WrittenBack(source, [](Source& s) { return ReadString(s); }, WriteString);
    case TRead::String8:
        return WrittenBack(source, [](Source& s) { return ReadString8(s); }, WriteString8);
    case TRead::Boolean: {
        const bool value = ReadBoolean(source);
        Require(value == (ahead.front() != 0), "any non-zero flag byte is true");
        return ahead.first(1).toByteArray();
    }
    case TRead::GUID: {
        const QByteArray back = WrittenBack(source, [](Source& s) { return ReadGUID(s); }, WriteGUID);
        const QByteArray stored = ahead.first(back.size()).toByteArray();
        Require(back == stored.toUpper(), "a GUID is read as its text says");
        return stored;
    }
    case TRead::StringList: {
        TStringList list;
        ReadStringList(source, list);
        TStringList again;
        QByteArray block = Written([&](QIODevice& s) { WriteStringList(s, &list); });
        QBuffer rewritten(&block);
        rewritten.open(QIODevice::ReadOnly);
        ReadStringList(rewritten, again);
        Require(again.Lines == list.Lines && again.Encoding == list.Encoding,
                "a text block reads back as it was written");
        const qint32 count = qFromLittleEndian<qint32>(ahead.data());
        return ahead.first(4 + count).toByteArray();
    }
    case TRead::Skip:
        SkipString(source);
        return ahead.first(4 + qFromLittleEndian<qint32>(ahead.data())).toByteArray();
    }
    throw TFuzzFinding("unknown read");
}

qint64 Left(const QIODevice& device)
{
    return BytesLeft(device);
}

qint64 Left(const TStreamReader& reader)
{
    return reader.BytesLeft();
}

// The width of the values that need no count; 0 for the others.
qint64 FixedWidth(TRead kind)
{
    switch (kind) {
    case TRead::Byte:
    case TRead::Boolean:
        return 1;
    case TRead::Word:
        return 2;
    case TRead::Integer:
        return 4;
    case TRead::Double:
    case TRead::DateTime:
        return 8;
    default:
        return 0;
    }
}

// The reads the input asks for, each checked to consume exactly its value,
// up to the first that fails.
template <typename Source>
void ReadAll(QByteArrayView kinds, Source& source, const QByteArray& stream)
{
    for (const char k : kinds) {
        const auto kind = static_cast<TRead>(static_cast<quint8>(k) % kReadKinds);
        const qint64 left = Left(source);
        Require(left >= 0 && left <= stream.size(), "the bytes left lie within the stream");
        const QByteArrayView ahead = QByteArrayView(stream).sliced(stream.size() - left);
        try {
            const QByteArray expected = ReadOne(kind, source, ahead);
            Require(left - Left(source) == expected.size() && ahead.startsWith(expected),
                    "a read consumes exactly the value it returns");
        } catch (const Error& e) {
            RequireReadError(e);
            Require(left < FixedWidth(kind) || FixedWidth(kind) == 0,
                    "a number fails only when the stream ends before it");
            return;
        }
    }
}

constexpr quint8 kSequential = 1;
constexpr quint8 kOneReader = 2;

QByteArray Program(quint8 flags, std::initializer_list<TRead> reads)
{
    QByteArray program;
    program.append(char(flags));
    program.append(char(reads.size()));
    for (const TRead read : reads)
        program.append(char(read));
    return program;
}

} // namespace

// The input: a byte whose lowest bit asks for a front-to-back device and whose
// next bit for one reader kept over all reads, a byte
// with the number of reads (up to 16), a byte per read with its kind, and
// then the stream.
void RunStreamPrimitives(QByteArrayView input)
{
    if (input.size() < 2)
        return;
    const bool sequential = (input[0] & kSequential) != 0;
    const auto reads = std::min<qsizetype>(static_cast<quint8>(input[1]) % (kMaxReads + 1), input.size() - 2);
    const QByteArrayView kinds = input.sliced(2, reads);
    const QByteArray stream = input.sliced(2 + reads).toByteArray();

    std::unique_ptr<QIODevice> device;
    if (sequential) {
        device = std::make_unique<TSequentialDevice>(stream);
    } else {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(stream);
        buffer->open(QIODevice::ReadOnly);
        device = std::move(buffer);
    }
    if ((input[0] & kOneReader) != 0) {
        qint64 unread = 0;
        {
            TStreamReader reader(*device);
            ReadAll(kinds, reader, stream);
            unread = reader.BytesLeft();
        }
        Require(BytesLeft(*device) == unread, "the device stands after the bytes read once the reader goes");
    } else {
        ReadAll(kinds, *device, stream);
    }
}

QList<QByteArray> StreamPrimitiveSeeds()
{
    const QByteArray values = Written([](QIODevice& s) {
        WriteByte(s, 0xAB);
        WriteWord(s, 6);
        WriteInteger(s, -2);
        WriteDouble(s, 51.44);
        WriteBoolean(s, true);
        WriteDateTime(s, 1.5);
        WriteString(s, "Kade \x80 5");
        WriteString8(s, "ROUTE");
        WriteGUID(s, QUuid(QStringLiteral("{12345678-9ABC-DEF0-0123-456789ABCDEF}")));
        TStringList list;
        list.Lines = {QStringLiteral("a"), QStringLiteral("b")};
        WriteStringList(s, &list);
        WriteString(s, "skip");
    });
    const std::initializer_list<TRead> everyKind = {
        TRead::Byte,   TRead::Word,    TRead::Integer, TRead::Double,     TRead::Boolean, TRead::DateTime,
        TRead::String, TRead::String8, TRead::GUID,    TRead::StringList, TRead::Skip};

    TStringList utf16;
    utf16.Lines = {QStringLiteral("\u00E9\u20AC"), QString()};
    utf16.Encoding = TTextEncoding::Utf16LE;
    TStringList utf8;
    utf8.Lines = {QStringLiteral("regel")};
    utf8.Encoding = TTextEncoding::Utf8;
    const QByteArray blocks = Written([&](QIODevice& s) {
        WriteStringList(s, &utf16);
        WriteStringList(s, &utf8);
        WriteInteger(s, 0);
    });
    const auto threeBlocks = {TRead::StringList, TRead::StringList, TRead::StringList};

    QList<QByteArray> seeds;
    for (const int flags : {0, 1, 2, 3}) // every mix of kSequential and kOneReader
        seeds << Program(quint8(flags), everyKind) + values << Program(quint8(flags), threeBlocks) + blocks;
    return seeds;
}
