#include "util/uSafeFile.h"

#include "util/Error.h"
#include "util/uCrLfWriter.h"

std::unique_ptr<QSaveFile> CreateSafeFile(const QString& path)
{
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly))
        throw Error::CannotCreateFile(path, file->errorString());
    return file;
}

namespace {

// Writes out what the file still buffers. A full disk takes part of it and
// tells why only on the next attempt, so we try again while it takes some.
bool FlushFully(QFileDevice& file)
{
    for (qint64 left = file.bytesToWrite(); !file.flush(); left = file.bytesToWrite()) {
        if (file.bytesToWrite() == left)
            return false;
    }
    return true;
}

} // namespace

void CommitSafeFile(QSaveFile& file)
{
    // Qt's commit takes a failure to write out the buffer for success and
    // would put a cut-off file in place, so the buffer goes first.
    if (!FlushFully(file) || !file.commit())
        throw Error::CannotCreateFile(file.fileName(), file.errorString());
}

bool WriteFully(QIODevice& device, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 written = device.write(bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

void WriteSafeFile(const QString& path, const std::function<void(QIODevice&)>& write)
{
    const auto file = CreateSafeFile(path);
    try {
        write(*file);
    } catch (const Error&) {
        if (file->error() == QFileDevice::NoError)
            throw;
        throw Error::CannotCreateFile(path, file->errorString());
    }
    CommitSafeFile(*file);
}

void SaveTextFileUtf8Crlf(const QString& path, const QString& text)
{
    WriteSafeFile(path, [&text](QIODevice& file) {
        TCrLfWriter writer(file);
        writer.Write(text.toUtf8());
        writer.Finish();
    });
}
