#include "support/TestSupport.h"
#include "util/uSharedSettings.h"

#include <gtest/gtest.h>

namespace {

class SharedSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { InitSharedSettings(); }
    void TearDown() override { InitSharedSettings(); }

    const TDateTime fDate = EncodeDateTime(QDate(2021, 3, 7), QTime(14, 5, 9));
};

TEST_F(SharedSettingsTest, NumbersUseADecimalCommaUntilAUserChangesIt)
{
    EXPECT_EQ(FloatToStr(4.25, SharedSettings()), QStringLiteral("4,25"));
    SharedSettings().DecimalSeparator = u'.';
    EXPECT_EQ(FloatToStr(4.25, SharedSettings()), QStringLiteral("4.25"));
    EXPECT_EQ(FloatToStr(4.25, USSettings()), QStringLiteral("4.25"));
}

TEST_F(SharedSettingsTest, DatesFollowEachRecordsPatterns)
{
    EXPECT_EQ(FormatDateTime(SharedSettings().ShortDateFormat, fDate, SharedSettings()), QStringLiteral("07-03-2021"));
    for (const TFormatSettings* settings : {&USSettings(), &USFormatSettings()}) {
        EXPECT_EQ(FormatDateTime(settings->ShortDateFormat, fDate, *settings), QStringLiteral("2021-03-07"));
        EXPECT_EQ(DateTimeToStr(fDate, *settings), QStringLiteral("2021-03-07 14:05:09"));
    }
}

TEST_F(SharedSettingsTest, FieldsWithoutAFixedValueComeFromTheLocale)
{
    const TFormatSettings locale = FormatSettingsFromLocale();
    EXPECT_EQ(SharedSettings().LongDateFormat, locale.LongDateFormat);
    EXPECT_EQ(SharedSettings().LongTimeFormat, locale.LongTimeFormat);
    EXPECT_EQ(SharedSettings().TimeSeparator, locale.TimeSeparator);
    EXPECT_EQ(USSettings().LongMonthNames, locale.LongMonthNames);
    EXPECT_EQ(USFormatSettings().CurrencyString, locale.CurrencyString);
    EXPECT_EQ(SharedSettings().ThousandSeparator, u'.');
    EXPECT_EQ(USSettings().ThousandSeparator, u',');
    EXPECT_EQ(ContentEncoding(), QStringLiteral("utf-8"));
}

} // namespace
