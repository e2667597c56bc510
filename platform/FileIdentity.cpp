#include "platform/FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

std::optional<TFileIdentity> FileIdentity(const QString& path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return TFileIdentity{static_cast<quint64>(status.st_dev), static_cast<quint64>(status.st_ino)};
}
