#pragma once

#include "platform/DateTime.h"
#include "util/uStringList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QUuid>

// Typed little-endian values on byte streams: the building blocks of layer
// and route files. Values follow each other with no tags and no padding.
//
// Every read is bounded: a value the stream does not hold in full, or a
// count larger than the bytes left, raises "Stream read error" (damage) at
// once, before room for it is made; a device that fails to deliver what it
// holds raises its own error (RaiseReadFailure). A write the device takes
// fewer bytes of than offered raises the device's error (RaiseWriteFailure).
//
// Each read comes in two forms: on a device, for a value or two, and on a
// TStreamReader, for the long runs of values of a layer file.

// Reads a device ahead in pieces of up to 1 MiB and hands the bytes out of
// its buffer, so that a long run of small values costs a copy each rather
// than a call into the device. Only the bytes handed out count as read: the
// device stands just after them when the reader goes, whether or not a read
// failed.
class TStreamReader {
public:
    // The first look ahead takes `firstWindow` bytes (or what a Take or Peek
    // asks, if more); each further one twice as many, up to 1 MiB.
    explicit TStreamReader(QIODevice& stream, qint64 firstWindow = 64);
    ~TStreamReader();
    TStreamReader(const TStreamReader&) = delete;
    TStreamReader& operator=(const TStreamReader&) = delete;

    // The next `count` bytes, valid until the reader next moves on. "Stream
    // read error", with nothing read, when the stream cannot deliver them.
    QByteArrayView Take(qint64 count)
    {
        if (count < 0 || count > fWindow.size() - fTaken)
            return TakeBeyondWindow(count);
        const QByteArrayView bytes(fWindow.constData() + fTaken, count);
        fTaken += count;
        return bytes;
    }
    // The next `count` bytes, or all the stream holds when that is fewer,
    // without reading them: the next Take starts with them. Valid until the
    // reader next moves on. A stream that cannot deliver the bytes it holds
    // raises a read failure.
    QByteArrayView PeekUpTo(qint64 count);
    // Passes over `count` bytes; the same error as Take.
    void Skip(qint64 count);
    // The bytes the stream holds beyond those read.
    qint64 BytesLeft() const;

private:
    QByteArrayView TakeBeyondWindow(qint64 count);
    // Looks ahead at least `count` bytes from the first one not handed out.
    void Refill(qint64 count);
    // Lets the device pass over the bytes handed out.
    void Consume();

    QIODevice& fStream;
    QByteArray fWindow; // bytes looked at in the device, still unread there
    qint64 fTaken = 0;  // of fWindow, handed out
    qint64 fNextWindow; // grows while the reader is in use
};

void WriteByte(QIODevice& stream, quint8 value);
void WriteWord(QIODevice& stream, quint16 value);
void WriteInteger(QIODevice& stream, qint32 value);
void WriteCardinal(QIODevice& stream, quint32 value);
void WriteDouble(QIODevice& stream, double value);
void WriteBoolean(QIODevice& stream, bool value);
void WriteDateTime(QIODevice& stream, TDateTime value);

quint8 ReadByte(QIODevice& stream);
quint8 ReadByte(TStreamReader& stream);
quint16 ReadWord(QIODevice& stream);
quint16 ReadWord(TStreamReader& stream);
qint32 ReadInteger(QIODevice& stream);
qint32 ReadInteger(TStreamReader& stream);
double ReadDouble(QIODevice& stream);
double ReadDouble(TStreamReader& stream);
bool ReadBoolean(QIODevice& stream); // any non-zero byte is true
bool ReadBoolean(TStreamReader& stream);
TDateTime ReadDateTime(QIODevice& stream);
TDateTime ReadDateTime(TStreamReader& stream);

// A 32-bit byte count, then the bytes. A count of 2^31 or more is refused
// with "Range check error".
void WriteString(QIODevice& stream, const QByteArray& text);
QByteArray ReadString(QIODevice& stream);
QByteArray ReadString(TStreamReader& stream);
// The bytes of a WriteString value, valid until the reader next moves on.
QByteArrayView TakeString(TStreamReader& stream);
// Consumes a WriteString value and discards it.
void SkipString(QIODevice& stream);
void SkipString(TStreamReader& stream);

// A one-byte count, then the bytes; a text over 255 bytes is refused with
// "Range check error" before anything is written.
void WriteString8(QIODevice& stream, const QByteArray& text);
QByteArray ReadString8(QIODevice& stream);
QByteArray ReadString8(TStreamReader& stream);

// The 38-character text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" as a
// WriteString value; a text of any other form raises
// "'%s' is not a valid GUID value".
void WriteGUID(QIODevice& stream, const QUuid& guid);
QUuid ReadGUID(QIODevice& stream);
QUuid ReadGUID(TStreamReader& stream);

// A 32-bit byte count, then every line followed by CR LF in the list's
// encoding. A count of 0 leaves the list as it was; a negative count is an
// error.
void WriteStringList(QIODevice& stream, const TStringList* list);
void ReadStringList(QIODevice& stream, TStringList& list);
void ReadStringList(TStreamReader& stream, TStringList& list);

// The GUID text form, and its strict parser (false for anything else).
QString GUIDToString(const QUuid& guid);
bool TryStringToGUID(const QString& text, QUuid& guid);
// The parser that raises "'%s' is not a valid GUID value".
QUuid StringToGUID(const QString& text);

// The count in front of a WriteString value, refused with "Range check error"
// from 2^31 on.
qint64 ReadStringCount(QIODevice& stream);
qint64 ReadStringCount(TStreamReader& stream);

// How many bytes the stream still holds (a sequential device: what it has now).
qint64 BytesLeft(const QIODevice& stream);
