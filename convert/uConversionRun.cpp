#include "convert/uConversionRun.h"

#include "convert/uRouteExport.h"
#include "export/uGpxWriter.h"
#include "geo/uRouteLibrary.h"
#include "platform/Error.h"
#include "platform/FileIdentity.h"
#include "platform/FolderAccess.h"
#include "platform/PathSyntax.h"
#include "util/uFileUtils.h"
#include "util/uSafeFile.h"
#include "util/uSharedSettings.h"
#include "util/uVisibleText.h"

#include <QDir>
#include <QFileInfo>

#include <exception>
#include <map>
#include <new>

namespace {

// The folder a route's outputs go to, made, with those between it and the
// target, where missing. Unless the route is kept, the folders it made go
// again when it ends, those that stayed empty.
class TOutputFolder {
public:
    TOutputFolder(const QString& target, const QString& subFolder) : fPath(target)
    {
        try {
            for (const QString& folder : subFolder.split(PathDelimiter(), Qt::SkipEmptyParts)) {
                fPath = PathInFolder(fPath, folder);
                if (MakeFolder(fPath))
                    fMade.append(fPath);
            }
        } catch (...) {
            RemoveMade();
            throw;
        }
    }
    ~TOutputFolder() { RemoveMade(); }
    TOutputFolder(const TOutputFolder&) = delete;
    TOutputFolder& operator=(const TOutputFolder&) = delete;

    const QString& Path() const { return fPath; }
    void Keep() { fMade.clear(); }

private:
    void RemoveMade() noexcept
    {
        // Removing refuses a folder that holds anything.
        for (auto folder = fMade.crbegin(); folder != fMade.crend(); ++folder)
            QDir().rmdir(*folder);
    }

    QString fPath;
    QStringList fMade;
};

bool Load(TRoute& route, const QString& path)
{
    try {
        return route.LoadFromFile(path);
    } catch (const std::bad_alloc&) {
        // Not damage: what was read is not the route, so nothing of it is written.
        throw Error::OutOfMemory(path, true);
    }
}

// Writes the route's GPX document and returns the number of waypoints it
// leaves out. Like the archive, it takes its name only when whole.
int ExportGpx(const TRoute& route, const QString& gpxPath)
{
    try {
        int leftOut = 0;
        WriteSafeFile(gpxPath, [&](QIODevice& file) { leftOut = WriteGpx(route, file); });
        return leftOut;
    } catch (const std::bad_alloc&) {
        throw Error::OutOfMemory(gpxPath, false);
    }
}

} // namespace

bool LoadChosenRoute(TRoute& route, const QString& path, TRouteFileHost& host)
{
    const bool loaded = Load(route, path);
    if (!loaded)
        host.PassedOver({path, TPassOver::poNoRoute, {}});
    if (const auto& damage = route.LoadDamage())
        host.Warn(DamageWarning(path, route.Count(), damage->ClaimedCount));
    return loaded;
}

