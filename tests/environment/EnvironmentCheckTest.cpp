#include "environment/uNautivaControl.h"
#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

#include <gtest/gtest.h>

namespace {

const QString kMissingDataRoot = QStringLiteral(
    "De data directory is niet gevonden. Installeer het programma opnieuw. "
    "Als dit probleem zich blijft voordoen, neem dan contact met ons op.");
const QString kMissingMaps = QStringLiteral(
    "De vaarkaarten zijn niet gevonden. Installeer het programma opnieuw. "
    "Als dit probleem zich blijft voordoen, neem dan contact met ons op.");
const QString kMissingAlmanak = QStringLiteral(
    "De almanak is niet gevonden. Installeer het programma opnieuw. "
    "Als dit probleem zich blijft voordoen, neem dan contact met ons op.");

QString Report(const QString& message, const QString& path)
{
    return message + QStringLiteral(" (") + path + QStringLiteral(") ");
}

void MakeFolders(const QString& base, const QStringList& folders)
{
    for (const QString& folder : folders)
        ASSERT_TRUE(QDir().mkpath(base + u'/' + folder)) << folder.toStdString();
}

void MakeFile(const QString& path)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

// A path below a folder written with the system's separator, as the check
// writes the paths it derives.
QString Native(const QByteArray& slashed) { return QDir::toNativeSeparators(QString::fromUtf8(slashed)); }

bool IsFolder(const QString& path)
{
    return QFileInfo(path).isDir();
}

// A host whose registry, environment and dialog the test decides.
class EnvironmentCheckTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fRoot.isValid()); }

    QString Root(const QString& relative = {}) const { return relative.isEmpty() ? fRoot.path() : fRoot.filePath(relative); }

    TEnvironmentServices Services()
    {
        return {
            [this](const QString& keyPath, const QStringList& names) {
                EXPECT_EQ(keyPath, QStringLiteral("Software\\Ostrelon\\Nautiva\\"));
                EXPECT_EQ(names.join(u' '), QStringLiteral("DatabaseDir CopyrightYearInfo PublisherInfo VersionInfo "
                                                           "EditionInfo UpdateInfo UpgradeGUID ProductGUID"));
                return fRegistry;
            },
            [this](const char* name) { return fEnvironment.value(QByteArray(name)); },
            [this](const QByteArray& message) { fReports.append(message); },
        };
    }

    TqxEnvironmentStatus Check(TqxStartupOptions options = {stCheckAll}) { return EnvironmentCheck(options, Services()); }

    // The one report, as the user reads it.
    QString Reported() const
    {
        EXPECT_EQ(fReports.size(), 1);
        return fReports.isEmpty() ? QString() : FromAnsi(fReports.first());
    }

    QTemporaryDir fRoot;
    QHash<QString, QString> fRegistry;
    QHash<QByteArray, QString> fEnvironment;
    QList<QByteArray> fReports;
};

// Declared first: in a run of the whole program no check has run before it.
TEST(EnvironmentGlobals, CopyrightYearStartsAs2021AndPathsEmpty)
{
    EXPECT_EQ(gCopyrightYearInfo, QStringLiteral("2021"));
    EXPECT_TRUE(gProgramDataPath.isEmpty());
    EXPECT_TRUE(gRoutesDataPath.isEmpty());
}

