#pragma once

#include "platform/FormatSettings.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <string>

// Bytes from a text of hexadecimal pairs, blanks allowed: "05 4C 2D".
QByteArray Hex(const char* pairs);

// The text of the Error the action raises, or "(no error)".
QString ErrorOf(const std::function<void()>& action);

// The bytes a write action puts on a stream.
QByteArray Written(const std::function<void(QIODevice&)>& write);

// A device that takes bytes up to a fixed size, as a disk that fills up,
// and fails every write from then on.
class FullDevice : public QBuffer {
public:
    explicit FullDevice(qint64 capacity);

protected:
    qint64 writeData(const char* data, qint64 size) override;

private:
    qint64 fCapacity;
};

// A file's bytes (empty when it cannot be read), and a file made of bytes.
QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);

// A temporary folder of a test's own, gone with the test.
class TempFolder {
public:
    // A name in the folder; a path stays as it is.
    QString Path(const QString& name) const { return QDir(fDir.path()).filePath(name); }
    // Writes a file and gives its path.
    QString WriteFile(const QString& name, const QByteArray& bytes) const;

protected:
    QTemporaryDir fDir;
};

// The system's own words for the failures the tests make, as messages carry
// them: a folder on the way that is missing, a file where a folder should be
// on the way, a folder where the file should be, and, for a file opened to
// be read, one that is missing or a folder.
namespace SystemText {
QString MissingFolder();
QString FileInTheWay();
QString FolderInTheWay();
QString MissingFile();
QString FolderOpenedForReading();
} // namespace SystemText

// Every entry of a folder, hidden ones too, by name.
QStringList FolderEntries(const QString& folder);

// Sets an environment variable for a scope and restores the old value.
class EnvironmentScope {
public:
    EnvironmentScope(const char* name, const QString& value);
    ~EnvironmentScope();
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;

private:
    const char* fName;
    QByteArray fOld;
    bool fHadOld;
};

// Runs a scope in another local time zone and restores the old one.
// On Windows a process cannot change the system's zone, which the program
// reads: the scope then only tells whether that zone has the rules asked for
// (Europe/Amsterdam, the zone the Windows tests run in).
class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* zone);
    ~TimeZoneScope();
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

    bool Applies() const { return fApplies; }

private:
    std::optional<EnvironmentScope> fZone;
    bool fApplies = true;
};

// Skips the rest of a test whose time zone cannot be had here.
#define SKIP_UNLESS_ZONE(scope)                                                                                        \
    if (!(scope).Applies())                                                                                            \
    GTEST_SKIP() << "the system's time zone is another than the test needs"

// Runs a scope with other process-wide regional settings and restores the old ones.
class DefaultFormatSettingsScope {
public:
    explicit DefaultFormatSettingsScope(TFormatSettings settings);
    ~DefaultFormatSettingsScope();
    DefaultFormatSettingsScope(const DefaultFormatSettingsScope&) = delete;
    DefaultFormatSettingsScope& operator=(const DefaultFormatSettingsScope&) = delete;

private:
    TFormatSettings fOld;
};

// Lets gtest print Qt texts in failure messages.
void PrintTo(const QString& text, std::ostream* os);
void PrintTo(const QByteArray& bytes, std::ostream* os);
