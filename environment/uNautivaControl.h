#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>

// The start-up check of the chart software's installation: where its data
// directory is, the paths of the standard sub-folders, and a report to the
// user when the data directory, the chart set or the almanac is missing.

enum TqxStartupOption { stCheckAll = 0, stCheckFiles = 1 };

class TqxStartupOptions {
public:
    constexpr TqxStartupOptions() = default;
    constexpr TqxStartupOptions(std::initializer_list<TqxStartupOption> options)
    {
        for (const TqxStartupOption option : options)
            fBits |= Bit(option);
    }
    constexpr bool Contains(TqxStartupOption option) const { return (fBits & Bit(option)) != 0; }

private:
    static constexpr unsigned Bit(TqxStartupOption option) { return 1u << static_cast<unsigned>(option); }
    unsigned fBits = 0;
};

enum TqxEnvironmentStatus {
    ecOK = 0,
    ecMissingDataRoot = 1,
    ecMissingMaps = 2,
    ecMissingAlmanak = 5,
    ecMissingRoute = 10,
    ecMissingTrack = 11,
};

// Filled by EnvironmentCheck. A path whose step did not run is empty.
extern QString gProgramDataPath; // the data directory exactly as found
extern QString gCopyrightYearInfo; // "2021" until the check has read the registry
extern QString gPublisherInfo;
extern QString gVersionInfo;
extern QString gEditionInfo;
extern QString gUpdateInfo;
extern QString gUpgradeGUID;
extern QString gProductGUID;
extern QString gIniFilename;
extern QString gLogFilename;
extern QString gMapsDataPath;
extern QString gAlmanakDataPath;
extern QString gRoutesDataPath;
extern QString gRoutesKMLPath;
extern QString gTracksDataPath;
extern QString gTracksKMLPath;
extern QString gInsertsPath;
extern QString gDownloadsPath;

// What the check takes from the host. Tests replace any of them.
struct TEnvironmentServices {
    // The named text values of a key below the current user's hive; missing ones left out.
    std::function<QHash<QString, QString>(const QString& keyPath, const QStringList& names)> readRegistry;
    std::function<QString(const char* name)> environmentVariable;
    // Shows the report, 8-bit text in the ANSI code page, and returns once the user has dismissed it.
    std::function<void(const QByteArray& message)> report;
};

// The platform's registry and environment, and the start-up reporter.
TEnvironmentServices DefaultEnvironmentServices();

// The reporter of the default services. Until the program start installs
// its dialog, and after an empty reporter, reports go to the warning log.
void SetStartupReporter(std::function<void(const QByteArray& message)> reporter);

TqxEnvironmentStatus EnvironmentCheck(TqxStartupOptions options);
TqxEnvironmentStatus EnvironmentCheck(TqxStartupOptions options, const TEnvironmentServices& services);

// Whether the charts folder aDir holds the chart set.
bool MapsInDir(const QString& aDir);

// What the user is told about a status: the message and " (" + path + ") ".
// Empty for ecOK.
QString EnvironmentReport(TqxEnvironmentStatus status);
