#pragma once

#include <QString>

#ifdef _WIN32
#include <QDir>

#include <qt_windows.h>
#else
#include "support/FileSizeLimit.h"
#endif

// While it lives, writing `target` anew fails the way the system makes it
// fail: on Linux the disk fills up after 1000 bytes (a file-size limit); on
// Windows another program holds the file open, so it cannot be replaced.
// Either way what was there must stay, and no temporary file.
class RefusedWriteScope {
public:
#ifdef _WIN32
    explicit RefusedWriteScope(const QString& target)
        : fHeld(CreateFileW(QDir::toNativeSeparators(target).toStdWString().c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~RefusedWriteScope()
    {
        if (fHeld != INVALID_HANDLE_VALUE)
            CloseHandle(fHeld);
    }
#else
    explicit RefusedWriteScope(const QString&) {}
#endif
    RefusedWriteScope(const RefusedWriteScope&) = delete;
    RefusedWriteScope& operator=(const RefusedWriteScope&) = delete;

    // The system's reason for the failure.
    static QString Reason()
    {
#ifdef _WIN32
        return qt_error_string(ERROR_ACCESS_DENIED);
#else
        return QStringLiteral("File too large");
#endif
    }

private:
#ifdef _WIN32
    HANDLE fHeld;
#else
    FileSizeLimitScope fLimit{1000};
#endif
};
