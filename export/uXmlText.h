#pragma once

#include "util/uCrLfWriter.h"

#include <QString>
#include <QStringView>

// A text as XML element content: "&", "<" and ">" escaped, and characters
// XML cannot carry at all (control characters from a damaged file, lone
// surrogates) replaced by U+FFFD.
QString XmlText(QStringView text);

// The same as UTF-8 onto `writer`, a piece at a time: a long text is never
// escaped whole in memory.
void WriteXmlText(TCrLfWriter& writer, QStringView text);
