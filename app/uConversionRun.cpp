#include "app/uConversionRun.h"

#include "export/uKMZWriter.h"
#include "export/uTRouteHelper.h"
#include "geo/uRouteLibrary.h"
#include "platform/AtomicFile.h"
#include "util/Error.h"
#include "util/uFileUtils.h"
#include "util/uSafeFile.h"
#include "util/uVisibleText.h"

#include <QFile>
#include <QScopeGuard>

#include <exception>
#include <new>

namespace {

// The route file's extension is compared in ASCII upper case: other letters
// never appear in ".rte", and a locale's case rules must not decide it.
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

void Load(TRoute& route, const QString& path)
{
    try {
        route.LoadFromFile(path);
    } catch (const std::bad_alloc&) {
        // Not damage: what was read is not the route, so nothing of it is written.
        throw Error::OutOfMemory(path, true);
    }
}

// Writes the .kml and packs it into the archive. A .kml that is to be
// deleted goes also when the archive failed; an earlier archive stays as it
// was.
void Export(const TRoute& route, const QString& kmlPath, const QString& kmzPath, TConversionHost& host)
{
    // Encoded now: deleting must not need memory, which may have run out.
    const QByteArray nativeKmlPath = QFile::encodeName(kmlPath);
    bool kmlWritten = false;
    const auto dropKml = qScopeGuard([&] {
        if (kmlWritten && host.DeleteTempFiles())
            DeleteEncodedFile(nativeKmlPath); // a failure to delete is ignored
    });
    try {
        // Streamed: the text of a long route need not be held whole.
        WriteSafeFile(kmlPath, [&route](QIODevice& file) { TRouteHelper::WriteKMZKovaltPath(route, file); });
        kmlWritten = true;
        if (FileExists(kmlPath)) {
            TKMZWriter archive(kmzPath);
            archive.AddFile(kmlPath, QString(), TZipMethod::Deflate);
            archive.Release();
        }
    } catch (const std::bad_alloc&) {
        throw Error::OutOfMemory(kmzPath, false);
    }
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
        host.ShowStatus(QStringLiteral("Route laden: ") + VisibleText(importName));
        Load(aRoute, fImportFilename);
        if (const auto& damage = aRoute.LoadDamage())
            host.Warn(DamageWarning(fImportFilename, aRoute.Count(), damage->ClaimedCount));
        if (aRoute.Count() == 0) {
            host.ShowStatus(QStringLiteral("Route ") + VisibleText(aRoute.Caption())
                            + QStringLiteral(" leeg en overgeslagen."));
            host.Pause(50);
            continue;
        }
        Export(aRoute, fTempFilename, fExportFilename, host);
        host.ShowStatus(QStringLiteral("Exporteer route: ") + VisibleText(ExtractFileName(fExportFilename)));
        host.Pause(10);
        ++dn;
    }
    host.ShowStatus(QStringLiteral("Klaar. Routes [%1/%2] geëxporteerd.").arg(dn).arg(files.size()));
    return dn;
}

QString DamageWarning(const QString& path, qsizetype kept, qint64 claimed)
{
    const QString route = QStringLiteral("Route \"%1\" is beschadigd: ").arg(VisibleText(path));
    if (claimed < 0)
        return route + QStringLiteral("%1 waypoints overgenomen; het aantal in het bestand is onleesbaar.").arg(kept);
    return route + QStringLiteral("%1 van de %2 waypoints overgenomen.").arg(kept).arg(claimed);
}

QString CurrentErrorText()
{
    try {
        throw;
    } catch (const Error& error) {
        return error.Message();
    } catch (const std::bad_alloc&) {
        return ErrorText::OutOfMemory();
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

QString ErrorMessageText(const QString& message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}
