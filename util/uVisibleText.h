#pragma once

#include <QString>

// The text with every control character (C0 including NUL, CR and LF; DEL;
// C1) shown as "<U+XXXX>" with its code in hexadecimal, so that a status
// line keeps all of a caption's text and stays one line.
QString VisibleText(const QString& text);
