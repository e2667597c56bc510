#pragma once

#include <QByteArray>
#include <QString>

// A name (a command-line argument, a folder's entry) as the system gave it.
// Off Windows a name is bytes: one whose bytes are no text in the locale's
// encoding is not valid, and its text only shows it as well as it can; a
// path made of it must not be taken for another file that has the decoded
// name. On Windows names are UTF-16 and always valid.
struct TSystemName {
    QString text;
    bool valid = true;
};

#ifndef Q_OS_WIN
TSystemName DecodeSystemName(const QByteArray& bytes);
#endif
