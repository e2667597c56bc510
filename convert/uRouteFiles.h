#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Why a chosen path, or an entry found under a chosen folder, did not become
// a route to export.
enum class TPassOver {
    poMissing,          // it does not exist (a link to nothing found in a folder too)
    poOtherExtension,   // a named file whose extension is not ".rte"
    poNotAFile,         // it is a device, a pipe or another kind of entry, not a regular file
    poNoRoute,          // it is no route file of a known version
    poInvalidName,      // its name is no text in the system's encoding
    poUnreadableFolder, // a folder that cannot be listed
    poEmptyFolder,      // a named folder under which no route file was found
    poEmptyRoute,       // a route file without waypoints
};

struct TPassedOver {
    QString path;
    TPassOver reason;
    QString systemReason; // why a folder cannot be read, as the system words it
};

// A path the user named, as given, which is opened as it stands and never
// cleaned as text. A name whose bytes are no text in the system's encoding
// cannot be opened by any text: it is passed over, shown as well as it can.
struct TChosenFile {
    QString path;
    bool nameValid = true;
};
using TChosenFiles = QList<TChosenFile>;

// Paths Qt gave as text (a file dialog's, a drop's), all valid names, in the
// form the system shows.
TChosenFiles ChosenFiles(const QStringList& paths);

// Where a run over chosen paths tells of what it passes over and of its
// warnings.
class TRouteFileHost {
public:
    virtual ~TRouteFileHost() = default;
    // Tells of a damaged route file whose readable part was taken, of
    // waypoints left out of a GPX document, or of an archive of this run
    // that a later file replaces.
    virtual void Warn(const QString& text) = 0;
    virtual void PassedOver(const TPassedOver& passedOver) = 0;
};

// A route file to load, and the folder below the target its outputs go to:
// the folder it was found in, relative to the folder that was named; empty
// for a file named itself.
struct TRouteFile {
    QString path;
    QString targetSubFolder;
};

// The route files that chosen paths stand for, in order. A file stands for
// itself; a folder for every entry under it whose extension is ".rte" in any
// letter case, at any depth, in the order of their paths relative to it,
// compared component by component in code point order. Links to folders
// found under it are not entered, so a loop is harmless; a named link to a
// folder is. Other files found are no part of the run. Whatever is passed
// over is told to the host as the walk reaches it.
class TRouteFiles {
public:
    TRouteFiles(const TChosenFiles& chosen, TRouteFileHost& host);
    ~TRouteFiles();
    TRouteFiles(const TRouteFiles&) = delete;
    TRouteFiles& operator=(const TRouteFiles&) = delete;

    // The next route file to load; none at the end.
    std::optional<TRouteFile> Next();
    // The named files and the route files found so far, passed over or not.
    int Count() const { return fCount; }

private:
    struct TPending;

    void PassOver(const QString& path, TPassOver reason, const QString& systemReason = {});
    std::optional<TRouteFile> TakeNamed(const TChosenFile& file);
    std::optional<TRouteFile> TakeFound(const TPending& entry);
    void Enter(const QString& folder, const QString& subFolder, bool named);

    TRouteFileHost& fHost;
    std::vector<TPending> fPending; // next on top
    int fCount = 0;
    int fFound = 0;
};
