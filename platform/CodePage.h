#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The 8-bit texts of route files and of the start-up message are in the
// ANSI code page of the machine that wrote them: Windows-1252 on the
// Western European systems the files come from, so we use it everywhere.

// Unicode to Windows-1252; a character the code page lacks becomes "?".
QByteArray ToAnsi(const QString& text);

// Windows-1252 to Unicode; every byte maps to one character.
QString FromAnsi(QByteArrayView bytes);
