#include "platform/ReadOnlyFile.h"

#include "platform/Error.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <QDir>

#include <qt_windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

TReadOnlyFile::~TReadOnlyFile() { close(); }

bool TReadOnlyFile::seek(qint64 pos)
{
    if (!QIODevice::seek(pos))
        return false;
    fOffset = pos;
    return true;
}

void TReadOnlyFile::close()
{
    if (isOpen())
        QIODevice::close();
    if (fHandle != -1)
        CloseSystemHandle();
    fHandle = -1;
}

// A read that came short without failing met the end of a file that shrank.
void TReadOnlyFile::RaiseFailure()
{
    throw Error::CannotReadFile(fFileName, fReadFailed ? errorString() : ErrorText::FileShrank());
}

void TReadOnlyFile::Take(const QString& fileName, qintptr handle, qint64 size)
{
    fFileName = fileName;
    fReadFailed = false;
    fHandle = handle;
    fSize = size;
    fOffset = 0;
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 TReadOnlyFile::readData(char* data, qint64 maxSize)
{
    const qint64 count = ReadAt(data, maxSize);
    if (count < 0) {
        fReadFailed = true;
        setErrorString(qt_error_string());
        return -1;
    }
    if (count == 0 && maxSize > 0 && fOffset < fSize) {
        fReadFailed = true;
        setErrorString(ErrorText::FileShrank());
        return -1;
    }
    fOffset += count;
    return count;
}

#ifdef Q_OS_WIN

namespace {

HANDLE Native(qintptr handle) { return reinterpret_cast<HANDLE>(handle); }

} // namespace

bool TReadOnlyFile::Open(const QString& fileName)
{
    if (fileName.isEmpty() || fileName.contains(QChar(u'\0')))
        return false;
    const std::wstring path = QDir::toNativeSeparators(fileName).toStdWString();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // Every sharing mode: the chart software may have the file open.
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw Error::CannotOpenFile(fileName, qt_error_string());
    LARGE_INTEGER size{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
        CloseHandle(handle);
        return false;
    }
    Take(fileName, reinterpret_cast<qintptr>(handle), size.QuadPart);
    return true;
}

void TReadOnlyFile::CloseSystemHandle() { CloseHandle(Native(fHandle)); }

qint64 TReadOnlyFile::ReadAt(char* data, qint64 maxSize)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(fOffset);
    at.OffsetHigh = static_cast<DWORD>(fOffset >> 32);
    DWORD count = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<qint64>(maxSize, 1 << 30));
    if (!ReadFile(Native(fHandle), data, wanted, &count, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return count;
}

#else

namespace {

bool IsRegularFile(const QByteArray& path)
{
    struct stat status {};
    return ::stat(path.constData(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

bool TReadOnlyFile::Open(const QString& fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    // No file has a name with a null character in it.
    if (path.isEmpty() || path.contains('\0'))
        return false;
    // Not blocking: a named pipe must not wait for a writer before it is
    // found to be no file.
    int fd = -1;
    do {
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        // What is no regular file was never to be opened.
        if (!IsRegularFile(path))
            return false;
        throw Error::CannotOpenFile(fileName, qt_error_string(error));
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        throw Error::CannotOpenFile(fileName, qt_error_string(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    Take(fileName, fd, status.st_size);
    return true;
}

void TReadOnlyFile::CloseSystemHandle() { ::close(static_cast<int>(fHandle)); }

qint64 TReadOnlyFile::ReadAt(char* data, qint64 maxSize)
{
    for (;;) {
        const ssize_t count = ::pread(static_cast<int>(fHandle), data, static_cast<size_t>(maxSize), fOffset);
        if (count >= 0 || errno != EINTR)
            return count;
    }
}

#endif
