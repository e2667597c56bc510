#pragma once

#include "platform/DateTime.h"
#include "util/uStringList.h"

#include <QByteArray>
#include <QIODevice>
#include <QUuid>

// Typed little-endian values on byte streams: the building blocks of layer
// and route files. Values follow each other with no tags and no padding.
//
// Every read is bounded: a value the stream cannot deliver in full, or a
// count larger than the bytes left, raises "Stream read error" at once,
// before anything is allocated. Writes raise "Stream write error" when the
// device takes fewer bytes than offered.

void WriteByte(QIODevice& stream, quint8 value);
void WriteWord(QIODevice& stream, quint16 value);
void WriteInteger(QIODevice& stream, qint32 value);
void WriteCardinal(QIODevice& stream, quint32 value);
void WriteDouble(QIODevice& stream, double value);
void WriteBoolean(QIODevice& stream, bool value);
void WriteDateTime(QIODevice& stream, TDateTime value);

quint8 ReadByte(QIODevice& stream);
quint16 ReadWord(QIODevice& stream);
qint32 ReadInteger(QIODevice& stream);
double ReadDouble(QIODevice& stream);
bool ReadBoolean(QIODevice& stream); // any non-zero byte is true
TDateTime ReadDateTime(QIODevice& stream);

// A 32-bit byte count, then the bytes. A count of 2^31 or more is refused
// with "Range check error".
void WriteString(QIODevice& stream, const QByteArray& text);
QByteArray ReadString(QIODevice& stream);

// A one-byte count, then the bytes; a text over 255 bytes is refused with
// "Range check error" before anything is written.
void WriteString8(QIODevice& stream, const QByteArray& text);
QByteArray ReadString8(QIODevice& stream);

// The 38-character text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" as a
// WriteString value; a text of any other form raises
// "'%s' is not a valid GUID value".
void WriteGUID(QIODevice& stream, const QUuid& guid);
QUuid ReadGUID(QIODevice& stream);

// A 32-bit byte count, then every line followed by CR LF in the list's
// encoding. A count of 0 leaves the list as it was; a negative count is an
// error.
void WriteStringList(QIODevice& stream, const TStringList* list);
void ReadStringList(QIODevice& stream, TStringList& list);

// The GUID text form, and its strict parser (false for anything else).
QString GUIDToString(const QUuid& guid);
bool TryStringToGUID(const QString& text, QUuid& guid);
// The parser that raises "'%s' is not a valid GUID value".
QUuid StringToGUID(const QString& text);

// The count in front of a WriteString value, refused with "Range check error"
// from 2^31 on.
qint64 ReadStringCount(QIODevice& stream);

// How many bytes the stream still holds (a sequential device: what it has now).
qint64 BytesLeft(const QIODevice& stream);