int ConvertRoutes(const TChosenFiles& files, TConversionHost& host)
{
    // Later users of the shared record count on the decimal point a run leaves.
    SharedSettings().DecimalSeparator = u'.';
    int dn = 0;
    // The archives this run made, by the entry they are, whatever path named
    // them, with the route file each came from. Not a QHash: its insertion
    // cannot report memory that runs out.
    std::map<TFileIdentity, QString> archivesMade;
    TRouteFiles routeFiles(files, host);
    while (const auto routeFile = routeFiles.Next()) {
        const QString& fImportFilename = routeFile->path;
        TOutputFolder outputFolder(host.TargetFolder(), routeFile->targetSubFolder);
        const QString importName = ExtractFileName(fImportFilename);
        const auto output = [&](const char* ext) {
            return PathInFolder(outputFolder.Path(), ChangeFileExt(importName, QString::fromLatin1(ext)));
        };
        const QString fExportFilename = output(".kmz");
        const QString fTempFilename = output(".kml");
        const QString gpxFilename = output(".gpx");

        TRoute aRoute(QFileInfo(fImportFilename).path()); // a new route beside the file it is read from
        host.ShowStatus(QStringLiteral("Route laden: ") + VisibleText(importName));
        // The archive is made as the route loads, and takes its name only
        // once the route proves worth converting.
        TRouteExport routeExport(aRoute, fTempFilename, fExportFilename, host.KeepKml());
        aRoute.setOnPointLoaded([&routeExport](const TGeoPoint& point) { routeExport.PointLoaded(point); });
        const bool loaded = LoadChosenRoute(aRoute, fImportFilename, host);
        if (aRoute.Count() == 0) {
            if (loaded)
                host.PassedOver({fImportFilename, TPassOver::poEmptyRoute, {}});
            host.ShowStatus(QStringLiteral("Route ") + VisibleText(aRoute.Caption())
                            + QStringLiteral(" leeg en overgeslagen."));
            host.Pause(50);
            continue;
        }
        if (const auto replaced = FileIdentity(fExportFilename)) {
            if (const auto earlier = archivesMade.find(*replaced); earlier != archivesMade.end()) {
                host.Warn(ReplacedArchiveWarning(fExportFilename, earlier->second, fImportFilename));
                archivesMade.erase(earlier);
            }
        }
        routeExport.Finish();
        outputFolder.Keep();
        if (host.MakeGpx()) {
            if (const int leftOut = ExportGpx(aRoute, gpxFilename))
                host.Warn(GpxLeftOutWarning(fImportFilename, leftOut));
        }
        if (const auto made = FileIdentity(fExportFilename))
            archivesMade.insert_or_assign(*made, fImportFilename);
        host.ShowStatus(QStringLiteral("Exporteer route: ") + VisibleText(ExtractFileName(fExportFilename)));
        host.Pause(10);
        ++dn;
    }
    host.ShowStatus(QStringLiteral("Klaar. Routes [%1/%2] geëxporteerd.").arg(dn).arg(routeFiles.Count()));
    return dn;
}

QString DamageWarning(const QString& path, qsizetype kept, qint64 claimed)
{
    const QString route = QStringLiteral("Route \"%1\" is beschadigd: ").arg(VisibleText(path));
    if (claimed < 0)
        return route + QStringLiteral("%1 waypoints overgenomen; het aantal in het bestand is onleesbaar.").arg(kept);
    return route + QStringLiteral("%1 van de %2 waypoints overgenomen.").arg(kept).arg(claimed);
}

QString GpxLeftOutWarning(const QString& path, int leftOut)
{
    const QString route = QStringLiteral("Route \"%1\": ").arg(VisibleText(path));
    if (leftOut == 1)
        return route + QStringLiteral("1 waypoint zonder geldige positie is niet in het GPX bestand opgenomen.");
    return route + QStringLiteral("%1 waypoints zonder geldige positie zijn niet in het GPX bestand opgenomen.").arg(leftOut);
}

QString PassedOverWarning(const TPassedOver& passedOver)
{
    const QString path = VisibleText(passedOver.path);
    switch (passedOver.reason) {
    case TPassOver::poMissing:
        return QStringLiteral("Bestand \"%1\" bestaat niet.").arg(path);
    case TPassOver::poOtherExtension:
        return QStringLiteral("Bestand \"%1\" is geen .rte bestand en is overgeslagen.").arg(path);
    case TPassOver::poNotAFile:
        return QStringLiteral("\"%1\" is geen gewoon bestand en is overgeslagen.").arg(path);
    case TPassOver::poNoRoute:
        return QStringLiteral("Bestand \"%1\" is geen routebestand en is overgeslagen.").arg(path);
    case TPassOver::poInvalidName:
        return QStringLiteral("De naam \"%1\" is op dit systeem niet geldig; geef het een andere naam.").arg(path);
    case TPassOver::poUnreadableFolder:
        return QStringLiteral("Map \"%1\" kan niet gelezen worden (%2).").arg(path, VisibleText(passedOver.systemReason));
    case TPassOver::poEmptyFolder:
        return QStringLiteral("Map \"%1\" bevat geen routebestanden.").arg(path);
    case TPassOver::poEmptyRoute:
        return QStringLiteral("Route \"%1\" heeft geen waypoints en is overgeslagen.").arg(path);
    }
    return path;
}

QString ReplacedArchiveWarning(const QString& archive, const QString& earlier, const QString& later)
{
    return QStringLiteral("Archief \"%1\" van \"%2\" wordt vervangen door dat van \"%3\".")
        .arg(VisibleText(archive), VisibleText(earlier), VisibleText(later));
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
        return QStringLiteral("Internal error");
    }
}

QString ErrorMessageText(const QString& message)
{
    const QString shown = VisibleText(message);
    if (!shown.isEmpty() && shown.back() > u'.')
        return shown + u'.';
    return shown;
}
