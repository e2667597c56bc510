#include "geo/uStreamUtils.h"

#include "platform/CodePage.h"
#include "platform/DeviceError.h"
#include "platform/Error.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

namespace {

void WriteAll(QIODevice& stream, const char* data, qint64 size)
{
    if (size > 0 && stream.write(data, size) != size)
        RaiseWriteFailure(stream);
}

template <typename T>
void WriteLittleEndian(QIODevice& stream, T value)
{
    std::array<char, sizeof(T)> bytes;
    qToLittleEndian(value, bytes.data());
    WriteAll(stream, bytes.data(), bytes.size());
}

template <typename T>
T ReadLittleEndian(TStreamReader& stream)
{
    return qFromLittleEndian<T>(stream.Take(sizeof(T)).data());
}

// The reader's first look ahead is small by default, for a device read for a
// value or two; it grows with every further look.
constexpr qint64 kLargestWindow = 1 << 20;

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16LEBom("\xFF\xFE");
const QByteArray kUtf16BEBom("\xFE\xFF");

QString Decode(QByteArrayView block, TTextEncoding& encoding)
{
    // The mark is skipped here; a second one after it is text, which the
    // decoder would otherwise drop as well.
    const auto decodeWith = [&block](QStringConverter::Encoding e, qsizetype bomSize) {
        QStringDecoder decoder(e, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return QString(decoder(block.sliced(bomSize)));
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

char16_t CodeUnit(QChar c) { return c.unicode(); }
char16_t CodeUnit(char c) { return static_cast<uchar>(c); }

// The value of a hexadecimal digit, -1 for any other character. A table:
// every point of a layer file carries 32 of them.
constexpr std::array<signed char, 128> kHexDigits = [] {
    std::array<signed char, 128> digits{};
    digits.fill(-1);
    for (int i = 0; i < 10; ++i)
        digits['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i)
        digits['a' + i] = digits['A' + i] = static_cast<signed char>(10 + i);
    return digits;
}();

int HexDigit(char16_t c) { return c < kHexDigits.size() ? kHexDigits[c] : -1; }

// Where the two digits of each byte of a GUID stand in its text form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", in the byte order of RFC 4122.
constexpr std::array<qsizetype, 16> kGuidBytesAt = {1, 3, 5, 7, 10, 12, 15, 17, 20, 22, 25, 27, 29, 31, 33, 35};

// The GUID of a text of that one form, in either letter case; false for any
// other text.
template <typename Text>
bool ParseGuidText(Text text, QUuid& guid)
{
    if (text.size() != 38 || CodeUnit(text[0]) != u'{' || CodeUnit(text[37]) != u'}')
        return false;
    for (const qsizetype hyphen : {9, 14, 19, 24}) {
        if (CodeUnit(text[hyphen]) != u'-')
            return false;
    }
    std::array<char, 16> bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = HexDigit(CodeUnit(text[kGuidBytesAt[i]]));
        const int low = HexDigit(CodeUnit(text[kGuidBytesAt[i] + 1]));
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<char>(high << 4 | low);
    }
    guid = QUuid::fromRfc4122(QByteArrayView(bytes.data(), bytes.size()));
    return true;
}

} // namespace

// ------------------------------------------------------------ TStreamReader

TStreamReader::TStreamReader(QIODevice& stream, qint64 firstWindow)
    : fStream(stream), fNextWindow(std::clamp<qint64>(firstWindow, 1, kLargestWindow))
{
}

TStreamReader::~TStreamReader() { Consume(); }

qint64 TStreamReader::BytesLeft() const { return ::BytesLeft(fStream) - fTaken; }

void TStreamReader::Consume()
{
    if (fTaken > 0)
        fStream.skip(fTaken);
    fWindow.resize(0); // keeps the room
    fTaken = 0;
}

void TStreamReader::Refill(qint64 count)
{
    Consume();
    const qint64 size = std::max(count, fNextWindow);
    fNextWindow = std::min(fNextWindow * 2, kLargestWindow);
    fWindow.resize(size);
    fWindow.resize(std::max<qint64>(fStream.peek(fWindow.data(), size), 0));
    if (fWindow.size() < count)
        RaiseReadFailure(fStream);
}

QByteArrayView TStreamReader::TakeBeyondWindow(qint64 count)
{
    if (count < 0 || count > BytesLeft())
        throw Error::StreamRead();
    Refill(count);
    return Take(count);
}

QByteArrayView TStreamReader::PeekUpTo(qint64 count)
{
    const qint64 wanted = std::clamp<qint64>(count, 0, BytesLeft());
    if (wanted > fWindow.size() - fTaken)
        Refill(wanted);
    return {fWindow.constData() + fTaken, wanted};
}

void TStreamReader::Skip(qint64 count)
{
    const qint64 inWindow = fWindow.size() - fTaken;
    if (count >= 0 && count <= inWindow) {
        fTaken += count;
        return;
    }
    if (count < 0 || count > BytesLeft())
        throw Error::StreamRead();
    fTaken += inWindow;
    Consume();
    if (fStream.skip(count - inWindow) != count - inWindow)
        RaiseReadFailure(fStream);
}

// ----------------------------------------------------------------- values

qint64 ReadStringCount(TStreamReader& stream)
{
    const auto count = static_cast<quint32>(ReadInteger(stream));
    if (count > static_cast<quint32>(std::numeric_limits<qint32>::max()))
        throw Error::RangeCheck();
    return count;
}

qint64 ReadStringCount(QIODevice& stream)
{
    TStreamReader reader(stream);
    return ReadStringCount(reader);
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

quint8 ReadByte(TStreamReader& stream) { return ReadLittleEndian<quint8>(stream); }
quint16 ReadWord(TStreamReader& stream) { return ReadLittleEndian<quint16>(stream); }
qint32 ReadInteger(TStreamReader& stream) { return ReadLittleEndian<qint32>(stream); }
double ReadDouble(TStreamReader& stream) { return std::bit_cast<double>(ReadLittleEndian<quint64>(stream)); }
bool ReadBoolean(TStreamReader& stream) { return ReadByte(stream) != 0; }
TDateTime ReadDateTime(TStreamReader& stream) { return ReadDouble(stream); }

quint8 ReadByte(QIODevice& stream)
{
    TStreamReader reader(stream);
    return ReadByte(reader);
}

quint16 ReadWord(QIODevice& stream)
{
    TStreamReader reader(stream);
    return ReadWord(reader);
}

qint32 ReadInteger(QIODevice& stream)
{
    TStreamReader reader(stream);
    return ReadInteger(reader);
}

double ReadDouble(QIODevice& stream)
{
    TStreamReader reader(stream);
    return ReadDouble(reader);
}

bool ReadBoolean(QIODevice& stream)
{
    TStreamReader reader(stream);
    return ReadBoolean(reader);
}

TDateTime ReadDateTime(QIODevice& stream)
{
    TStreamReader reader(stream);
    return ReadDateTime(reader);
}

void WriteString(QIODevice& stream, const QByteArray& text)
{
    WriteCardinal(stream, static_cast<quint32>(text.size()));
    WriteAll(stream, text.constData(), text.size());
}

QByteArrayView TakeString(TStreamReader& stream) { return stream.Take(ReadStringCount(stream)); }

QByteArray ReadString(TStreamReader& stream) { return TakeString(stream).toByteArray(); }

QByteArray ReadString(QIODevice& stream)
{
    TStreamReader reader(stream);
    return ReadString(reader);
}

void SkipString(TStreamReader& stream) { stream.Skip(ReadStringCount(stream)); }

void SkipString(QIODevice& stream)
{
    TStreamReader reader(stream);
    SkipString(reader);
}

void WriteString8(QIODevice& stream, const QByteArray& text)
{
    if (text.size() > 255)
        throw Error::RangeCheck();
    WriteByte(stream, static_cast<quint8>(text.size()));
    WriteAll(stream, text.constData(), text.size());
}

QByteArray ReadString8(TStreamReader& stream) { return stream.Take(ReadByte(stream)).toByteArray(); }

QByteArray ReadString8(QIODevice& stream)
{
    TStreamReader reader(stream);
    return ReadString8(reader);
}

QString GUIDToString(const QUuid& guid)
{
    return guid.toString(QUuid::WithBraces).toUpper();
}

bool TryStringToGUID(const QString& text, QUuid& guid) { return ParseGuidText(QStringView(text), guid); }

QUuid StringToGUID(const QString& text)
{
    QUuid guid;
    if (!TryStringToGUID(text, guid))
        throw Error(TErrorKind::ekInvalidValue, InvalidGuidText(text));
    return guid;
}

void WriteGUID(QIODevice& stream, const QUuid& guid)
{
    WriteString(stream, GUIDToString(guid).toLatin1());
}

QUuid ReadGUID(TStreamReader& stream)
{
    const QByteArrayView text = TakeString(stream);
    QUuid guid;
    if (!ParseGuidText(text, guid))
        throw Error(TErrorKind::ekDamage, InvalidGuidText(FromAnsi(text)));
    return guid;
}

QUuid ReadGUID(QIODevice& stream)
{
    TStreamReader reader(stream);
    return ReadGUID(reader);
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

void ReadStringList(TStreamReader& stream, TStringList& list)
{
    const qint32 count = ReadInteger(stream);
    if (count == 0)
        return;
    if (count < 0)
        throw Error::RangeCheck();
    TTextEncoding encoding = TTextEncoding::Ansi;
    const QString text = Decode(stream.Take(count), encoding);
    list.SetText(text);
    list.Encoding = encoding;
}

void ReadStringList(QIODevice& stream, TStringList& list)
{
    TStreamReader reader(stream);
    ReadStringList(reader, list);
}
