#include "platform/PathSyntax.h"

#ifdef Q_OS_WIN

bool IsPathDelimiter(QChar c) { return c == u'\\' || c == u'/'; }
QChar PathDelimiter() { return u'\\'; }

#else

bool IsPathDelimiter(QChar c) { return c == u'/'; }
QChar PathDelimiter() { return u'/'; }

#endif
