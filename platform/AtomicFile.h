#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A new file, written in its target's folder without a name (or, where the
// file system cannot make such files, under a short temporary name of its
// own), that takes the target's name only on Commit. It then replaces
// whatever entry had that name: a link is replaced, never written through.
// Without a commit nothing of it is left. Commit needs no memory, so memory
// that runs out cannot leave a temporary file behind.
class TAtomicFile : public QFile {
public:
    explicit TAtomicFile(const QString& path);
    ~TAtomicFile() override;
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    const QString& Path() const { return fPath; }

    // Makes the file, open for writing. False, with errorString(), when it
    // cannot be made.
    bool Create();
    // Writes out what is buffered, syncs the file to disk and gives it its
    // name. False, with errorString(), when any of that failed; the target
    // is then as it was.
    bool Commit();

private:
    bool Fail(int error);
    bool FlushFully();
    void TakeTemporaryName();

    QString fPath;
    QByteArray fNativePath;
    QByteArray fNativeFolder;
    QByteArray fNativeTemporary; // room for a temporary name beside the target
    bool fHasTemporaryName = false;
    int fHandle = -1;
};

// Deletes the file at a path encoded beforehand (QFile::encodeName) without
// needing memory, for a clean-up that must work when memory has run out.
bool DeleteEncodedFile(const QByteArray& nativePath);
