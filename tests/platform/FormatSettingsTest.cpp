#include "platform/Error.h"
#include "platform/FormatSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

namespace {

TFormatSettings EnglishSettings()
{
    return FormatSettingsFromLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));
}

struct NumberCase {
    double value;
    const char* text;
};

class GeneralNumberFormat : public ::testing::TestWithParam<NumberCase> {};

TEST_P(GeneralNumberFormat, WritesFifteenSignificantDigits)
{
    TFormatSettings settings = EnglishSettings();
    settings.DecimalSeparator = u'.';
    EXPECT_EQ(FloatToStr(GetParam().value, settings), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GeneralNumberFormat,
    ::testing::Values(NumberCase{0, "0"}, NumberCase{4.75, "4.75"}, NumberCase{5, "5"},
                      NumberCase{52.5, "52.5"}, NumberCase{0.00005, "5E-5"},
                      NumberCase{-0.0001, "-0.0001"}, NumberCase{0.0001, "0.0001"},
                      NumberCase{52.123456789012345, "52.1234567890123"},
                      NumberCase{0.00000125, "1.25E-6"}, NumberCase{1e14, "100000000000000"}, NumberCase{999999999999999.0, "999999999999999"},
                      NumberCase{1e15, "1E15"},
                      NumberCase{123456789012345678.0, "1.23456789012346E17"},
                      NumberCase{-180, "-180"}, NumberCase{0.1 + 0.2, "0.3"},
                      NumberCase{std::numeric_limits<double>::infinity(), "INF"},
                      NumberCase{-std::numeric_limits<double>::infinity(), "-INF"},
                      NumberCase{std::numeric_limits<double>::quiet_NaN(), "NAN"}));

// The digits come from whole-number arithmetic where that is exact; they must
// be those of the standard library's correctly rounded conversion, halfway
// cases included. Two different texts of 15 digits never read back as the
// same double, so comparing what they read back as compares the digits.
TEST(FormatSettings, FifteenDigitsAreRoundedLikeTheStandardLibrary)
{
    TFormatSettings settings = EnglishSettings();
    settings.DecimalSeparator = u'.';
    std::mt19937_64 random(2024);
    const auto uniform = [&random](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    std::vector<double> values;
    // An odd multiple of 2^-t with 16 significant digits ends in a 5 that
    // lies halfway: 1 + 2^-15 = 1.000030517578125.
    for (int t = 1; t <= 40; ++t) {
        const int integerDigits = 16 - t;
        const double low = std::pow(10.0, integerDigits - 1);
        for (int i = 0; i < 500; ++i) {
            const double odd = 2 * std::floor(std::ldexp(uniform(low, 10 * low), t) / 2) + 1;
            values.push_back(std::ldexp(odd, -t));
        }
    }
    for (int i = 0; i < 20000; ++i) {
        const double coordinate = uniform(-180, 180);
        values.push_back(coordinate);
        values.push_back(std::round(coordinate * 1e6) / 1e6);
        values.push_back(coordinate * std::pow(10.0, uniform(-20, 20)));
        values.push_back(std::bit_cast<double>(random()));
    }
    for (const double value : values) {
        if (!std::isfinite(value))
            continue;
        char expected[32];
        *std::to_chars(expected, expected + 31, value, std::chars_format::scientific, 14).ptr = '\0';
        const QByteArray text = FloatToStr(value, settings).toLatin1();
        ASSERT_EQ(std::strtod(text.constData(), nullptr), std::strtod(expected, nullptr))
            << text.constData() << " for " << expected;
    }
}

TEST(FormatSettings, NumbersUseTheRecordsDecimalSeparator)
{
    TFormatSettings settings = EnglishSettings();
    settings.DecimalSeparator = u',';
    EXPECT_EQ(FloatToStr(4.25, settings), QStringLiteral("4,25"));
    EXPECT_EQ(FloatToStr(0.00005, settings), QStringLiteral("5E-5"));
    EXPECT_DOUBLE_EQ(StrToFloat(QStringLiteral("52,5"), settings), 52.5);
    EXPECT_DOUBLE_EQ(StrToFloat(QStringLiteral(" -1,5E2 "), settings), -150);
}

TEST(FormatSettings, StrToFloatRefusesWhatIsNoNumber)
{
    TFormatSettings settings = EnglishSettings();
    settings.DecimalSeparator = u',';
    for (const char* text : {"52.5", "", "abc", "1,2,3", "1e", "--1", "1 000"}) {
        try {
            StrToFloat(QString::fromLatin1(text), settings);
            ADD_FAILURE() << text;
        } catch (const Error& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid floating point value").arg(QLatin1String(text)));
        }
    }
}

TEST(FormatSettings, DatePatterns)
{
    const TFormatSettings settings = EnglishSettings();
    const TDateTime value = EncodeDateTime(QDate(2024, 2, 5), QTime(14, 3, 7, 45));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dddd d mmm yyyy (hmsz)"), value, settings),
              QStringLiteral("Monday 5 Feb 2024 (143745)"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("d-mmm-yy (hh:mm)"), value, settings),
              QStringLiteral("5-Feb-24 (14:03)"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd-mm-yyyy"), value, settings), QStringLiteral("05-02-2024"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy/mm/dd \"at\" hh:nn:ss.zzz"), value, settings),
              QStringLiteral("2024/02/05 at 14:03:07.045"));
}

TEST(FormatSettings, DateTimeToStrLeavesOutMidnight)
{
    TFormatSettings settings = EnglishSettings();
    settings.ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    settings.LongTimeFormat = QStringLiteral("hh:nn:ss");
    EXPECT_EQ(DateTimeToStr(EncodeDateTime(QDate(2021, 3, 7), QTime(0, 0)), settings), QStringLiteral("2021-03-07"));
    EXPECT_EQ(DateTimeToStr(EncodeDateTime(QDate(2021, 3, 7), QTime(9, 5, 1)), settings),
              QStringLiteral("2021-03-07 09:05:01"));
}

TEST(FormatSettings, LocalePatternsAreTranslated)
{
    const TFormatSettings dutch = FormatSettingsFromLocale(QLocale(QLocale::Dutch, QLocale::Netherlands));
    EXPECT_EQ(dutch.DecimalSeparator, QChar(u','));
    EXPECT_EQ(dutch.LongDayNames.at(1), QStringLiteral("maandag"));
    const TDateTime value = EncodeDateTime(QDate(2024, 2, 5), QTime(14, 3, 7));
    EXPECT_EQ(FormatDateTime(dutch.ShortDateFormat, value, dutch), QStringLiteral("05-02-2024"));
    EXPECT_EQ(FormatDateTime(dutch.LongTimeFormat, value, dutch), QStringLiteral("14:03:07"));
}

} // namespace
