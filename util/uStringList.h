#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// How a list's text block is stored in a file; a list read from a block
// with a byte-order mark is written back in that encoding, mark included.
enum class TTextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

// A list of text lines, as the layer metadata keeps them.
struct TStringList {
    QStringList Lines;
    TTextEncoding Encoding = TTextEncoding::Ansi;
    QChar Delimiter = u',';

    // Every line followed by CR LF.
    QString Text() const;
    // Splits at CR LF, lone LF and lone CR; a final line break adds no empty line.
    void SetText(const QString& text);
    void Clear() { Lines.clear(); }
    qsizetype Count() const { return Lines.size(); }
};
