#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// What went wrong, for callers that must tell damage in the data they read
// from a failure of the machine. Decide by kind, never by the text.
enum class TErrorKind {
    ekDamage,       // the data read is cut short or holds a field it cannot hold
    ekInvalidValue, // a value or argument the operation cannot take
    ekCannotOpen,   // a file that cannot be opened
    ekCannotCreate, // a file that cannot be created or written to its end
    ekReadFailed,   // a device that fails to read before the end of its data
    ekWriteFailed,  // a device that takes no more
    ekOutOfMemory,
};

// The texts shared by several units.
namespace ErrorText {
inline QString StreamRead() { return QStringLiteral("Stream read error"); }
inline QString StreamWrite() { return QStringLiteral("Stream write error"); }
inline QString RangeCheck() { return QStringLiteral("Range check error"); }
inline QString ArgumentOutOfRange() { return QStringLiteral("Argument out of range"); }
inline QString OutOfMemory() { return QStringLiteral("Out of memory"); }
inline QString FileShrank() { return QStringLiteral("The file grew shorter while it was read"); }
inline QString CannotOpenFile(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason);
}
inline QString CannotCreateFile(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
}
inline QString CannotCreateFilesIn(const QString& folder, const QString& reason)
{
    return QStringLiteral("Cannot create files in folder \"%1\". %2").arg(folder, reason);
}
inline QString CannotReadFile(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot read file \"%1\". %2").arg(path, reason);
}
} // namespace ErrorText

// Errors are exceptions that carry the text the user is shown, with their
// kind and, for a file, its path and the system's reason.
class Error : public std::exception {
public:
    Error(TErrorKind kind, QString message);
    Error(TErrorKind kind, QString message, QString path, QString reason);

    TErrorKind Kind() const noexcept { return fKind; }
    const QString& Message() const noexcept { return fMessage; }
    const QString& Path() const noexcept { return fPath; }
    const QString& Reason() const noexcept { return fReason; }
    const char* what() const noexcept override { return fUtf8.constData(); }

    static Error StreamRead() { return {TErrorKind::ekDamage, ErrorText::StreamRead()}; }
    static Error StreamWrite() { return {TErrorKind::ekWriteFailed, ErrorText::StreamWrite()}; }
    static Error RangeCheck() { return {TErrorKind::ekDamage, ErrorText::RangeCheck()}; }
    static Error ArgumentOutOfRange() { return {TErrorKind::ekInvalidValue, ErrorText::ArgumentOutOfRange()}; }
    static Error CannotOpenFile(const QString& path, const QString& reason)
    {
        return {TErrorKind::ekCannotOpen, ErrorText::CannotOpenFile(path, reason), path, reason};
    }
    static Error CannotCreateFile(const QString& path, const QString& reason)
    {
        return {TErrorKind::ekCannotCreate, ErrorText::CannotCreateFile(path, reason), path, reason};
    }
    static Error CannotCreateFilesIn(const QString& folder, const QString& reason)
    {
        return {TErrorKind::ekCannotCreate, ErrorText::CannotCreateFilesIn(folder, reason), folder, reason};
    }
    static Error CannotReadFile(const QString& path, const QString& reason)
    {
        return {TErrorKind::ekReadFailed, ErrorText::CannotReadFile(path, reason), path, reason};
    }
    // Memory ran out while the file was read (reading) or made.
    static Error OutOfMemory(const QString& path, bool reading)
    {
        const QString reason = ErrorText::OutOfMemory();
        return {TErrorKind::ekOutOfMemory,
                reading ? ErrorText::CannotReadFile(path, reason) : ErrorText::CannotCreateFile(path, reason), path,
                reason};
    }

private:
    TErrorKind fKind;
    QString fMessage;
    QString fPath;
    QString fReason;
    QByteArray fUtf8;
};
