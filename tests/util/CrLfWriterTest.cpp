#include "platform/Error.h"
#include "util/uCrLfWriter.h"
#include "util/uStringList.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

QByteArray Written(const QList<QByteArray>& pieces)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TCrLfWriter writer(buffer);
    for (const QByteArray& piece : pieces)
        writer.Write(piece);
    writer.Finish();
    return bytes;
}

QByteArray SplitAndJoined(const QByteArray& text)
{
    TStringList lines;
    lines.SetText(QString::fromLatin1(text));
    return lines.Text().toLatin1();
}

// However the text is cut into writes, the bytes are those of the text split
// into lines and joined with CR LF.
TEST(CrLfWriter, WritesInPiecesAsTheTextSplitIntoLines)
{
    const QByteArray texts[] = {"",         "a",          "a\r\nb\r\n", "a\nb\rc",  "a\n\r\nb\r\r",
                                "\r\n\r\n", "\n\r",       "\r",         "x\r\n\ry", "<kml>\r\n</kml>"};
    for (const QByteArray& text : texts) {
        const QByteArray expected = SplitAndJoined(text);
        EXPECT_EQ(Written({text}), expected) << text.toStdString();
        for (qsizetype i = 0; i <= text.size(); ++i) {
            for (qsizetype j = i; j <= text.size(); ++j) {
                EXPECT_EQ(Written({text.left(i), text.mid(i, j - i), text.mid(j)}), expected)
                    << text.toStdString() << " cut at " << i << " and " << j;
            }
        }
    }
}

TEST(CrLfWriter, LongTextsLeaveInPiecesAndWhole)
{
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += QByteArray::number(i) + (i % 3 == 0 ? "\n" : "\r\n");
    EXPECT_EQ(Written({text}), SplitAndJoined(text));
}

TEST(CrLfWriter, ADeviceThatTakesNothingIsAWriteError)
{
    QByteArray bytes;
    QBuffer readOnly(&bytes);
    readOnly.open(QIODevice::ReadOnly);
    TCrLfWriter writer(readOnly);
    writer.Write("tekst");
    try {
        writer.Finish();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), ErrorText::StreamWrite());
    }
}

} // namespace
