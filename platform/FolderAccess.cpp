#include "platform/FolderAccess.h"

#include "platform/Error.h"

namespace {
QString LinkReason() { return QStringLiteral("It is a link"); }
} // namespace

#ifdef Q_OS_WIN
#include "platform/WindowsFiles.h"

#include <QDir>

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

namespace {

bool IsLink(const std::wstring& path)
{
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return IsLink(found);
}

} // namespace

bool MakeFolder(const QString& folder)
{
    const std::wstring path = QDir::toNativeSeparators(folder).toStdWString();
    if (CreateDirectoryW(path.c_str(), nullptr))
        return true;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS)
        throw Error::CannotCreateFilesIn(folder, qt_error_string(int(error)));
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw Error::CannotCreateFilesIn(folder, qt_error_string(ERROR_PATH_NOT_FOUND));
    if (IsLink(path))
        throw Error::CannotCreateFilesIn(folder, LinkReason());
    return false;
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

bool MakeFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0777) == 0)
        return true;
    if (errno != EEXIST)
        throw Error::CannotCreateFilesIn(folder, qt_error_string(errno));
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        throw Error::CannotCreateFilesIn(folder, qt_error_string(errno));
    if (S_ISLNK(info.st_mode))
        throw Error::CannotCreateFilesIn(folder, LinkReason());
    if (!S_ISDIR(info.st_mode))
        throw Error::CannotCreateFilesIn(folder, qt_error_string(ENOTDIR));
    return false;
}

#endif
