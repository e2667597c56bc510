#include "export/uXmlText.h"
#include "util/uCrLfWriter.h"

#include <QBuffer>

#include <functional>

#include <gtest/gtest.h>

namespace {

QByteArray Written(const std::function<void(TCrLfWriter&)>& write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TCrLfWriter writer(buffer);
    write(writer);
    writer.Finish();
    return bytes;
}

// A long text is escaped a piece at a time, never whole, and still gives
// the bytes of the whole text escaped: pieces of 16 Ki characters meet in a
// surrogate pair, a lone surrogate, an escape and a CR LF.
TEST(XmlText, WrittenAPieceAtATimeAsWhole)
{
    const QString piece(16383, u'x');
    const QString texts[] = {QString(),
                             QStringLiteral("Zee\u00EBn & <meer> \U0001F6A2 \x01"),
                             QString(40000, u'&'),
                             piece + QStringLiteral("\U0001F6A2y"),
                             piece + QChar(0xD800) + u'z',
                             piece + QStringLiteral("\r\n&") + piece + QChar(0xD83D)};
    for (const QString& text : texts) {
        EXPECT_EQ(Written([&](TCrLfWriter& writer) { WriteXmlText(writer, text); }),
                  Written([&](TCrLfWriter& writer) { writer.Write(XmlText(text).toUtf8()); }))
            << text.left(40).toStdString();
    }
    EXPECT_EQ(XmlText(u"a&b<c>d\x01\xD800"), QStringLiteral("a&amp;b&lt;c&gt;d\uFFFD\uFFFD"));
}

} // namespace
