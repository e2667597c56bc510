#pragma once

#include "platform/SystemName.h"

#include <QList>
#include <QString>

#include <cstdio>

// The arguments after the program's name.
QList<TSystemName> ProgramArguments(int argc, char* argv[]);

// Writes all of the text on standard output or standard error (NUL
// included): to a console as text that it shows, elsewhere as UTF-8 bytes,
// lines ended by LF alone. Empty when written, else the system's reason.
QString WriteText(std::FILE* stream, const QString& text);
