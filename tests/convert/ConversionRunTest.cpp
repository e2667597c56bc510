#include "convert/uConversionRun.h"
#include "platform/FormatSettings.h"
#include "util/uSharedSettings.h"

#include <gtest/gtest.h>

namespace {

class SilentHost : public TConversionHost {
public:
    QString TargetFolder() const override { return {}; }
    bool DeleteTempFiles() const override { return true; }
    bool MakeGpx() const override { return false; }
    void ShowStatus(const QString&) override {}
    void Warn(const QString&) override {}
    void PassedOver(const QString&, TPassOver) override {}
    void Pause(int) override {}
};

// Every later user of the shared record formats numbers with a decimal point
// once a run has started, even a run that converts nothing.
TEST(ConversionRun, LeavesTheSharedRecordWithADecimalPoint)
{
    InitSharedSettings();
    ASSERT_EQ(FloatToStr(4.25, SharedSettings()), QStringLiteral("4,25"));
    SilentHost host;
    EXPECT_EQ(ConvertRoutes({}, host), 0);
    EXPECT_EQ(FloatToStr(4.25, SharedSettings()), QStringLiteral("4.25"));
    InitSharedSettings();
}

} // namespace
