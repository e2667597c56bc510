#include "environment/uNautivaControl.h"

#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "util/uFileUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QtDebug>

#include <array>
#include <utility>

QString gProgramDataPath;
QString gCopyrightYearInfo = QStringLiteral("2021");
QString gPublisherInfo;
QString gVersionInfo;
QString gEditionInfo;
QString gUpdateInfo;
QString gUpgradeGUID;
QString gProductGUID;
QString gIniFilename;
QString gLogFilename;
QString gMapsDataPath;
QString gAlmanakDataPath;
QString gRoutesDataPath;
QString gRoutesKMLPath;
QString gTracksDataPath;
QString gTracksKMLPath;
QString gInsertsPath;
QString gDownloadsPath;

namespace {

const QString kNautivaKey = QStringLiteral("Software\\Ostrelon\\Nautiva\\");

// In the order they are read.
const std::array<std::pair<QString, QString*>, 8> kRegistryValues = {{
    {QStringLiteral("DatabaseDir"), &gProgramDataPath},
    {QStringLiteral("CopyrightYearInfo"), &gCopyrightYearInfo},
    {QStringLiteral("PublisherInfo"), &gPublisherInfo},
    {QStringLiteral("VersionInfo"), &gVersionInfo},
    {QStringLiteral("EditionInfo"), &gEditionInfo},
    {QStringLiteral("UpdateInfo"), &gUpdateInfo},
    {QStringLiteral("UpgradeGUID"), &gUpgradeGUID},
    {QStringLiteral("ProductGUID"), &gProductGUID},
}};

const std::array<QString*, 10> kDerivedPaths = {&gIniFilename,    &gLogFilename,   &gMapsDataPath,   &gAlmanakDataPath,
                                                &gRoutesDataPath, &gRoutesKMLPath, &gTracksDataPath, &gTracksKMLPath,
                                                &gInsertsPath,    &gDownloadsPath};

void LogReport(const QByteArray& message)
{
    qWarning().noquote() << FromAnsi(message);
}

std::function<void(const QByteArray&)>& StartupReporter()
{
    static std::function<void(const QByteArray&)> reporter = LogReport;
    return reporter;
}

// Every global back to how the program starts, so that a second check
// leaves no path of the first one behind.
void ResetGlobals()
{
    for (const auto& [name, global] : kRegistryValues)
        global->clear();
    for (QString* path : kDerivedPaths)
        path->clear();
    gCopyrightYearInfo = QStringLiteral("2021");
}

void ReadRegistry(const TEnvironmentServices& services)
{
    QStringList names;
    for (const auto& [name, global] : kRegistryValues)
        names.append(name);
    const QHash<QString, QString> texts = services.readRegistry(kNautivaKey, names);
    for (const auto& [name, global] : kRegistryValues)
        *global = texts.value(name);
}

bool IsFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

// The chart software's folder below an application-data folder; empty when
// the variable is not set.
QString DataPathBelow(const TEnvironmentServices& services, const char* variable)
{
    const QString root = services.environmentVariable(variable);
    if (root.isEmpty())
        return root;
    return root + QDir::separator() + QStringLiteral("Ostrelon") + QDir::separator() + QStringLiteral("Nautiva");
}

// Doubled separators become one, scanning left to right without overlap,
// so a data directory that ends in a separator still gives single ones.
QString Collapsed(QString path)
{
    const QString single(QDir::separator());
    return path.replace(single + single, single);
}

// The data directory with sub-folders appended, each after a separator.
QString UnderDataPath(std::initializer_list<QStringView> folders)
{
    QString path = gProgramDataPath;
    for (const QStringView folder : folders)
        path += QDir::separator() + folder.toString();
    return Collapsed(path);
}

// A folder that cannot be created is not reported: start-up goes on and
// its path stays published all the same.
void CreateFolder(const QString& path)
{
    QDir().mkpath(path);
}

TqxEnvironmentStatus CheckMaps()
{
    gMapsDataPath = UnderDataPath({u"maps"});
    return IsFolder(gMapsDataPath) && MapsInDir(gMapsDataPath) ? ecOK : ecMissingMaps;
}

TqxEnvironmentStatus CheckAlmanak()
{
    gAlmanakDataPath = UnderDataPath({u"almanak"});
    return IsFolder(gAlmanakDataPath) ? ecOK : ecMissingAlmanak;
}

void CreateLibraries()
{
    const std::array<std::pair<QString*, QString>, 6> libraries = {{
        {&gRoutesDataPath, UnderDataPath({u"routes"})},
        {&gRoutesKMLPath, UnderDataPath({u"routes", u"kml"})},
        {&gTracksDataPath, UnderDataPath({u"tracks"})},
        {&gTracksKMLPath, UnderDataPath({u"tracks", u"kml"})},
        {&gInsertsPath, UnderDataPath({u"inserts"})},
        // Without a separator: beside a data directory that does not end in one.
        {&gDownloadsPath, Collapsed(gProgramDataPath + QStringLiteral("downloads"))},
    }};
    for (const auto& [global, path] : libraries) {
        *global = path;
        CreateFolder(path);
    }
}

} // namespace

