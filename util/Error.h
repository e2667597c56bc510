#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Errors are exceptions that carry the text the user is shown.
class Error : public std::exception {
public:
    explicit Error(QString message);

    const QString& Message() const noexcept { return fMessage; }
    const char* what() const noexcept override { return fUtf8.constData(); }

private:
    QString fMessage;
    QByteArray fUtf8;
};

// The texts shared by several units.
namespace ErrorText {
inline QString StreamRead() { return QStringLiteral("Stream read error"); }
inline QString StreamWrite() { return QStringLiteral("Stream write error"); }
inline QString RangeCheck() { return QStringLiteral("Range check error"); }
inline QString ArgumentOutOfRange() { return QStringLiteral("Argument out of range"); }
inline QString CannotOpenFile(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason);
}
inline QString CannotCreateFile(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
}
} // namespace ErrorText
