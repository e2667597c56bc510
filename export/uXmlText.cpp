#include "export/uXmlText.h"

#include <algorithm>

namespace {

// Characters escaped and encoded at a time: a piece grows five-fold at most.
constexpr qsizetype kPiece = 16 * 1024;

bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace

QString XmlText(QStringView name)
{
    QString text;
    text.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            text += c;
            text += name.at(++i);
        } else if (c == u'&') {
            text += QStringLiteral("&amp;");
        } else if (c == u'<') {
            text += QStringLiteral("&lt;");
        } else if (c == u'>') {
            text += QStringLiteral("&gt;");
        } else if (c.isSurrogate() || !IsXmlChar(c.unicode())) {
            text += QChar(QChar::ReplacementCharacter);
        } else {
            text += c;
        }
    }
    return text;
}

void WriteXmlText(TCrLfWriter& writer, QStringView text)
{
    while (!text.isEmpty()) {
        qsizetype size = std::min(text.size(), kPiece);
        // A surrogate pair stays whole.
        if (size < text.size() && text.at(size - 1).isHighSurrogate())
            ++size;
        writer.Write(XmlText(text.first(size)).toUtf8());
        text = text.sliced(size);
    }
}
