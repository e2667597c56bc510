#pragma once

#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QFileDevice>
#include <QIODevice>
#include <QString>

#include <memory>
#include <vector>

class TDeflatePipe;

// The MS-DOS time and date fields of a ZIP entry.
struct TDosDateTime {
    quint16 Time = 0; // second / 2 + minute * 32 + hour * 2048
    quint16 Date = 0; // day + month * 32 + (year - 1980) * 512
    friend bool operator==(const TDosDateTime&, const TDosDateTime&) = default;
};

// The moment in local time, seconds rounded down; 0/0 outside the years
// 1980 to 2107 that the fields can hold.
TDosDateTime DosDateTimeOf(const QDateTime& moment);

enum class TZipMethod : quint16 { Deflate = 8 };

// The time and Windows attributes an entry records of its file.
struct TEntryStamp {
    TDosDateTime Time;
    quint32 ExternalAttributes = 0;
};

// Those of a file as it is now; it may have no name.
TEntryStamp EntryStampOf(const QFileDevice& file);
// Those a file made now would have: the clock's time and the archive
// attribute alone.
TEntryStamp NewFileStamp();

// Writes a ZIP archive (no ZIP64, no data descriptors, no comments) from the
// start of an empty, seekable device. Entry names are stored as UTF-8.
// Sizes and offsets that do not fit the format's 32-bit fields are refused
// rather than written wrong. After an error the device holds no usable
// archive.
class TZipWriter {
public:
    explicit TZipWriter(QIODevice& archive);
    ~TZipWriter();

    // Opens an entry whose data is written to the device returned, raw
    // deflated on a second thread as it comes, until EndEntry takes the
    // stamp, known only then. One entry is open at a time. A write to the
    // device that fails raises what stopped it: the archive device's error.
    QIODevice& BeginEntry(const QString& name, TZipMethod method);
    void EndEntry(TEntryStamp stamp);
    // Raw deflate of the source from its current position to its end; a
    // source too large is refused before anything is written.
    void AddEntry(QIODevice& source, const QString& name, TZipMethod method, TEntryStamp stamp);
    // The central directory and its end record.
    void Finish();

private:
    struct Entry {
        QByteArray Name;
        TZipMethod Method;
        TEntryStamp Stamp;
        quint32 Crc = 0;
        quint32 CompressedSize = 0;
        quint32 UncompressedSize = 0;
        quint32 Offset = 0;
    };

    void WriteEntryFields(const Entry& entry);
    void SeekTo(qint64 offset);

    QIODevice& fArchive;
    std::vector<Entry> fEntries;
    Entry fOpen{};
    std::unique_ptr<TDeflatePipe> fData; // the open entry's
};

// The archive entry of a document of that file name: a backslash or a colon
// becomes "_", so that no extractor takes a part of it for a folder or a drive.
QString DocumentEntryName(const QString& fileName);

// A .kmz archive file, made the way the conversion run needs it: opened on
// its path, one file added, released. Its entry is named after the
// document's file name (DocumentEntryName). The archive is written under a
// temporary name and takes its own name only on Release, so an archive that
// failed, or was never released, leaves any earlier file of that name as it
// was.
class TKMZWriter {
public:
    // Raises "Cannot create file "%s". %s".
    explicit TKMZWriter(const QString& archivePath);

    // An empty archive name stands for the source's file name. Raises
    // "Cannot open file "%s". %s" for a source that cannot be read; any
    // failure discards the archive.
    void AddFile(const QString& sourcePath, const QString& archiveName, TZipMethod method);
    // The same for an open file, which may have no name, from its current
    // position; its time stamp and attributes go with it.
    void AddFile(QFileDevice& source, const QString& archiveName, TZipMethod method);
    // An entry written in steps, as TZipWriter's; a failure of either call
    // discards the archive, as does a writer that goes without Release.
    QIODevice& BeginEntry(const QString& archiveName, TZipMethod method);
    void EndEntry(TEntryStamp stamp);
    // Finishes the archive and gives it its name; after a failed AddFile
    // there is nothing left to finish.
    void Release();

private:
    template <typename Add>
    void AddOrDiscard(Add&& add);
    void Close();

    std::unique_ptr<TAtomicFile> fFile;
    std::unique_ptr<TZipWriter> fZip;
};
