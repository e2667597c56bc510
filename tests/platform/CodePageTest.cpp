#include "platform/CodePage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct CodePageCase {
    char16_t unicode;
    unsigned char ansi;
};

class CodePageTable : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTable, MapsBothWays)
{
    const auto [unicode, ansi] = GetParam();
    const QString text{QChar(unicode)};
    const QByteArray bytes(1, static_cast<char>(ansi));
    EXPECT_EQ(ToAnsi(text), bytes);
    EXPECT_EQ(FromAnsi(bytes), text);
}

// The letters where Windows-1252 and Latin-1 part ways, and some that agree.
INSTANTIATE_TEST_SUITE_P(Windows1252, CodePageTable,
                         ::testing::Values(CodePageCase{u'A', 0x41}, CodePageCase{0x20AC, 0x80},
                                           CodePageCase{0x0152, 0x8C}, CodePageCase{0x0161, 0x9A},
                                           CodePageCase{0x0178, 0x9F}, CodePageCase{0x2122, 0x99},
                                           CodePageCase{0x201E, 0x84}, CodePageCase{0x0081, 0x81},
                                           CodePageCase{0x00EB, 0xEB}, CodePageCase{0x00FF, 0xFF}));

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(ToAnsi(QStringLiteral("a\u0394b\u4E2D")), QByteArray("a?b?"));
    // A character outside the basic plane is one character, so one mark.
    EXPECT_EQ(ToAnsi(QString::fromUcs4(U"x\U0001F6A2y")), QByteArray("x?y"));
}

TEST(CodePage, LatinOneRangeThatDiffersFromUnicodeStillRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(ToAnsi(FromAnsi(all)), all);
}

} // namespace
