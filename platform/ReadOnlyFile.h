#pragma once

#include "platform/DeviceError.h"

#include <QIODevice>
#include <QString>

// A regular file opened for reading, shared so that the program that owns it
// may keep it open, read it, write it or delete it meanwhile. It is read by
// position, so that a look ahead and a skip cost no call into the system,
// and its size is the one found at the open: a file that shrinks while it is
// read fails to read, saying so. A read that fails raises "Cannot read file
// "%s". %s" with the name it was opened by.
class TReadOnlyFile : public QIODevice, public TFailingDevice {
public:
    TReadOnlyFile() = default;
    ~TReadOnlyFile() override;
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

    // False, with nothing open, when the name is no existing regular file
    // (a folder, a pipe or a device is never opened, nor waited for). One
    // that cannot be opened raises "Cannot open file "%s". %s".
    bool Open(const QString& fileName);

    bool isSequential() const override { return false; }
    qint64 size() const override { return fSize; }
    bool seek(qint64 pos) override;
    void close() override;
    [[noreturn]] void RaiseFailure() override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    // Reads the open regular file `handle` of `size` bytes from its start.
    void Take(const QString& fileName, qintptr handle, qint64 size);
    void CloseSystemHandle();
    // What the system read at fOffset: a count, or -1 with errno or the
    // last error set.
    qint64 ReadAt(char* data, qint64 maxSize);

    QString fFileName;
    qintptr fHandle = -1; // a file descriptor, or a Windows handle
    qint64 fSize = 0;
    qint64 fOffset = 0; // where the next readData reads
    bool fReadFailed = false;
};
