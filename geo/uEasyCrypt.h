#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Keyless scrambling of point texts, so that they are not readable at a
// glance in a file. The result always has the input's length.
enum class encdec { _encode, _decode };

// Raises "Range check error" for a text longer than 65,535 bytes.
QByteArray ansi_str_code(QByteArrayView s, encdec mode);

QByteArray AnsiCode(QByteArrayView s);
QByteArray AnsiDeCode(QByteArrayView s);
