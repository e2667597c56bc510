#pragma once

#include <QByteArray>
#include <QString>

// The one entry of a ZIP archive as our writer makes it.
struct TZipEntry {
    QString Name;
    QByteArray Content;
};

// Reads the local header at the start, inflates the entry's raw deflate
// data and checks it against the CRC-32 and sizes of both headers, then the
// central directory and its end record. Raises std::runtime_error saying what
// is wrong for an archive of any other form.
TZipEntry ReadSingleEntry(const QByteArray& archive);
