#include "platform/Registry.h"

#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace {

// A value line's text: "..." with \\ and \" as the only escapes. Consumes
// the closing quote; nullopt for an unterminated text or another escape.
std::optional<QString> TakeQuoted(QStringView& rest)
{
    if (!rest.startsWith(u'"'))
        return std::nullopt;
    QString text;
    for (qsizetype i = 1; i < rest.size(); ++i) {
        QChar c = rest[i];
        if (c == u'"') {
            rest = rest.sliced(i + 1);
            return text;
        }
        if (c == u'\\') {
            if (++i == rest.size() || (rest[i] != u'\\' && rest[i] != u'"'))
                return std::nullopt;
            c = rest[i];
        }
        text.append(c);
    }
    return std::nullopt;
}

// "00,4a,ff": pairs of hex digits separated by commas, possibly none at all.
std::optional<QByteArray> ParseHexBytes(QStringView list)
{
    QByteArray bytes;
    if (list.trimmed().isEmpty())
        return bytes;
    constexpr QStringView kHexDigits = u"0123456789abcdefABCDEF";
    for (const QStringView item : list.tokenize(u',')) {
        const QStringView digits = item.trimmed();
        if (digits.size() != 2 || !kHexDigits.contains(digits[0]) || !kHexDigits.contains(digits[1]))
            return std::nullopt;
        bytes.append(static_cast<char>(digits.toUInt(nullptr, 16)));
    }
    return bytes;
}

// UTF-16LE as the registry stores it: a U+FEFF at its start is part of the
// text, not a byte-order mark.
QString Utf16Text(const QByteArray& data)
{
    return QStringDecoder(QStringConverter::Utf16LE, QStringConverter::Flag::ConvertInitialBom)(
        data.left(data.size() & ~qsizetype(1)));
}

// What follows the "=" of a value line when it is a text: "text", or the
// stored bytes of a REG_SZ (hex(1):) or REG_EXPAND_SZ (hex(2):). Any other
// type (hex:, hex(N):, dword:, the deletion mark -) and damaged data give nullopt.
std::optional<QString> TextOfData(QStringView data)
{
    std::optional<QString> text;
    if (data.startsWith(u'"')) {
        text = TakeQuoted(data);
        if (!data.trimmed().isEmpty())
            return std::nullopt;
    } else if (data.startsWith(u"hex(1):") || data.startsWith(u"hex(2):")) {
        if (const std::optional<QByteArray> bytes = ParseHexBytes(data.sliced(7)))
            text = Utf16Text(*bytes);
    }
    if (text) {
        if (const qsizetype nul = text->indexOf(QChar(u'\0')); nul >= 0)
            text->truncate(nul);
    }
    return text;
}

// Lines with their continuations (a trailing backslash) joined.
QStringList LogicalLines(const QString& text)
{
    QStringList lines;
    bool continued = false;
    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (continued)
            lines.last().append(line.trimmed());
        else
            lines.append(line.toString());
        continued = lines.last().endsWith(u'\\');
        if (continued)
            lines.last().chop(1);
    }
    return lines;
}

QString KeyName(QStringView key)
{
    while (key.endsWith(u'\\'))
        key.chop(1);
    return key.toString().toCaseFolded();
}

} // namespace

QHash<QString, QString> TextsInRegistryExport(const QByteArray& file, const QString& key, const QStringList& names)
{
    const auto encoding = QStringConverter::encodingForData(file).value_or(QStringConverter::Utf8);
    const QStringList lines = LogicalLines(QStringDecoder(encoding)(file));
    if (lines.isEmpty() || lines.first().trimmed() != u"Windows Registry Editor Version 5.00")
        return {};

    const QString wantedKey = KeyName(key);
    QHash<QString, QString> texts; // by case-folded name
    bool inKey = false;
    for (const QString& line : lines) {
        QStringView rest = QStringView(line).trimmed();
        if (rest.startsWith(u'[')) {
            const qsizetype close = rest.lastIndexOf(u']');
            inKey = close > 0 && KeyName(rest.sliced(1, close - 1)) == wantedKey;
            continue;
        }
        if (!inKey)
            continue;
        std::optional<QString> name;
        if (rest.startsWith(u'@')) {
            name = QString();
            rest = rest.sliced(1);
        } else {
            name = TakeQuoted(rest);
        }
        rest = rest.trimmed();
        if (!name || !rest.startsWith(u'='))
            continue;
        // A later line for the same name replaces or deletes the earlier one.
        const QString folded = name->toCaseFolded();
        texts.remove(folded);
        if (std::optional<QString> text = TextOfData(rest.sliced(1).trimmed()))
            texts.insert(folded, *std::move(text));
    }

    QHash<QString, QString> result;
    for (const QString& name : names) {
        if (const auto found = texts.constFind(name.toCaseFolded()); found != texts.cend())
            result.insert(name, *found);
    }
    return result;
}

QHash<QString, QString> TextsInRegistryExport(QIODevice& device, const QString& key, const QStringList& names,
                                              qint64 maxSize)
{
    // Piece by piece, so that memory follows what the device holds rather
    // than the limit; one byte beyond the limit tells a file that is too large.
    constexpr qint64 kPieceSize = 64 * 1024;
    QByteArray file;
    for (qint64 room = maxSize + 1; room > 0;) {
        const QByteArray piece = device.read(std::min(room, kPieceSize));
        if (piece.isEmpty())
            break;
        file += piece;
        room -= piece.size();
    }
    if (file.size() > maxSize)
        return {};
    return TextsInRegistryExport(file, key, names);
}
