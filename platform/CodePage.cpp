#include "platform/CodePage.h"

#include <QList>

#include <algorithm>
#include <array>

namespace {

// 0x80..0x9F are where Windows-1252 differs from Latin-1. The five unused
// bytes map to the control character of the same number, as Windows does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsHighControl(unsigned char b) { return b >= 0x80 && b < 0xA0; }

char EncodeChar(uint c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QByteArray ToAnsi(const QString& text)
{
    QByteArray result;
    result.reserve(text.size());
    for (const uint c : text.toUcs4())
        result.append(EncodeChar(c));
    return result;
}

QString FromAnsi(QByteArrayView bytes)
{
    // Most texts hold no byte from 0x80 to 0x9F, and Qt converts Latin-1 fast.
    if (std::none_of(bytes.begin(), bytes.end(), [](char b) { return IsHighControl(static_cast<unsigned char>(b)); }))
        return QString::fromLatin1(bytes);
    QString result(bytes.size(), Qt::Uninitialized);
    QChar* out = result.data();
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = IsHighControl(u) ? QChar(kHighControls[u - 0x80]) : QChar(char16_t(u));
    }
    return result;
}
