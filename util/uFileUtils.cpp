#include "util/uFileUtils.h"

#include "platform/PathSyntax.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Where the file name part starts.
qsizetype NameStart(const QString& path)
{
    qsizetype start = path.size();
    while (start > 0 && !IsPathDelimiter(path.at(start - 1)))
        --start;
    return start;
}

qsizetype ExtensionStart(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot >= NameStart(path) ? dot : -1;
}

} // namespace

QString ExtractFilePath(const QString& path)
{
    return path.left(NameStart(path));
}

QString ExtractFileName(const QString& path)
{
    return path.mid(NameStart(path));
}

QString PathInFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder == u".")
        return name;
    return IsPathDelimiter(folder.back()) ? folder + name : folder + PathDelimiter() + name;
}

QString ExtractFileExt(const QString& path)
{
    const qsizetype dot = ExtensionStart(path);
    return dot < 0 ? QString() : path.mid(dot);
}

QString ChangeFileExt(const QString& path, const QString& ext)
{
    const qsizetype dot = ExtensionStart(path);
    return (dot < 0 ? path : path.left(dot)) + ext;
}

bool FileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString UniqueFilename(const QString& Basename, const QString& NewExt)
{
    const QString candidate = NewExt.isEmpty() ? Basename : ChangeFileExt(Basename, NewExt);
    if (!FileExists(candidate))
        return candidate;
    const QString fileExt = ExtractFileExt(candidate);
    const QString stem = candidate.left(candidate.size() - fileExt.size());
    for (int i = 1;; ++i) {
        const QString numbered = stem + u' ' + QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')) + fileExt;
        if (!FileExists(numbered))
            return numbered;
    }
}

QString GetUniqueFilename(const QString& aDir, const QString& aFiller, const QString& aFilename)
{
    const QString fileExt = ExtractFileExt(aFilename);
    const QString dir = aDir.isEmpty() || IsPathDelimiter(aDir.back()) ? aDir : aDir + PathDelimiter();
    const QString stem = dir + aFilename.chopped(fileExt.size()) + aFiller;
    const QString candidate = stem + fileExt;
    if (!FileExists(candidate))
        return candidate;
    for (int i = 1;; ++i) {
        const QString numbered = stem + QStringLiteral(" (%1)").arg(i) + fileExt;
        if (!FileExists(numbered))
            return numbered;
    }
}

bool IsEmptyDir(const QString& directory)
{
    // A folder that can be listed always yields its own . and .. first; one
    // that cannot (or a path that is no folder) yields nothing.
    if (directory.isEmpty())
        return false;
    const QDir dir(directory);
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System).size() == 2;
}
