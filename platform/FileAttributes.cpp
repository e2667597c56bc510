#include "platform/FileAttributes.h"

#ifdef Q_OS_WIN
#include <QDir>

#include <qt_windows.h>

#include <io.h>

namespace {

// The bits a ZIP reader knows; 0x8 and the reparse point 0x400 are not among them.
constexpr quint32 kZipAttributeMask = 0x7BF7;

} // namespace

quint32 WindowsFileAttributes(const QString& path)
{
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()));
    return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes & kZipAttributeMask;
}

quint32 WindowsFileAttributes(const QFileDevice& file)
{
    // A file opened from a descriptor has no name to ask by.
    if (file.handle() < 0)
        return WindowsFileAttributes(file.fileName());
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())), &info))
        return 0;
    return info.dwFileAttributes & kZipAttributeMask;
}

#else
#include <QFileInfo>

namespace {

quint32 Attributes(bool directory, QFileDevice::Permissions permissions)
{
    constexpr quint32 kReadOnly = 0x1;
    constexpr quint32 kDirectory = 0x10;
    constexpr auto kAnyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

    const quint32 kind = directory ? kDirectory : cArchiveAttribute;
    return (permissions & kAnyWrite) ? kind : kind | kReadOnly;
}

} // namespace

quint32 WindowsFileAttributes(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? Attributes(info.isDir(), info.permissions()) : 0;
}

quint32 WindowsFileAttributes(const QFileDevice& file) { return Attributes(false, file.permissions()); }

#endif