TEnvironmentServices DefaultEnvironmentServices()
{
    return {
        ReadCurrentUserTexts,
        [](const char* name) { return qEnvironmentVariable(name); },
        [](const QByteArray& message) { StartupReporter()(message); },
    };
}

void SetStartupReporter(std::function<void(const QByteArray& message)> reporter)
{
    StartupReporter() = reporter ? std::move(reporter) : LogReport;
}

TqxEnvironmentStatus EnvironmentCheck(TqxStartupOptions options)
{
    return EnvironmentCheck(options, DefaultEnvironmentServices());
}

TqxEnvironmentStatus EnvironmentCheck(TqxStartupOptions options, const TEnvironmentServices& services)
{
    TqxEnvironmentStatus status = ecOK;
    ResetGlobals();
    ReadRegistry(services);

    if (!IsFolder(gProgramDataPath))
        gProgramDataPath = DataPathBelow(services, "APPDATA");
    if (!IsFolder(gProgramDataPath))
        gProgramDataPath = DataPathBelow(services, "PROGRAMDATA");
    if (!IsFolder(gProgramDataPath))
        status = ecMissingDataRoot;

    if (status == ecOK) {
        gIniFilename = UnderDataPath({u"nautiva.ini"});
        gLogFilename = UnderDataPath({u"nautiva.txt"});
    }

    const bool checkFiles = options.Contains(stCheckAll) || options.Contains(stCheckFiles);
    if (status == ecOK && checkFiles)
        status = CheckMaps();
    if (status == ecOK && checkFiles)
        status = CheckAlmanak();
    if (status == ecOK && checkFiles)
        CreateLibraries();

    if (status != ecOK)
        services.report(ToAnsi(EnvironmentReport(status)));
    return status;
}

bool MapsInDir(const QString& aDir)
{
    return !IsEmptyDir(aDir) && IsFolder(aDir + QDir::separator() + QStringLiteral("Nederland.zoom"));
}

QString EnvironmentReport(TqxEnvironmentStatus status)
{
    // Brackets around no path would read as a path that is empty.
    const auto report = [](const char* message, const QString& path) {
        const QString text = QCoreApplication::translate("uNautivaControl", message);
        return path.isEmpty() ? text : text + QStringLiteral(" (") + path + QStringLiteral(") ");
    };
    switch (status) {
    case ecOK:
        return {};
    case ecMissingDataRoot:
        return report("De data directory is niet gevonden. Installeer het programma opnieuw. "
                      "Als dit probleem zich blijft voordoen, neem dan contact met ons op.",
                      gProgramDataPath);
    case ecMissingMaps:
        return report("De vaarkaarten zijn niet gevonden. Installeer het programma opnieuw. "
                      "Als dit probleem zich blijft voordoen, neem dan contact met ons op.",
                      gMapsDataPath);
    case ecMissingAlmanak:
        return report("De almanak is niet gevonden. Installeer het programma opnieuw. "
                      "Als dit probleem zich blijft voordoen, neem dan contact met ons op.",
                      gAlmanakDataPath);
    case ecMissingRoute:
        return report("De routebibliotheek is niet gevonden. Controleer of de map waar de routes opgeslagen "
                      "worden aanwezig is en niet tegen schrijven is beveiligd.",
                      gRoutesDataPath);
    case ecMissingTrack:
        return report("De trackbibliotheek is niet gevonden. Controleer of de map waar de tracks opgeslagen "
                      "worden aanwezig is en niet tegen schrijven is beveiligd.",
                      gTracksDataPath);
    }
    return {};
}
