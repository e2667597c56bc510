#include "geo/uEasyCrypt.h"
#include "platform/Error.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(EasyCrypt, ScramblesWithTheRisingAndFallingOffset)
{
    EXPECT_EQ(AnsiCode("abc"), QByteArray("fhj"));
    EXPECT_EQ(AnsiDeCode("fhj"), QByteArray("abc"));
    EXPECT_EQ(AnsiCode(QByteArray()), QByteArray());
    EXPECT_EQ(AnsiCode(Hex("FF FE")), Hex("04 04"));
    EXPECT_EQ(AnsiDeCode(Hex("00 01")), Hex("FB FB"));
    // Offsets 5..10, 9..1, 2..: twenty zero bytes show the whole wave.
    EXPECT_EQ(AnsiCode(QByteArray(20, '\0')), Hex("05 06 07 08 09 0A 09 08 07 06 05 04 03 02 01 02 03 04 05 06"));
}

TEST(EasyCrypt, DecodeRestoresEveryByteString)
{
    QByteArray all;
    for (int i = 0; i < 1000; ++i)
        all.append(static_cast<char>(i * 7));
    EXPECT_EQ(AnsiDeCode(AnsiCode(all)), all);
    EXPECT_EQ(AnsiCode(AnsiDeCode(all)), all);
}

TEST(EasyCrypt, RefusesTextsBeyondSixteenBitPositions)
{
    EXPECT_EQ(AnsiCode(QByteArray(65535, 'a')).size(), 65535);
    try {
        AnsiCode(QByteArray(65536, 'a'));
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Range check error"));
    }
}

} // namespace
