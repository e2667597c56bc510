#include "geo/uStreamUtils.h"
#include "platform/Error.h"
#include "support/TestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A buffer opened for reading over the given bytes.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : fBytes(bytes), fBuffer(&fBytes) { fBuffer.open(QIODevice::ReadOnly); }
    QBuffer& operator*() { return fBuffer; }

private:
    QByteArray fBytes;
    QBuffer fBuffer;
};

TEST(StreamUtils, NumbersAndFlagsAreLittleEndian)
{
    EXPECT_EQ(Written([](QIODevice& s) { WriteWord(s, 6); }), Hex("06 00"));
    EXPECT_EQ(Written([](QIODevice& s) { WriteInteger(s, 1); }), Hex("01 00 00 00"));
    EXPECT_EQ(Written([](QIODevice& s) { WriteCardinal(s, 0xFFFFFFFE); }), Hex("FE FF FF FF"));
    EXPECT_EQ(Written([](QIODevice& s) { WriteBoolean(s, true); }), Hex("01"));
    EXPECT_EQ(Written([](QIODevice& s) { WriteDateTime(s, 1.5); }), Hex("00 00 00 00 00 00 F8 3F"));

    Reader r(Hex("06 00 FF FF FF FF 02 00 00 00 00 00 00 F8 3F"));
    EXPECT_EQ(ReadWord(*r), 6);
    EXPECT_EQ(ReadInteger(*r), -1);
    EXPECT_TRUE(ReadBoolean(*r));
    EXPECT_EQ(ReadDateTime(*r), 1.5);
}

TEST(StreamUtils, Texts)
{
    EXPECT_EQ(Written([](QIODevice& s) { WriteString(s, QByteArray()); }), Hex("00 00 00 00"));
    EXPECT_EQ(Written([](QIODevice& s) { WriteString8(s, "ROUTE"); }), Hex("05 52 4F 55 54 45"));
    EXPECT_EQ(ErrorOf([] { Written([](QIODevice& s) { WriteString8(s, QByteArray(256, 'x')); }); }),
              QStringLiteral("Range check error"));

    Reader r(Hex("00 00 00 00 03 00 00 00 61 62 63 02 68 69"));
    EXPECT_EQ(ReadString(*r), QByteArray());
    EXPECT_EQ(ReadString(*r), QByteArray("abc"));
    EXPECT_EQ(ReadString8(*r), QByteArray("hi"));
}

TEST(StreamUtils, RefusedWriteOfString8WritesNothing)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_THROW(WriteString8(buffer, QByteArray(256, 'x')), Error);
    EXPECT_EQ(buffer.size(), 0);
}

TEST(StreamUtils, GuidTextForm)
{
    const QUuid guid(0x12345678, 0x9ABC, 0xDEF0, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF);
    const QByteArray text = "{12345678-9ABC-DEF0-0123-456789ABCDEF}";
    EXPECT_EQ(Written([&](QIODevice& s) { WriteGUID(s, guid); }), Hex("26 00 00 00") + text);

    Reader lower(Hex("26 00 00 00") + text.toLower());
    EXPECT_EQ(ReadGUID(*lower), guid);
}

TEST(StreamUtils, MalformedGuidTextsAreRefusedWithTheTextRead)
{
    for (const QByteArray& text : {QByteArray("12345678-9ABC-DEF0-0123-456789ABCDEF"),
                                  QByteArray("{12345678-9ABC-DEF0-0123-456789ABCDEG}"),
                                  QByteArray("{12345678+9ABC-DEF0-0123-456789ABCDEF}"),
                                  QByteArray("{12345678-9ABC-DEF0-0123-456789ABCDEF0}"), QByteArray()}) {
        QByteArray bytes;
        {
            QBuffer b(&bytes);
            b.open(QIODevice::WriteOnly);
            WriteString(b, text);
        }
        Reader r(bytes);
        EXPECT_EQ(ErrorOf([&] { ReadGUID(*r); }),
                  QStringLiteral("'%1' is not a valid GUID value").arg(QString::fromLatin1(text)));
    }
}

