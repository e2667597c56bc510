#include "util/uSafeFile.h"

#include "util/uCrLfWriter.h"

std::unique_ptr<TAtomicFile> CreateSafeFile(const QString& path)
{
    auto file = std::make_unique<TAtomicFile>(path);
    if (!file->Create())
        file->RaiseFailure();
    return file;
}

void CommitSafeFile(TAtomicFile& file)
{
    if (!file.Commit())
        file.RaiseFailure();
}

void WriteSafeFile(const QString& path, const std::function<void(QIODevice&)>& write)
{
    const auto file = CreateSafeFile(path);
    write(*file);
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
