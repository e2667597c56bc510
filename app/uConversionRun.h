#pragma once

#include <QString>
#include <QStringList>

// What a front end gives the conversion run: where to write, whether to keep
// the .kml files, where to show progress and how to pause. The run asks for
// the target folder and the check box anew for every file, so a change made
// during a run applies to the files that follow.
class TConversionHost {
public:
    virtual ~TConversionHost() = default;
    virtual QString TargetFolder() const = 0;
    virtual bool DeleteTempFiles() const = 0;
    // Shows a status text and lets the front end handle pending events.
    virtual void ShowStatus(const QString& text) = 0;
    virtual void Pause(int milliseconds) = 0;
};

// Converts the chosen .rte files, in order, into .kmz archives in the host's
// target folder and returns the number exported. An error (Error) ends the run
// at once; the status keeps its last text.
int ConvertRoutes(const QStringList& files, TConversionHost& host);

// The error's text as the message box shows it: "." appended when the last
// character sorts after ".".
QString ErrorMessageText(const QString& message);
