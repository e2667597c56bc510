#include "util/uStringList.h"

#include <gtest/gtest.h>

namespace {

TEST(StringList, SplitsAtEveryKindOfLineBreak)
{
    TStringList list;
    list.SetText(QStringLiteral("a\r\nb\nc\rd\r\n"));
    EXPECT_EQ(list.Lines, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));
    list.SetText(QStringLiteral("a\r\n\r\n"));
    EXPECT_EQ(list.Lines, (QStringList{QStringLiteral("a"), QString()}));
    list.SetText(QString());
    EXPECT_TRUE(list.Lines.isEmpty());
    list.Lines = {QStringLiteral("x"), QStringLiteral("y")};
    EXPECT_EQ(list.Text(), QStringLiteral("x\r\ny\r\n"));
}

} // namespace
