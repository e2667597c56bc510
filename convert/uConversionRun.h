#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Why a chosen file was passed over by the run.
enum class TPassOver {
    poMissing,        // it does not exist
    poOtherExtension, // its extension is not ".rte"
    poNotAFile,       // it is a folder or another kind of entry, not a regular file
    poNoRoute,        // it is no route file of a known version
    poInvalidName,    // its name is no text in the system's encoding
};

// A file the user named, by the path as given, which is opened as it stands
// and never cleaned as text. A name whose bytes are no text in the system's
// encoding cannot be opened by any text: it is passed over, shown as well as
// it can be.
struct TChosenFile {
    QString path;
    bool nameValid = true;
};
using TChosenFiles = QList<TChosenFile>;

// Paths the system gave as text (a file dialog's, a drop's), all valid names.
TChosenFiles ChosenFiles(const QStringList& paths);

class TRoute;

// Where a run over chosen route files tells of the files it passes over and
// of its warnings.
class TRouteFileHost {
public:
    virtual ~TRouteFileHost() = default;
    // Tells of a damaged route file whose readable part was taken, of
    // waypoints left out of a GPX document, or of an archive of this run
    // that a later file replaces.
    virtual void Warn(const QString& text) = 0;
    // Tells of a chosen file that was passed over for a reason of its own; an
    // empty route is no such file.
    virtual void PassedOver(const QString& path, TPassOver reason) = 0;
};

// What a front end gives the conversion run besides: where to write, whether
// to keep the .kml files and to write .gpx files, where to show progress and
// how to pause. The run asks for the target folder and the check boxes anew
// for every file, so a change made during a run applies to the files that
// follow.
class TConversionHost : public TRouteFileHost {
public:
    virtual QString TargetFolder() const = 0;
    virtual bool DeleteTempFiles() const = 0;
    // Whether a GPX document goes beside each archive.
    virtual bool MakeGpx() const = 0;
    // Shows a status text, one line without control characters, and lets the
    // front end handle pending events.
    virtual void ShowStatus(const QString& text) = 0;
    virtual void Pause(int milliseconds) = 0;
};

// Why a chosen file is passed over before it is loaded; none when it is not.
std::optional<TPassOver> PassOverReason(const TChosenFile& file);

// Loads a chosen file that was not passed over into `route`. A file that is no
// route file is passed over (false); a damaged one keeps what was read, and
// the host is warned. Memory that runs out is an error naming the file.
bool LoadChosenRoute(TRoute& route, const QString& path, TRouteFileHost& host);

// Converts the chosen .rte files, in order, into .kmz archives in the host's
// target folder, each followed by its .gpx when the host asks for one, and
// returns the number exported. An error (Error) ends the run
// at once; the status keeps its last text. Memory that runs out is such an
// error too (TErrorKind::ekOutOfMemory, naming the file), and the file in
// hand is left as it was; a .gpx that fails so leaves its archive, which is
// whole, behind. A .kml that is not kept never takes a name, so
// a file of that name is never touched. From its start on, the shared
// record's decimal separator is "." for every later user.
int ConvertRoutes(const TChosenFiles& files, TConversionHost& host);

// The warning for a route file that was cut short or held a field that could
// not be read: how many waypoints were kept of how many the file claims
// (claimed is -1 when the damage came before the count).
QString DamageWarning(const QString& path, qsizetype kept, qint64 claimed);

// The warning for waypoints without a valid position, left out of the route
// file's GPX document.
QString GpxLeftOutWarning(const QString& path, int leftOut);

// The warning for an archive of this run that a later route file replaces.
QString ReplacedArchiveWarning(const QString& archive, const QString& earlier, const QString& later);

// The text of the exception being handled, for a front end's catch (...):
// an Error's message, "Out of memory" for memory that ran out.
QString CurrentErrorText();

// The error's text as it is shown: control characters as "<U+XXXX>", so
// that it stays one line, and "." appended when the last character sorts
// after ".".
QString ErrorMessageText(const QString& message);
