#include "platform/FolderAccess.h"

#ifdef Q_OS_WIN
#include <QDir>

#include <qt_windows.h>

QString FolderWriteProblem(const QString& folder)
{
    const std::wstring path = QDir::toNativeSeparators(folder).toStdWString();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return qt_error_string();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return qt_error_string(ERROR_DIRECTORY);
    // Only the folder's access control list can tell, so a file is made in
    // it, and gone again when it is closed.
    wchar_t probe[MAX_PATH + 1];
    if (!GetTempFileNameW(path.c_str(), L"~rc", 0, probe))
        return qt_error_string();
    DeleteFileW(probe);
    return {};
}

#else
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

#endif
