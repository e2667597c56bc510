#include "util/uVisibleText.h"

#include <algorithm>

namespace {

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

} // namespace

QString VisibleText(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return IsControl(c.unicode()); }))
        return text;
    QString visible;
    visible.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (IsControl(c.unicode()))
            visible += QStringLiteral("<U+%1>").arg(uint(c.unicode()), 4, 16, QChar(u'0')).toUpper();
        else
            visible += c;
    }
    return visible;
}
