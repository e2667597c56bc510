#include "convert/uConversionRun.h"

#include "convert/uRouteExport.h"
#include "export/uGpxWriter.h"
#include "geo/uRouteLibrary.h"
#include "platform/Error.h"
#include "platform/FileIdentity.h"
#include "util/uFileUtils.h"
#include "util/uSafeFile.h"
#include "util/uSharedSettings.h"
#include "util/uVisibleText.h"

#include <QFileInfo>

#include <exception>
#include <map>
#include <new>
#include <optional>

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

// The file's path in the folder as the folder was given; "." (or nothing)
// is the current folder, which a bare name names as well.
QString InFolder(const QString& folder, const QString& fileName)
{
    if (folder.isEmpty() || folder == u".")
        return fileName;
    return folder.endsWith(u'/') ? folder + fileName : folder + u'/' + fileName;
}

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

TChosenFiles ChosenFiles(const QStringList& paths)
{
    TChosenFiles files;
    files.reserve(paths.size());
    for (const QString& path : paths)
        files.append({path});
    return files;
}

std::optional<TPassOver> PassOverReason(const TChosenFile& file)
{
    if (!file.nameValid)
        return TPassOver::poInvalidName;
    if (!FileExists(file.path))
        return QFileInfo::exists(file.path) ? TPassOver::poNotAFile : TPassOver::poMissing;
    if (AsciiUpper(ExtractFileExt(file.path)) != u".RTE")
        return TPassOver::poOtherExtension;
    return std::nullopt;
}

bool LoadChosenRoute(TRoute& route, const QString& path, TRouteFileHost& host)
{
    const bool loaded = Load(route, path);
    if (!loaded)
        host.PassedOver(path, TPassOver::poNoRoute);
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
    for (const TChosenFile& chosen : files) {
        const QString& fImportFilename = chosen.path;
        if (const auto reason = PassOverReason(chosen)) {
            host.PassedOver(fImportFilename, *reason);
            continue;
        }
        const QString targetFolder = host.TargetFolder();
        const QString importName = ExtractFileName(fImportFilename);
        const QString fExportFilename = InFolder(targetFolder, ChangeFileExt(importName, QStringLiteral(".kmz")));
        const QString fTempFilename = InFolder(targetFolder, ChangeFileExt(importName, QStringLiteral(".kml")));
        const QString gpxFilename = InFolder(targetFolder, ChangeFileExt(importName, QStringLiteral(".gpx")));

        TRoute aRoute(fImportFilename);
        host.ShowStatus(QStringLiteral("Route laden: ") + VisibleText(importName));
        // The archive is made as the route loads, and takes its name only
        // once the route proves worth converting.
        TRouteExport routeExport(aRoute, fTempFilename, fExportFilename, !host.DeleteTempFiles());
        aRoute.setOnPointLoaded([&routeExport](const TGeoPoint& point) { routeExport.PointLoaded(point); });
        LoadChosenRoute(aRoute, fImportFilename, host);
        if (aRoute.Count() == 0) {
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

QString GpxLeftOutWarning(const QString& path, int leftOut)
{
    const QString route = QStringLiteral("Route \"%1\": ").arg(VisibleText(path));
    if (leftOut == 1)
        return route + QStringLiteral("1 waypoint zonder geldige positie is niet in het GPX bestand opgenomen.");
    return route + QStringLiteral("%1 waypoints zonder geldige positie zijn niet in het GPX bestand opgenomen.").arg(leftOut);
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
        return QStringLiteral("Unknown error");
    }
}

QString ErrorMessageText(const QString& message)
{
    const QString shown = VisibleText(message);
    if (!shown.isEmpty() && shown.back() > u'.')
        return shown + u'.';
    return shown;
}
