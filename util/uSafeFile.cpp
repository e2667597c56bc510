#include "util/uSafeFile.h"

#include "platform/Error.h"
#include "util/uCrLfWriter.h"

std::unique_ptr<TAtomicFile> CreateSafeFile(const QString& path)
{
    auto file = std::make_unique<TAtomicFile>(path);
    if (!file->Create())
        throw Error::CannotCreateFile(path, file->errorString());
    return file;
}

void CommitSafeFile(TAtomicFile& file)
{
    if (!file.Commit())
        throw Error::CannotCreateFile(file.Path(), file.errorString());
}

void FillSafeFile(TAtomicFile& file, const std::function<void(QIODevice&)>& write, const QString& shownPath)
{
    if (!file.Create())
        throw Error::CannotCreateFile(shownPath, file.errorString());
    try {
        write(file);
    } catch (const Error&) {
        if (file.error() == QFileDevice::NoError)
            throw;
        throw Error::CannotCreateFile(shownPath, file.errorString());
    }
    if (!file.FlushFully())
        throw Error::CannotCreateFile(shownPath, file.errorString());
}

void WriteSafeFile(const QString& path, const std::function<void(QIODevice&)>& write)
{
    TAtomicFile file(path);
    FillSafeFile(file, write, path);
    CommitSafeFile(file);
}

void SaveTextFileUtf8Crlf(const QString& path, const QString& text)
{
    WriteSafeFile(path, [&text](QIODevice& file) {
        TCrLfWriter writer(file);
        writer.Write(text.toUtf8());
        writer.Finish();
    });
}
