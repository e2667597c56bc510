#pragma once

#include <QChar>

// "/" separates a path's folders everywhere; on Windows "\" does as well.
bool IsPathDelimiter(QChar c);

// The separator put between a folder and a name: the one the system shows.
QChar PathDelimiter();
