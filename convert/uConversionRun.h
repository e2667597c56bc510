#pragma once

#include "convert/uRouteFiles.h"

#include <QString>

class TRoute;

// What a front end gives the conversion run besides: where to write, whether
// to keep the .kml files and to write .gpx files, where to show progress and
// how to pause. The run asks for the target folder and the check boxes anew
// for every file, so a change made during a run applies to the files that
// follow.
class TConversionHost : public TRouteFileHost {
public:
    virtual QString TargetFolder() const = 0;
    // Whether the .kml document stays beside each archive.
    virtual bool KeepKml() const = 0;
    // Whether a GPX document goes beside each archive.
    virtual bool MakeGpx() const = 0;
    // Shows a status text, one line without control characters, and lets the
    // front end handle pending events.
    virtual void ShowStatus(const QString& text) = 0;
    virtual void Pause(int milliseconds) = 0;
};

// Loads a chosen file that was not passed over into `route`. A file that is no
// route file is passed over (false); a damaged one keeps what was read, and
// the host is warned. Memory that runs out is an error naming the file.
bool LoadChosenRoute(TRoute& route, const QString& path, TRouteFileHost& host);

// Converts the route files the chosen paths stand for (TRouteFiles), in
// order, into .kmz archives in the host's target folder, each followed by
// its .gpx when the host asks for one, and returns the number exported; the
// closing status counts them against TRouteFiles::Count(). A route found
// under a named folder goes to the same folder below the target, which is
// made only when a route below it is exported. An error (Error) ends the
// run at once; the status keeps its last text. Memory that runs out is such
// an error too (TErrorKind::ekOutOfMemory, naming the file), and the file in
// hand is left as it was; a .gpx that fails so leaves its archive, which is
// whole, behind. A .kml that is not kept is never written, so a file of that
// name is never touched. From its start on, the shared record's
// decimal separator is "." for every later user.
int ConvertRoutes(const TChosenFiles& files, TConversionHost& host);

// The warning for a route file that was cut short or held a field that could
// not be read: how many waypoints were kept of how many the file claims
// (claimed is -1 when the damage came before the count).
QString DamageWarning(const QString& path, qsizetype kept, qint64 claimed);

// The warning for waypoints without a valid position, left out of the route
// file's GPX document.
QString GpxLeftOutWarning(const QString& path, int leftOut);

// What was passed over, and why, as a window lists it.
QString PassedOverWarning(const TPassedOver& passedOver);

// The warning for an archive of this run that a later route file replaces.
QString ReplacedArchiveWarning(const QString& archive, const QString& earlier, const QString& later);

// The text of the exception being handled, for a front end's catch (...):
// an Error's message, "Out of memory" for memory that ran out, "Internal
// error" for an exception none of the program's code raises.
QString CurrentErrorText();

// The error's text as it is shown: control characters as "<U+XXXX>", so
// that it stays one line, and "." appended when the last character sorts
// after ".".
QString ErrorMessageText(const QString& message);
