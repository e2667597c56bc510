// Every fuzz target keeps its promises for its seeds and for every input
// that once broke it (tests/fixtures/fuzz/<target>/).
#include "fuzz/FuzzTargets.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

void PrintTo(const TFuzzTarget& target, std::ostream* os) { *os << target.Name; }

namespace {

class FuzzReplay : public ::testing::TestWithParam<TFuzzTarget> {};

TEST_P(FuzzReplay, SeedsAndFormerCrashes)
{
    const TFuzzTarget& target = GetParam();
    for (const QByteArray& seed : target.Seeds())
        EXPECT_NO_THROW(target.Run(seed)) << seed.toHex().toStdString();

    const QDir fixtures(QStringLiteral(FUZZ_FIXTURES "/%1").arg(QLatin1String(target.Name)));
    for (const QString& name : fixtures.entryList(QDir::Files)) {
        QFile file(fixtures.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_NO_THROW(target.Run(file.readAll())) << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTarget, FuzzReplay, ::testing::ValuesIn(FuzzTargets().begin(), FuzzTargets().end()),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