TEST(StreamUtils, StringLists)
{
    TStringList list;
    list.Lines = {QStringLiteral("a"), QStringLiteral("b")};
    EXPECT_EQ(Written([&](QIODevice& s) { WriteStringList(s, &list); }), Hex("06 00 00 00 61 0D 0A 62 0D 0A"));
    EXPECT_EQ(Written([](QIODevice& s) { WriteStringList(s, nullptr); }), Hex("00 00 00 00"));
    TStringList empty;
    EXPECT_EQ(Written([&](QIODevice& s) { WriteStringList(s, &empty); }), Hex("00 00 00 00"));

    TStringList kept;
    kept.Lines = {QStringLiteral("x")};
    Reader zero(Hex("00 00 00 00"));
    ReadStringList(*zero, kept);
    EXPECT_EQ(kept.Lines, QStringList{QStringLiteral("x")});

    Reader lone(Hex("03 00 00 00 61 0D 62"));
    ReadStringList(*lone, kept);
    EXPECT_EQ(kept.Lines, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    Reader crlf(Hex("03 00 00 00 61 0D 0A"));
    ReadStringList(*crlf, kept);
    EXPECT_EQ(kept.Lines, QStringList{QStringLiteral("a")});
}

struct EncodedBlock {
    const char* bytes;
    TTextEncoding encoding;
};

class StringListEncodings : public ::testing::TestWithParam<EncodedBlock> {};

TEST_P(StringListEncodings, DecodesByTheMarkAndWritesTheSameBytesBack)
{
    const QByteArray block = Hex(GetParam().bytes);
    QByteArray stored = Written([&](QIODevice& s) { WriteInteger(s, static_cast<qint32>(block.size())); }) + block;
    Reader r(stored);
    TStringList list;
    ReadStringList(*r, list);
    EXPECT_EQ(list.Lines, (QStringList{QStringLiteral("\u00EBa"), QStringLiteral("\u20AC")}));
    EXPECT_EQ(list.Encoding, GetParam().encoding);
    EXPECT_EQ(Written([&](QIODevice& s) { WriteStringList(s, &list); }), stored);
}

INSTANTIATE_TEST_SUITE_P(
    Marks, StringListEncodings,
    ::testing::Values(EncodedBlock{"EB 61 0D 0A 80 0D 0A", TTextEncoding::Ansi},
                      EncodedBlock{"EF BB BF C3 AB 61 0D 0A E2 82 AC 0D 0A", TTextEncoding::Utf8},
                      EncodedBlock{"FF FE EB 00 61 00 0D 00 0A 00 AC 20 0D 00 0A 00", TTextEncoding::Utf16LE},
                      EncodedBlock{"FE FF 00 EB 00 61 00 0D 00 0A 20 AC 00 0D 00 0A", TTextEncoding::Utf16BE}));

// A zero-width no-break space after the mark is text, not a second mark: a
// list read and written again keeps it.
TEST(StreamUtils, OnlyTheFirstMarkOfATextBlockIsSkipped)
{
    for (const EncodedBlock& b : {EncodedBlock{"EF BB BF EF BB BF 61 0D 0A", TTextEncoding::Utf8},
                                  EncodedBlock{"FF FE FF FE 61 00 0D 00 0A 00", TTextEncoding::Utf16LE},
                                  EncodedBlock{"FE FF FE FF 00 61 00 0D 00 0A", TTextEncoding::Utf16BE}}) {
        const QByteArray block = Hex(b.bytes);
        QByteArray stored = Written([&](QIODevice& s) { WriteInteger(s, static_cast<qint32>(block.size())); }) + block;
        Reader r(stored);
        TStringList list;
        ReadStringList(*r, list);
        EXPECT_EQ(list.Lines, QStringList{QStringLiteral("\uFEFFa")}) << b.bytes;
        EXPECT_EQ(list.Encoding, b.encoding) << b.bytes;
        EXPECT_EQ(Written([&](QIODevice& s) { WriteStringList(s, &list); }), stored) << b.bytes;
    }
}

struct DamagedRead {
    const char* name;
    const char* bytes;
    std::function<void(QIODevice&)> read;
    const char* error;
};

TEST(StreamUtils, DamagedInputFailsAtOnceWithoutAllocating)
{
    TStringList list;
    const DamagedRead cases[] = {
        {"short word", "06", [](QIODevice& s) { ReadWord(s); }, "Stream read error"},
        {"short double", "00 00 00", [](QIODevice& s) { ReadDouble(s); }, "Stream read error"},
        {"text longer than the stream", "FF FF FF 7F 61", [](QIODevice& s) { ReadString(s); }, "Stream read error"},
        {"text count of 2^31", "00 00 00 80 61", [](QIODevice& s) { ReadString(s); }, "Range check error"},
        {"skip beyond the end", "05 00 00 00 61", [](QIODevice& s) { SkipString(s); }, "Stream read error"},
        {"skip count of 2^31", "00 00 00 80", [](QIODevice& s) { SkipString(s); }, "Range check error"},
        {"short text8", "05 61 62", [](QIODevice& s) { ReadString8(s); }, "Stream read error"},
        {"list longer than the stream", "00 00 00 70 61", [&](QIODevice& s) { ReadStringList(s, list); }, "Stream read error"},
        {"negative list count", "FF FF FF FF", [&](QIODevice& s) { ReadStringList(s, list); }, "Range check error"},
        {"empty stream", "", [](QIODevice& s) { ReadByte(s); }, "Stream read error"},
    };
    for (const auto& c : cases) {
        Reader r(Hex(c.bytes));
        EXPECT_EQ(ErrorOf([&] { c.read(*r); }), QString::fromLatin1(c.error)) << c.name;
    }
}

TEST(StreamUtils, SkipStringConsumesTheValue)
{
    Reader r(Hex("02 00 00 00 61 62 07"));
    SkipString(*r);
    EXPECT_EQ(ReadByte(*r), 7);
}

// Values far beyond the reader's look-ahead, some larger than it: the same
// values, and the device stands just after the last one read.
TEST(StreamReader, ReadsLongRunsAndLeavesTheDeviceAfterThem)
{
    const QByteArray large(100000, 'x');
    const QByteArray bytes = Written([&](QIODevice& s) {
        for (int i = 0; i < 20000; ++i) {
            WriteInteger(s, i);
            WriteString(s, i % 5000 == 0 ? large : QByteArray::number(i));
            WriteDouble(s, i * 0.5);
            WriteString(s, large.left(i % 3));
        }
        WriteByte(s, 7);
    });
    Reader r(bytes);
    {
        TStreamReader reader(*r);
        int wrong = 0;
        for (int i = 0; i < 20000; ++i) {
            wrong += ReadInteger(reader) != i;
            wrong += ReadString(reader) != (i % 5000 == 0 ? large : QByteArray::number(i));
            wrong += ReadDouble(reader) != i * 0.5;
            SkipString(reader);
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(reader.BytesLeft(), 1);
    }
    EXPECT_EQ((*r).pos(), bytes.size() - 1);
    EXPECT_EQ(ReadByte(*r), 7);
}

TEST(StreamReader, AFailedReadLeavesTheDeviceAfterTheLastValueRead)
{
    Reader r(Hex("05 00 00 00 64 00 00 00 61 62 63"));
    {
        TStreamReader reader(*r);
        EXPECT_EQ(ReadInteger(reader), 5);
        EXPECT_EQ(ErrorOf([&] { ReadString(reader); }), QStringLiteral("Stream read error"));
    }
    EXPECT_EQ((*r).pos(), 8);
}

TEST(StreamUtils, WritesToAFullDeviceFail)
{
    QBuffer closed;
    EXPECT_EQ(ErrorOf([&] { WriteString(closed, "abc"); }), QStringLiteral("Stream write error"));
}

} // namespace
