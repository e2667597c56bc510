#include "platform/SystemName.h"

#ifndef Q_OS_WIN
#include <QFile>

TSystemName DecodeSystemName(const QByteArray& bytes)
{
    const QString name = QFile::decodeName(bytes);
    // Taken only when its bytes come back from it unchanged.
    if (QFile::encodeName(name) == bytes)
        return {name};
    return {QString::fromLocal8Bit(bytes), false};
}
#endif