TEST_F(EnvironmentCheckTest, CompleteInstallationFillsEveryGlobalAndCreatesTheLibraries)
{
    const QString data = Root(QStringLiteral("data"));
    MakeFolders(data, {QStringLiteral("maps/Nederland.zoom"), QStringLiteral("almanak"), QStringLiteral("routes")});
    MakeFile(data + QStringLiteral("/routes/Texel.rte"));
    fRegistry = {{QStringLiteral("DatabaseDir"), data},
                 {QStringLiteral("CopyrightYearInfo"), QStringLiteral("2019")},
                 {QStringLiteral("PublisherInfo"), QStringLiteral("Ostrelon")},
                 {QStringLiteral("VersionInfo"), QStringLiteral("7.1")},
                 {QStringLiteral("EditionInfo"), QStringLiteral("Pro")},
                 {QStringLiteral("UpdateInfo"), QStringLiteral("3")},
                 {QStringLiteral("UpgradeGUID"), QStringLiteral("{U}")},
                 {QStringLiteral("ProductGUID"), QStringLiteral("{P}")}};

    EXPECT_EQ(Check(), ecOK);
    EXPECT_TRUE(fReports.isEmpty());

    EXPECT_EQ(gProgramDataPath, data);
    EXPECT_EQ(gCopyrightYearInfo, QStringLiteral("2019"));
    EXPECT_EQ(gPublisherInfo, QStringLiteral("Ostrelon"));
    EXPECT_EQ(gVersionInfo, QStringLiteral("7.1"));
    EXPECT_EQ(gEditionInfo, QStringLiteral("Pro"));
    EXPECT_EQ(gUpdateInfo, QStringLiteral("3"));
    EXPECT_EQ(gUpgradeGUID, QStringLiteral("{U}"));
    EXPECT_EQ(gProductGUID, QStringLiteral("{P}"));
    EXPECT_EQ(gIniFilename, data + Native("/nautiva.ini"));
    EXPECT_EQ(gLogFilename, data + Native("/nautiva.txt"));
    EXPECT_EQ(gMapsDataPath, data + Native("/maps"));
    EXPECT_EQ(gAlmanakDataPath, data + Native("/almanak"));
    EXPECT_EQ(gRoutesDataPath, data + Native("/routes"));
    EXPECT_EQ(gRoutesKMLPath, data + Native("/routes/kml"));
    EXPECT_EQ(gTracksDataPath, data + Native("/tracks"));
    EXPECT_EQ(gTracksKMLPath, data + Native("/tracks/kml"));
    EXPECT_EQ(gInsertsPath, data + Native("/inserts"));
    // Beside the data directory, not in it.
    EXPECT_EQ(gDownloadsPath, Root(QStringLiteral("datadownloads")));

    for (const QString* path : {&gRoutesKMLPath, &gTracksKMLPath, &gInsertsPath, &gDownloadsPath})
        EXPECT_TRUE(IsFolder(*path)) << path->toStdString();
    EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("/routes/Texel.rte")));
    EXPECT_FALSE(QFileInfo::exists(gIniFilename));
    EXPECT_FALSE(QFileInfo::exists(gLogFilename));
}

TEST_F(EnvironmentCheckTest, DataDirectoryEndingInASeparatorGivesSingleSeparators)
{
    const QString data = Root(QStringLiteral("data")) + QDir::separator();
    MakeFolders(data, {QStringLiteral("maps/Nederland.zoom"), QStringLiteral("almanak")});
    fRegistry = {{QStringLiteral("DatabaseDir"), data}};

    EXPECT_EQ(Check(), ecOK);
    EXPECT_EQ(gProgramDataPath, data);
    EXPECT_EQ(gMapsDataPath, data + QStringLiteral("maps"));
    EXPECT_EQ(gRoutesKMLPath, data + Native("routes/kml"));
    EXPECT_EQ(gIniFilename, data + QStringLiteral("nautiva.ini"));
    EXPECT_EQ(gDownloadsPath, data + QStringLiteral("downloads"));
    EXPECT_TRUE(IsFolder(data + QStringLiteral("downloads")));
}

TEST_F(EnvironmentCheckTest, DoubledSeparatorsCollapseInDerivedPathsOnly)
{
    // Pairs do not overlap: three separators become two.
    const QString data = Root() + Native("//data///x");
    MakeFolders(data, {QStringLiteral("maps/Nederland.zoom"), QStringLiteral("almanak")});
    fRegistry = {{QStringLiteral("DatabaseDir"), data}};

    EXPECT_EQ(Check(), ecOK);
    EXPECT_EQ(gProgramDataPath, data);
    EXPECT_EQ(gMapsDataPath, Root() + Native("/data//x/maps"));
}

