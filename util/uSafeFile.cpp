#include "util/uSafeFile.h"

#include "util/Error.h"
#include "util/uStringList.h"

std::unique_ptr<QSaveFile> CreateSafeFile(const QString& path)
{
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly))
        throw Error(ErrorText::CannotCreateFile(path, file->errorString()));
    return file;
}

void CommitSafeFile(QSaveFile& file)
{
    if (!file.commit())
        throw Error(ErrorText::CannotCreateFile(file.fileName(), file.errorString()));
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

void SaveTextFileUtf8Crlf(const QString& path, const QString& text)
{
    TStringList lines;
    lines.SetText(text);
    const QByteArray bytes = lines.Text().toUtf8();

    const auto file = CreateSafeFile(path);
    if (!WriteFully(*file, bytes))
        throw Error(ErrorText::CannotCreateFile(path, file->errorString()));
    CommitSafeFile(*file);
}
