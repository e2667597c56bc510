#include "app/uConversionRun.h"

#include "export/uKMZWriter.h"
#include "export/uTRouteHelper.h"
#include "geo/uRouteLibrary.h"
#include "util/uFileUtils.h"
#include "util/uSafeFile.h"

#include <QFile>

namespace {

// Only the ASCII letters change case, as in the original's comparison.
QString AsciiUpper(const QString& text)
{
    QString upper = text;
    for (QChar& c : upper) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return upper;
}

QString InFolder(const QString& folder, const QString& fileName)
{
    return folder + u'/' + fileName;
}

void Export(const TRoute& route, const QString& kmlPath, const QString& kmzPath)
{
    // Streamed: the text of a long route need not be held whole.
    WriteSafeFile(kmlPath, [&route](QIODevice& file) { TRouteHelper::WriteKMZKovaltPath(route, file); });
    if (!FileExists(kmlPath))
        return;
    TKMZWriter archive(kmzPath);
    archive.AddFile(kmlPath, QString(), TZipMethod::Deflate);
    archive.Release();
}

} // namespace

int ConvertRoutes(const QStringList& files, TConversionHost& host)
{
    int dn = 0;
    for (const QString& fImportFilename : files) {
        const QString fImportExt = AsciiUpper(ExtractFileExt(fImportFilename));
        const QString targetFolder = host.TargetFolder();
        const QString importName = ExtractFileName(fImportFilename);
        const QString fExportFilename = InFolder(targetFolder, ChangeFileExt(importName, QStringLiteral(".kmz")));
        const QString fTempFilename = InFolder(targetFolder, ChangeFileExt(importName, QStringLiteral(".kml")));
        if (!FileExists(fImportFilename) || fImportExt != u".RTE")
            continue;

        TRoute aRoute(fImportFilename);
        host.ShowStatus(QStringLiteral("Route laden: ") + importName);
        aRoute.LoadFromFile(fImportFilename);
        if (aRoute.Count() == 0) {
            host.ShowStatus(QStringLiteral("Route ") + aRoute.Caption() + QStringLiteral(" leeg en overgeslagen."));
            host.Pause(50);
            continue;
        }
        Export(aRoute, fTempFilename, fExportFilename);
        if (host.DeleteTempFiles())
            QFile::remove(fTempFilename);
        host.ShowStatus(QStringLiteral("Exporteer route: ") + ExtractFileName(fExportFilename));
        host.Pause(10);
        ++dn;
    }
    host.ShowStatus(QStringLiteral("Klaar. Routes [%1/%2] geëxporteerd.").arg(dn).arg(files.size()));
    return dn;
}

QString ErrorMessageText(const QString& message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}