// The chart software's values as it writes them, of every type: in the
// current user's registry on Windows (the test's own Wine prefix), elsewhere
// in the stand-in file, under a configuration folder of the test's own.
class ChartSoftwareValues {
public:
    explicit ChartSoftwareValues(const QString& configFolder)
#ifndef Q_OS_WIN
        : fConfig("XDG_CONFIG_HOME", configFolder)
#endif
    {
#ifdef Q_OS_WIN
        Q_UNUSED(configFolder);
        const auto set = [this](const wchar_t* name, DWORD type, const void* data, DWORD size) {
            RegSetValueExW(fKey, name, 0, type, static_cast<const BYTE*>(data), size);
        };
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &fKey, nullptr);
        const auto text = [&](const wchar_t* name, DWORD type, const wchar_t* value) {
            set(name, type, value, static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
        };
        text(L"DatabaseDir", REG_EXPAND_SZ, L"%NAUTIVA_TEST_DATA%");
        const DWORD year = 0x7e5;
        set(L"CopyrightYearInfo", REG_DWORD, &year, sizeof year);
        set(L"PublisherInfo", REG_BINARY, "O\0\0\0", 4);
        text(L"VersionInfo", REG_SZ, L"7.1");
        text(L"EditionInfo", REG_EXPAND_SZ, L"Pro");
#else
        const auto expandSz = [](const QString& value) {
            const QByteArray bytes = QStringEncoder(QStringConverter::Utf16LE)(value) + QByteArray(2, '\0');
            return "hex(2):" + bytes.toHex(',');
        };
        QDir().mkpath(configFolder + QStringLiteral("/Ostrelon"));
        QFile reg(configFolder + QStringLiteral("/Ostrelon/Nautiva.reg"));
        EXPECT_TRUE(reg.open(QIODevice::WriteOnly));
        reg.write("Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva]\r\n"
                  "\"DatabaseDir\"=" + expandSz(QStringLiteral("%NAUTIVA_TEST_DATA%")) + "\r\n"
                  "\"CopyrightYearInfo\"=dword:000007e5\r\n"
                  "\"PublisherInfo\"=hex:4f,00,00,00\r\n"
                  "\"VersionInfo\"=\"7.1\"\r\n"
                  "\"EditionInfo\"=" + expandSz(QStringLiteral("Pro")) + "\r\n");
#endif
    }
    ~ChartSoftwareValues()
    {
#ifdef Q_OS_WIN
        RegCloseKey(fKey);
        RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
#endif
    }
    ChartSoftwareValues(const ChartSoftwareValues&) = delete;
    ChartSoftwareValues& operator=(const ChartSoftwareValues&) = delete;

private:
#ifdef Q_OS_WIN
    static constexpr const wchar_t* kKey = L"Software\\Ostrelon\\Nautiva";
    HKEY fKey = nullptr;
#else
    EnvironmentScope fConfig;
#endif
};

// Through the real registry reader, with the real start-up reporter.
TEST_F(EnvironmentCheckTest, RegistryIsReadAsTheChartSoftwareWroteIt)
{
    const QString data = Root(QStringLiteral("data"));
    const QString appData = Root(QStringLiteral("appdata"));
    MakeFolders(data, {QStringLiteral("maps/Nederland.zoom"), QStringLiteral("almanak")});
    MakeFolders(appData, {QStringLiteral("Ostrelon/Nautiva")});
    const EnvironmentScope dataDir("NAUTIVA_TEST_DATA", data);
    const ChartSoftwareValues values(Root(QStringLiteral("config")));

    TEnvironmentServices services = DefaultEnvironmentServices();
    EXPECT_EQ(services.readRegistry(QStringLiteral("Software\\Ostrelon\\Nautiva\\"), {QStringLiteral("DatabaseDir")}),
              (QHash<QString, QString>{{QStringLiteral("DatabaseDir"), QStringLiteral("%NAUTIVA_TEST_DATA%")}}));
    services.environmentVariable = [&](const char* name) {
        return QByteArray(name) == "APPDATA" ? appData : QString();
    };
    SetStartupReporter([this](const QByteArray& message) { fReports.append(message); });

    // Unexpanded, the text names no folder, so APPDATA's folder is taken,
    // which holds no charts.
    EXPECT_EQ(EnvironmentCheck({stCheckAll}, services), ecMissingMaps);
    SetStartupReporter(nullptr);
    EXPECT_EQ(gProgramDataPath, appData + Native("/Ostrelon/Nautiva"));
    EXPECT_EQ(Reported(), Report(kMissingMaps, gProgramDataPath + Native("/maps")));
    // Values of other types count as missing.
    EXPECT_EQ(gCopyrightYearInfo, QString());
    EXPECT_EQ(gPublisherInfo, QString());
    EXPECT_EQ(gVersionInfo, QStringLiteral("7.1"));
    EXPECT_EQ(gEditionInfo, QStringLiteral("Pro"));
}

