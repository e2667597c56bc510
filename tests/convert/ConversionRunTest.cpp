#include "RecordingHost.h"

#include "convert/uConversionRun.h"
#include "platform/FormatSettings.h"
#include "util/uSharedSettings.h"

#include <gtest/gtest.h>

namespace {

// Every later user of the shared record formats numbers with a decimal point
// once a run has started, even a run that converts nothing.
TEST(ConversionRun, LeavesTheSharedRecordWithADecimalPoint)
{
    InitSharedSettings();
    ASSERT_EQ(FloatToStr(4.25, SharedSettings()), QStringLiteral("4,25"));
    RecordingHost host;
    EXPECT_EQ(ConvertRoutes({}, host), 0);
    EXPECT_EQ(FloatToStr(4.25, SharedSettings()), QStringLiteral("4.25"));
    InitSharedSettings();
}

} // namespace
