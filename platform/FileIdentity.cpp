#include "platform/FileIdentity.h"

#ifdef Q_OS_WIN
#include <QDir>

#include <qt_windows.h>

std::optional<TFileIdentity> FileIdentity(const QString& path)
{
    // No access asked for, so no sharing mode stands in the way; a link is
    // opened itself, not followed.
    const HANDLE handle = CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!known)
        return std::nullopt;
    return TFileIdentity{info.dwVolumeSerialNumber, quint64(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
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