#ifndef Q_OS_WIN
TEST_F(EnvironmentCheckTest, MissingOrDamagedStandInFileLeavesTheRegistryEmpty)
{
    const EnvironmentScope config("XDG_CONFIG_HOME", Root(QStringLiteral("config")));
    const QString file = Root(QStringLiteral("config/Ostrelon/Nautiva.reg"));
    const auto read = [] {
        return DefaultEnvironmentServices().readRegistry(QStringLiteral("Software\\Ostrelon\\Nautiva\\"),
                                                         {QStringLiteral("DatabaseDir")});
    };
    EXPECT_EQ(RegistryStandInFile(), file);
    EXPECT_TRUE(read().isEmpty());
    MakeFolders(file, {QStringLiteral(".")}); // a folder where the file should be
    EXPECT_TRUE(read().isEmpty());
}
#endif

struct StatusCase {
    const char* name;
    std::vector<const char*> made; // below the data directory; a trailing "#" makes a file
    TqxEnvironmentStatus status;
    const QString* message;
    const char* path; // in the report, below the data directory
};

void PrintTo(const StatusCase& c, std::ostream* os)
{
    *os << c.name;
}

class EnvironmentStatus : public EnvironmentCheckTest, public ::testing::WithParamInterface<StatusCase> {};

// The first missing piece ends the check: nothing after it is derived or created.
TEST_P(EnvironmentStatus, IsReportedWithItsPath)
{
    const StatusCase& c = GetParam();
    const QString data = Root(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    for (const char* made : c.made) {
        const QString path = data + u'/' + QString::fromUtf8(made);
        if (path.endsWith(u'#'))
            MakeFile(path.chopped(1));
        else
            MakeFolders(path, {QStringLiteral(".")});
    }
    fRegistry = {{QStringLiteral("DatabaseDir"), data}};

    EXPECT_EQ(Check(), c.status);
    EXPECT_EQ(Reported(), Report(*c.message, data + Native("/" + QByteArray(c.path))));
    EXPECT_EQ(gIniFilename, data + Native("/nautiva.ini"));
    EXPECT_EQ(gMapsDataPath, data + Native("/maps"));
    EXPECT_EQ(gAlmanakDataPath.isEmpty(), c.status == ecMissingMaps);
    for (const QString* path : {&gRoutesDataPath, &gRoutesKMLPath, &gTracksDataPath, &gInsertsPath, &gDownloadsPath})
        EXPECT_TRUE(path->isEmpty()) << path->toStdString();
    EXPECT_FALSE(QFileInfo::exists(data + QStringLiteral("/routes")));
    EXPECT_FALSE(QFileInfo::exists(data + QStringLiteral("downloads")));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, EnvironmentStatus,
    ::testing::Values(StatusCase{"NoCharts", {"almanak"}, ecMissingMaps, &kMissingMaps, "maps"},
                      StatusCase{"ChartsEmpty", {"maps", "almanak"}, ecMissingMaps, &kMissingMaps, "maps"},
                      StatusCase{"NoChartSet", {"maps/Belgie.zoom", "almanak"}, ecMissingMaps, &kMissingMaps, "maps"},
                      StatusCase{"ChartSetIsAFile", {"maps/Nederland.zoom#", "almanak"}, ecMissingMaps, &kMissingMaps, "maps"},
                      StatusCase{"ChartsAreAFile", {"maps#", "almanak"}, ecMissingMaps, &kMissingMaps, "maps"},
                      StatusCase{"NoAlmanak", {"maps/Nederland.zoom"}, ecMissingAlmanak, &kMissingAlmanak, "almanak"},
                      StatusCase{"AlmanakIsAFile", {"maps/Nederland.zoom", "almanak#"}, ecMissingAlmanak, &kMissingAlmanak,
                                 "almanak"}),
    [](const ::testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.name); });

TEST_F(EnvironmentCheckTest, WithoutAnyCandidateTheDataRootIsMissingAndNoPathIsShown)
{
    EXPECT_EQ(Check(), ecMissingDataRoot);
    EXPECT_EQ(Reported(), kMissingDataRoot);
    EXPECT_TRUE(gProgramDataPath.isEmpty());
    EXPECT_TRUE(gIniFilename.isEmpty());
    EXPECT_TRUE(gMapsDataPath.isEmpty());
}

