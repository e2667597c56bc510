#pragma once

#include <QList>
#include <QString>

#include <cstdio>

// A command-line argument as the system gave it. Off Windows an argument is
// bytes: one whose bytes are no text in the locale's encoding is not valid,
// and its text only shows it as well as it can; a name of it must not be
// taken for another file that has the decoded name. On Windows arguments
// are UTF-16 and always valid.
struct TArgument {
    QString text;
    bool valid = true;
};

// The arguments after the program's name.
QList<TArgument> ProgramArguments(int argc, char* argv[]);

// Writes all of the text on standard output or standard error (NUL
// included): to a console as text that it shows, elsewhere as UTF-8 bytes,
// lines ended by LF alone. Empty when written, else the system's reason.
QString WriteText(std::FILE* stream, const QString& text);
