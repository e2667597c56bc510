#pragma once

#include "export/uKMZWriter.h"

#include <QBuffer>
#include <QByteArray>

#include <stdexcept>

// The one entry of a ZIP archive as our writer makes it, with the fields
// that a reader of the archive need not agree with.
struct TZipEntry {
    QByteArray Name; // as stored: UTF-8 when Flags has bit 11
    QByteArray Content;
    quint16 VersionMadeBy = 0;
    quint16 VersionNeeded = 0;
    quint16 Flags = 0;
    TDosDateTime Stamp;
    QByteArray Extra;   // the local header's
    QByteArray Comment; // the central header's
    quint16 InternalAttributes = 0;
    quint32 ExternalAttributes = 0;
};

// `content` as the one deflated entry of an archive our writer makes on
// `archive`; gives the archive's bytes.
QByteArray Zipped(QBuffer& archive, const QByteArray& content, const QString& name, const TDosDateTime& stamp,
                  quint32 attributes);

// Raised, saying what is wrong, for anything but a single-entry archive.
class TZipFormatError : public std::runtime_error {
public:
    explicit TZipFormatError(const char* what);
};

// Reads the local header at the start, inflates the entry's data as one
// complete raw deflate stream and checks it against the CRC-32 and sizes of
// both headers, then the central directory, which must repeat the local
// header and point at it, and its end record: one entry on disk 0, no
// archive comment and nothing after it.
TZipEntry ReadSingleEntry(const QByteArray& archive);