// The registry value, then APPDATA, then PROGRAMDATA, whichever names a folder;
// the report names the last candidate.
TEST_F(EnvironmentCheckTest, DataDirectoryFallsBackToTheApplicationDataFolders)
{
    const QString appData = Root(QStringLiteral("appdata"));
    const QString programData = Root(QStringLiteral("programdata"));
    const QString inAppData = appData + Native("/Ostrelon/Nautiva");
    const QString inProgramData = programData + Native("/Ostrelon/Nautiva");
    fEnvironment = {{"APPDATA", appData}, {"PROGRAMDATA", programData}};
    fRegistry = {{QStringLiteral("DatabaseDir"), Root(QStringLiteral("gone"))}};

    EXPECT_EQ(Check(), ecMissingDataRoot);
    EXPECT_EQ(Reported(), Report(kMissingDataRoot, inProgramData));
    EXPECT_EQ(gProgramDataPath, inProgramData);

    MakeFolders(inProgramData, {QStringLiteral("maps/Nederland.zoom"), QStringLiteral("almanak")});
    fReports.clear();
    EXPECT_EQ(Check(), ecOK);
    EXPECT_EQ(gProgramDataPath, inProgramData);

    MakeFolders(inAppData, {QStringLiteral("maps/Nederland.zoom"), QStringLiteral("almanak")});
    EXPECT_EQ(Check(), ecOK);
    EXPECT_EQ(gProgramDataPath, inAppData);
    EXPECT_EQ(gRoutesDataPath, inAppData + Native("/routes"));
    // The downloads folder goes beside the data directory, in "Ostrelon".
    EXPECT_EQ(gDownloadsPath, appData + Native("/Ostrelon/Nautivadownloads"));
    EXPECT_TRUE(IsFolder(gDownloadsPath));
    EXPECT_TRUE(fReports.isEmpty());
}

TEST_F(EnvironmentCheckTest, OnlyAFolderOrALinkToOneCountsAsDataDirectory)
{
    const QString appData = Root(QStringLiteral("appdata"));
    fEnvironment = {{"APPDATA", appData}};
    MakeFolders(appData, {QStringLiteral("Ostrelon/Nautiva")});
    MakeFile(Root(QStringLiteral("file")));
    QStringList notFolders = {QString(), Root(QStringLiteral("file"))};
#ifndef Q_OS_WIN // where Qt's links are shell shortcuts, which the file system does not follow
    ASSERT_TRUE(QFile::link(Root(QStringLiteral("gone")), Root(QStringLiteral("dangling"))));
    ASSERT_TRUE(QFile::link(appData, Root(QStringLiteral("link"))));
    notFolders << Root(QStringLiteral("dangling"));
#endif

    for (const QString& notAFolder : notFolders) {
        fRegistry = {{QStringLiteral("DatabaseDir"), notAFolder}};
        EnvironmentCheck({}, Services());
        EXPECT_EQ(gProgramDataPath, appData + Native("/Ostrelon/Nautiva")) << notAFolder.toStdString();
    }
#ifndef Q_OS_WIN
    fRegistry = {{QStringLiteral("DatabaseDir"), Root(QStringLiteral("link"))}};
    EnvironmentCheck({}, Services());
    EXPECT_EQ(gProgramDataPath, Root(QStringLiteral("link")));
#endif
}

TEST_F(EnvironmentCheckTest, EmptyOptionSetOnlyLocatesTheDataDirectory)
{
    const QString data = Root(QStringLiteral("data"));
    MakeFolders(data, {QStringLiteral(".")});
    fRegistry = {{QStringLiteral("DatabaseDir"), data}};

    EXPECT_EQ(Check({}), ecOK);
    EXPECT_TRUE(fReports.isEmpty());
    EXPECT_EQ(gIniFilename, data + Native("/nautiva.ini"));
    EXPECT_EQ(gLogFilename, data + Native("/nautiva.txt"));
    EXPECT_TRUE(gMapsDataPath.isEmpty());
    EXPECT_TRUE(gRoutesDataPath.isEmpty());
    EXPECT_EQ(QDir(Root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("data")});
    EXPECT_EQ(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});

    fRegistry.clear();
    EXPECT_EQ(Check({}), ecMissingDataRoot);
    EXPECT_EQ(Reported(), kMissingDataRoot);
}

