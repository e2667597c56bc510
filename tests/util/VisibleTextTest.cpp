#include "util/uVisibleText.h"

#include <gtest/gtest.h>

namespace {

TEST(VisibleText, ControlCharactersBecomeTheirCodeAndNothingElseChanges)
{
    const struct {
        QString text;
        QString shown;
    } cases[] = {
        {QString(), QString()},
        {QStringLiteral("Haven \u00EB \u20AC <b>&amp;"), QStringLiteral("Haven \u00EB \u20AC <b>&amp;")},
        {QString(QChar(0)) + QStringLiteral("A"), QStringLiteral("<U+0000>A")},
        {QStringLiteral("a\r\nb\tc"), QStringLiteral("a<U+000D><U+000A>b<U+0009>c")},
        {QStringLiteral("\u001F \u007F \u0080 \u009F \u00A0"), QStringLiteral("<U+001F> <U+007F> <U+0080> <U+009F> \u00A0")},
        {QStringLiteral("\U0001F6A2"), QStringLiteral("\U0001F6A2")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VisibleText(c.text), c.shown) << c.text.toStdString();
}

} // namespace
