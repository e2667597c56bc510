#pragma once

#include <QString>

// A text as XML element content: "&", "<" and ">" escaped, and characters
// XML cannot carry at all (control characters from a damaged file, lone
// surrogates) replaced by U+FFFD.
QString XmlText(const QString& text);