TEST_F(EnvironmentCheckTest, CheckFilesAloneRunsTheFolderSteps)
{
    const QString data = Root(QStringLiteral("data"));
    MakeFolders(data, {QStringLiteral("maps/Nederland.zoom")});
    fRegistry = {{QStringLiteral("DatabaseDir"), data}};

    EXPECT_EQ(Check({stCheckFiles}), ecMissingAlmanak);
    MakeFolders(data, {QStringLiteral("almanak")});
    EXPECT_EQ(Check({stCheckFiles}), ecOK);
    EXPECT_TRUE(IsFolder(gTracksKMLPath));
}

// Root ignores permissions, so a file stands where the folder should go.
TEST_F(EnvironmentCheckTest, LibraryFolderThatCannotBeCreatedIsNotReported)
{
    const QString data = Root(QStringLiteral("data"));
    MakeFolders(data, {QStringLiteral("maps/Nederland.zoom"), QStringLiteral("almanak")});
    MakeFile(data + QStringLiteral("/routes"));
    fRegistry = {{QStringLiteral("DatabaseDir"), data}};

    EXPECT_EQ(Check(), ecOK);
    EXPECT_TRUE(fReports.isEmpty());
    EXPECT_EQ(gRoutesDataPath, data + Native("/routes"));
    EXPECT_EQ(gRoutesKMLPath, data + Native("/routes/kml"));
    EXPECT_FALSE(IsFolder(gRoutesKMLPath));
    EXPECT_TRUE(IsFolder(gTracksKMLPath));
    EXPECT_TRUE(IsFolder(gInsertsPath));
}

TEST_F(EnvironmentCheckTest, SecondCheckLeavesNoPathOfTheFirstBehind)
{
    const QString data = Root(QStringLiteral("data"));
    MakeFolders(data, {QStringLiteral("maps/Nederland.zoom"), QStringLiteral("almanak")});
    fRegistry = {{QStringLiteral("DatabaseDir"), data}, {QStringLiteral("VersionInfo"), QStringLiteral("7")}};
    ASSERT_EQ(Check(), ecOK);

    fRegistry.clear();
    EXPECT_EQ(Check(), ecMissingDataRoot);
    for (const QString* global : {&gVersionInfo, &gCopyrightYearInfo, &gIniFilename, &gMapsDataPath, &gAlmanakDataPath,
                                  &gRoutesDataPath, &gRoutesKMLPath, &gTracksDataPath, &gInsertsPath, &gDownloadsPath})
        EXPECT_TRUE(global->isEmpty()) << global->toStdString();
}

// The dialog takes 8-bit text: what the code page lacks becomes "?".
TEST_F(EnvironmentCheckTest, ReportIsHandedOverAsAnsiText)
{
    const QString data = Root(QStringLiteral("Kaarten € ë Δ"));
    MakeFolders(data, {QStringLiteral("almanak")});
    fRegistry = {{QStringLiteral("DatabaseDir"), data}};

    EXPECT_EQ(Check(), ecMissingMaps);
    ASSERT_EQ(fReports.size(), 1);
    EXPECT_EQ(fReports.first(), ToAnsi(kMissingMaps) + " (" + ToAnsi(data + Native("/maps")) + ") ");
    EXPECT_TRUE(fReports.first().contains("Kaarten \x80 \xEB ?"));
}

TEST(EnvironmentReport, LibraryTextsNameTheirFolders)
{
    gRoutesDataPath = QStringLiteral("/d/routes");
    gTracksDataPath = QStringLiteral("/d/tracks");
    EXPECT_EQ(EnvironmentReport(ecMissingRoute),
              QStringLiteral("De routebibliotheek is niet gevonden. Controleer of de map waar de routes opgeslagen worden "
                             "aanwezig is en niet tegen schrijven is beveiligd. (/d/routes) "));
    EXPECT_EQ(EnvironmentReport(ecMissingTrack),
              QStringLiteral("De trackbibliotheek is niet gevonden. Controleer of de map waar de tracks opgeslagen worden "
                             "aanwezig is en niet tegen schrijven is beveiligd. (/d/tracks) "));
    EXPECT_EQ(EnvironmentReport(ecOK), QString());
}

TEST(EnvironmentStatusValues, AreFixed)
{
    EXPECT_EQ(int{ecOK}, 0);
    EXPECT_EQ(int{ecMissingDataRoot}, 1);
    EXPECT_EQ(int{ecMissingMaps}, 2);
    EXPECT_EQ(int{ecMissingAlmanak}, 5);
    EXPECT_EQ(int{ecMissingRoute}, 10);
    EXPECT_EQ(int{ecMissingTrack}, 11);
}

} // namespace
