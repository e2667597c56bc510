#include "app/uConversionRun.h"

#include "util/Error.h"

#include <QDir>
#include <QFileInfo>

// Stand-in until the real run is in: it reports each file and fails on names
// that contain "fail", so that the window can be exercised.
int ConvertRoutes(const QStringList& files, TConversionHost& host)
{
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        host.ShowStatus(QStringLiteral("Route laden: ") + name);
        if (name.contains(u"fail"))
            throw Error(ErrorText::CannotCreateFile(
                QDir(host.TargetFolder()).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".kml")),
                QStringLiteral("Access denied")));
    }
    host.ShowStatus(QStringLiteral("Klaar. Routes [0/%1] geëxporteerd.").arg(files.size()));
    return 0;
}

QString ErrorMessageText(const QString& message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}
