#include "geo/uStreamUtils.h"

#include "platform/CodePage.h"
#include "util/Error.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <array>
#include <bit>
#include <limits>

namespace {

void WriteAll(QIODevice& stream, const char* data, qint64 size)
{
    if (size > 0 && stream.write(data, size) != size)
        throw Error(ErrorText::StreamWrite());
}

void ReadAll(QIODevice& stream, char* data, qint64 size)
{
    if (size > 0 && stream.read(data, size) != size)
        throw Error(ErrorText::StreamRead());
}

template <typename T>
void WriteLittleEndian(QIODevice& stream, T value)
{
    std::array<char, sizeof(T)> bytes;
    qToLittleEndian(value, bytes.data());
    WriteAll(stream, bytes.data(), bytes.size());
}

template <typename T>
T ReadLittleEndian(QIODevice& stream)
{
    std::array<char, sizeof(T)> bytes;
    ReadAll(stream, bytes.data(), bytes.size());
    return qFromLittleEndian<T>(bytes.data());
}

// The bytes of a counted value; the count is checked against what the stream
// holds before anything is allocated.
QByteArray ReadBytes(QIODevice& stream, qint64 count)
{
    if (count > BytesLeft(stream))
        throw Error(ErrorText::StreamRead());
    QByteArray bytes(count, Qt::Uninitialized);
    ReadAll(stream, bytes.data(), count);
    return bytes;
}

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16LEBom("\xFF\xFE");
const QByteArray kUtf16BEBom("\xFE\xFF");

QString Decode(const QByteArray& block, TTextEncoding& encoding)
{
    // The mark is skipped here; a second one after it is text, which the
    // decoder would otherwise drop as well.
    const auto decodeWith = [&block](QStringConverter::Encoding e, qsizetype bomSize) {
        QStringDecoder decoder(e, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return QString(decoder(QByteArrayView(block).sliced(bomSize)));
    };
    if (block.startsWith(kUtf8Bom)) {
        encoding = TTextEncoding::Utf8;
        return decodeWith(QStringConverter::Utf8, kUtf8Bom.size());
    }
    if (block.startsWith(kUtf16LEBom)) {
        encoding = TTextEncoding::Utf16LE;
        return decodeWith(QStringConverter::Utf16LE, kUtf16LEBom.size());
    }
    if (block.startsWith(kUtf16BEBom)) {
        encoding = TTextEncoding::Utf16BE;
        return decodeWith(QStringConverter::Utf16BE, kUtf16BEBom.size());
    }
    encoding = TTextEncoding::Ansi;
    return FromAnsi(block);
}

QByteArray Encode(const QString& text, TTextEncoding encoding)
{
    const auto encodeWith = [&text](QStringConverter::Encoding e, const QByteArray& bom) {
        QStringEncoder encoder(e, QStringConverter::Flag::Stateless);
        return bom + QByteArray(encoder(text));
    };
    switch (encoding) {
    case TTextEncoding::Utf8:
        return encodeWith(QStringConverter::Utf8, kUtf8Bom);
    case TTextEncoding::Utf16LE:
        return encodeWith(QStringConverter::Utf16LE, kUtf16LEBom);
    case TTextEncoding::Utf16BE:
        return encodeWith(QStringConverter::Utf16BE, kUtf16BEBom);
    case TTextEncoding::Ansi:
        break;
    }
    return ToAnsi(text);
}

QString InvalidGuidText(const QString& text)
{
    return QStringLiteral("'%1' is not a valid GUID value").arg(text);
}

} // namespace

qint64 ReadStringCount(QIODevice& stream)
{
    const auto count = static_cast<quint32>(ReadInteger(stream));
    if (count > static_cast<quint32>(std::numeric_limits<qint32>::max()))
        throw Error(ErrorText::RangeCheck());
    return count;
}

qint64 BytesLeft(const QIODevice& stream)
{
    return stream.isSequential() ? stream.bytesAvailable() : stream.size() - stream.pos();
}

void WriteByte(QIODevice& stream, quint8 value) { WriteLittleEndian(stream, value); }
void WriteWord(QIODevice& stream, quint16 value) { WriteLittleEndian(stream, value); }
void WriteInteger(QIODevice& stream, qint32 value) { WriteLittleEndian(stream, value); }
void WriteCardinal(QIODevice& stream, quint32 value) { WriteLittleEndian(stream, value); }
void WriteDouble(QIODevice& stream, double value) { WriteLittleEndian(stream, std::bit_cast<quint64>(value)); }
void WriteBoolean(QIODevice& stream, bool value) { WriteByte(stream, value ? 1 : 0); }
void WriteDateTime(QIODevice& stream, TDateTime value) { WriteDouble(stream, value); }

quint8 ReadByte(QIODevice& stream) { return ReadLittleEndian<quint8>(stream); }
quint16 ReadWord(QIODevice& stream) { return ReadLittleEndian<quint16>(stream); }
qint32 ReadInteger(QIODevice& stream) { return ReadLittleEndian<qint32>(stream); }
double ReadDouble(QIODevice& stream) { return std::bit_cast<double>(ReadLittleEndian<quint64>(stream)); }
bool ReadBoolean(QIODevice& stream) { return ReadByte(stream) != 0; }
TDateTime ReadDateTime(QIODevice& stream) { return ReadDouble(stream); }

void WriteString(QIODevice& stream, const QByteArray& text)
{
    WriteCardinal(stream, static_cast<quint32>(text.size()));
    WriteAll(stream, text.constData(), text.size());
}

QByteArray ReadString(QIODevice& stream)
{
    return ReadBytes(stream, ReadStringCount(stream));
}

void WriteString8(QIODevice& stream, const QByteArray& text)
{
    if (text.size() > 255)
        throw Error(ErrorText::RangeCheck());
    WriteByte(stream, static_cast<quint8>(text.size()));
    WriteAll(stream, text.constData(), text.size());
}

QByteArray ReadString8(QIODevice& stream)
{
    return ReadBytes(stream, ReadByte(stream));
}

QString GUIDToString(const QUuid& guid)
{
    return guid.toString(QUuid::WithBraces).toUpper();
}

bool TryStringToGUID(const QString& text, QUuid& guid)
{
    if (text.size() != 38 || text.front() != u'{' || text.back() != u'}')
        return false;
    for (qsizetype i = 1; i < 37; ++i) {
        const QChar c = text.at(i);
        const bool hyphenPlace = i == 9 || i == 14 || i == 19 || i == 24;
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (hyphenPlace ? c != u'-' : !hex)
            return false;
    }
    guid = QUuid::fromString(text);
    return true;
}

QUuid StringToGUID(const QString& text)
{
    QUuid guid;
    if (!TryStringToGUID(text, guid))
        throw Error(InvalidGuidText(text));
    return guid;
}

void WriteGUID(QIODevice& stream, const QUuid& guid)
{
    WriteString(stream, GUIDToString(guid).toLatin1());
}

QUuid ReadGUID(QIODevice& stream)
{
    return StringToGUID(FromAnsi(ReadString(stream)));
}

void WriteStringList(QIODevice& stream, const TStringList* list)
{
    if (list == nullptr) {
        WriteInteger(stream, 0);
        return;
    }
    const QByteArray block = Encode(list->Text(), list->Encoding);
    WriteInteger(stream, static_cast<qint32>(block.size()));
    WriteAll(stream, block.constData(), block.size());
}

void ReadStringList(QIODevice& stream, TStringList& list)
{
    const qint32 count = ReadInteger(stream);
    if (count == 0)
        return;
    if (count < 0)
        throw Error(ErrorText::RangeCheck());
    TTextEncoding encoding = TTextEncoding::Ansi;
    const QString text = Decode(ReadBytes(stream, count), encoding);
    list.SetText(text);
    list.Encoding = encoding;
}
