#pragma once

#include <QByteArray>

// Keyless scrambling of point texts, so that they are not readable at a
// glance in a file. The result always has the input's length.
enum class encdec { _encode, _decode };

// Raises "Range check error" for a text longer than 65,535 bytes.
QByteArray ansi_str_code(const QByteArray& s, encdec mode);

QByteArray AnsiCode(const QByteArray& s);
QByteArray AnsiDeCode(const QByteArray& s);
