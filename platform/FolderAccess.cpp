#include "platform/FolderAccess.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

QString FolderWriteProblem(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return qt_error_string(errno);
    if (!S_ISDIR(info.st_mode))
        return qt_error_string(ENOTDIR);
    if (::access(path.constData(), W_OK | X_OK) != 0)
        return qt_error_string(errno);
    return {};
}
