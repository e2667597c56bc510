#include "util/uFileUtils.h"

#include <QDir>
#include <QFileInfo>

bool IsEmptyDir(const QString& directory)
{
    // An unreadable folder lists as empty, so it must not get that far.
    const QFileInfo info(directory);
    if (directory.isEmpty() || !info.isDir() || !info.isReadable())
        return false;
    return QDir(directory).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}
