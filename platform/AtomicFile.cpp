#include "platform/AtomicFile.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

namespace {

// Short enough to fit wherever the target's own name fits.
constexpr char kTemporaryPrefix[] = ".~rc";
constexpr int kRandomLetters = 6;

bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

} // namespace

TAtomicFile::TAtomicFile(const QString& path)
    : fPath(path),
      fNativePath(QFile::encodeName(path)),
      fNativeFolder(QFile::encodeName(QFileInfo(path).path())),
      fNativeTemporary(fNativeFolder + '/' + kTemporaryPrefix + QByteArray(kRandomLetters, 'X'))
{
}

TAtomicFile::~TAtomicFile()
{
    close();
    if (fHandle >= 0)
        ::close(fHandle);
    if (fHasTemporaryName)
        ::unlink(fNativeTemporary.constData());
}

bool TAtomicFile::Fail(int error)
{
    setErrorString(qt_error_string(error));
    return false;
}

// A fresh temporary name in fNativeTemporary, written in place.
void TAtomicFile::TakeTemporaryName()
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    char* const letters = fNativeTemporary.data() + fNativeTemporary.size() - kRandomLetters;
    for (int i = 0; i < kRandomLetters; ++i)
        letters[i] = kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
}

bool TAtomicFile::Create()
{
    struct stat target {};
    if (::lstat(fNativePath.constData(), &target) == 0 && S_ISDIR(target.st_mode))
        return Fail(EISDIR);
    fHandle = ::open(fNativeFolder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fHandle < 0 && NoUnnamedFiles(errno)) {
        for (int attempt = 0; attempt < 100 && fHandle < 0; ++attempt) {
            TakeTemporaryName();
            fHandle = ::open(fNativeTemporary.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fHandle < 0 && errno != EEXIST)
                break;
        }
        fHasTemporaryName = fHandle >= 0;
    }
    if (fHandle < 0)
        return Fail(errno);
    return open(fHandle, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
}

// A full disk takes part of the buffer and tells why only on the next
// attempt, so we try again while it takes some.
bool TAtomicFile::FlushFully()
{
    for (qint64 left = bytesToWrite(); !flush(); left = bytesToWrite()) {
        if (bytesToWrite() == left)
            return false;
    }
    return true;
}

bool TAtomicFile::Commit()
{
    if (!isOpen() || !FlushFully())
        return false;
    if (::fsync(fHandle) != 0)
        return Fail(errno);
    if (!fHasTemporaryName) {
        // A link cannot replace an entry, so the file gets a temporary name first.
        std::array<char, 32> self{};
        std::snprintf(self.data(), self.size(), "/proc/self/fd/%d", fHandle);
        for (int attempt = 0; attempt < 100 && !fHasTemporaryName; ++attempt) {
            TakeTemporaryName();
            if (::linkat(AT_FDCWD, self.data(), AT_FDCWD, fNativeTemporary.constData(), AT_SYMLINK_FOLLOW) == 0)
                fHasTemporaryName = true;
            else if (errno != EEXIST)
                return Fail(errno);
        }
        if (!fHasTemporaryName)
            return Fail(EEXIST);
    }
    if (::rename(fNativeTemporary.constData(), fNativePath.constData()) != 0)
        return Fail(errno);
    fHasTemporaryName = false;
    close();
    return true;
}

bool DeleteEncodedFile(const QByteArray& nativePath) { return ::unlink(nativePath.constData()) == 0; }
