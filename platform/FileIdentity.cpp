#include "platform/FileIdentity.h"

#ifdef Q_OS_WIN
#include "platform/WindowsFiles.h"

#include <QDir>

// A link is the entry itself, not what it points to.
std::optional<TFileIdentity> FileIdentity(const QString& path)
{
    const auto info = FileInformation(QDir::toNativeSeparators(path).toStdWString(), false);
    if (!info)
        return std::nullopt;
    return TFileIdentity{info->dwVolumeSerialNumber, quint64(info->nFileIndexHigh) << 32 | info->nFileIndexLow};
}

#else
#include <QFile>

#include <sys/stat.h>

std::optional<TFileIdentity> FileIdentity(const QString& path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return TFileIdentity{static_cast<quint64>(status.st_dev), static_cast<quint64>(status.st_ino)};
}

#endif
