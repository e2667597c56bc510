// rte2kmz: the conversion run of the window program, from the command line.

#include "convert/uConversionRun.h"
#include "convert/uPassagePlanRun.h"
#include "geo/uFormatRecords.h"
#include "platform/AtomicFile.h"
#include "platform/Console.h"
#include "platform/DateTime.h"
#include "platform/Error.h"
#include "platform/FolderAccess.h"
#include "util/uVisibleText.h"

#include <QCoreApplication>

#include <cstdio>
#include <optional>

namespace {

const char kUsage[] = "Usage: rte2kmz [--keep-kml] [--gpx] [--target DIR] PATH...\n"
                       "       rte2kmz --plan PATH...\n";

const char kHelp[] =
    "Converts route files (.rte) into KMZ archives, one per route with waypoints.\n"
    "Each PATH is a route file or a folder. A folder stands for every .rte file\n"
    "under it, at any depth, in the order of their paths; each archive goes to the\n"
    "same folder below the target, made when needed. Links to folders inside are\n"
    "not entered; other files inside are left alone.\n"
    "\n"
    "  --target DIR  write the archives into DIR (default: the current folder)\n"
    "  --keep-kml    keep the .kml document beside each archive\n"
    "  --gpx         write a GPX 1.1 file NAME.gpx beside each archive NAME.kmz\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "  --plan        print each route's passage plan (positions, courses and\n"
    "                distances of its legs) instead; write no files\n"
    "\n"
    "A named file that does not exist, is not a regular file, has another\n"
    "extension than .rte, is no route file or whose name is not valid in this\n"
    "locale is passed over with a line on standard error, as are a .rte file\n"
    "found in a folder that is no route file and a folder that cannot be read.\n"
    "A damaged route file is converted as far as it can be read, with a warning\n"
    "on standard error that gives the waypoints kept and the waypoints claimed.\n"
    "A waypoint without a valid position is left out of the .gpx file, with a\n"
    "warning on standard error. Control characters in a status line are shown\n"
    "as <U+XXXX>.\n"
    "\n"
    "Exit status:\n"
    "  0  every route file was converted, or was a route without waypoints\n"
    "  1  an error ended the run: the target folder, a file that could not be\n"
    "     written, memory that ran out, output that could not be written\n"
    "  2  a usage error\n"
    "  3  the run reached its end, but files or folders were passed over\n";

constexpr int kPassedOver = 3;

// All of the text; false when the stream failed.
bool Print(std::FILE* stream, const QString& text) { return WriteText(stream, text).isEmpty(); }

// Output that is lost would let a script believe what did not happen.
void PrintOrFail(std::FILE* stream, const QString& text)
{
    if (const QString reason = WriteText(stream, text); !reason.isEmpty()) {
        throw Error(TErrorKind::ekWriteFailed, QStringLiteral("Cannot write to standard %1. %2")
                                                   .arg(stream == stdout ? u"output" : u"error", reason));
    }
}

// Empty for what is no failure: a route without waypoints, a folder without
// route files.
QString PassOverText(const TPassedOver& passedOver)
{
    switch (passedOver.reason) {
    case TPassOver::poMissing:
        return QStringLiteral("it does not exist");
    case TPassOver::poOtherExtension:
        return QStringLiteral("its extension is not .rte");
    case TPassOver::poNotAFile:
        return QStringLiteral("it is not a regular file");
    case TPassOver::poNoRoute:
        return QStringLiteral("it is no route file");
    case TPassOver::poInvalidName:
        return QStringLiteral("its name is not valid in this locale; rename it");
    case TPassOver::poUnreadableFolder:
        return QStringLiteral("it cannot be read (%1)").arg(passedOver.systemReason);
    case TPassOver::poEmptyFolder:
    case TPassOver::poEmptyRoute:
        return {};
    }
    return {};
}

class ConsoleHost : public TConversionHost {
public:
    ConsoleHost(QString targetFolder, bool keepKml, bool makeGpx)
        : fTargetFolder(std::move(targetFolder)), fKeepKml(keepKml), fMakeGpx(makeGpx)
    {
    }

    QString TargetFolder() const override { return fTargetFolder; }
    bool KeepKml() const override { return fKeepKml; }
    bool MakeGpx() const override { return fMakeGpx; }
    void ShowStatus(const QString& text) override { PrintOrFail(stdout, text + u'\n'); }
    void Warn(const QString& text) override { PrintOrFail(stderr, text + u'\n'); }
    void PassedOver(const TPassedOver& passedOver) override
    {
        const QString reason = PassOverText(passedOver);
        if (reason.isEmpty())
            return;
        PrintOrFail(stderr, QStringLiteral("rte2kmz: passed over \"%1\": %2\n")
                                .arg(VisibleText(passedOver.path), VisibleText(reason)));
        ++PassedOverCount;
    }
    void Pause(int) override {} // nobody watches a status line go by here

    int PassedOverCount = 0;

private:
    QString fTargetFolder;
    bool fKeepKml;
    bool fMakeGpx;
};

// Paths are kept as given: the system resolves them, a link or ".." included.
struct Options {
    bool keepKml = false;
    bool makeGpx = false;
    std::optional<QString> target;
    TChosenFiles files;
    bool plan = false;
};

int UsageError(const QString& problem)
{
    Print(stderr, QStringLiteral("rte2kmz: %1\n").arg(VisibleText(problem)) + QString::fromLatin1(kUsage));
    return 2;
}

int Main(int argc, char* argv[])
{
    InitFormatSettings();
    LoadTimeZone();
    CleanUpOnSignals();

    // Qt sees the program's name alone: it would take options such as
    // -qmljsdebugger out of the arguments, even after "--".
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rte2kmz"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROUTE_CONVERSIE_VERSION));

    Options options;
    const QList<TSystemName> args = ProgramArguments(argc, argv);
    bool onlyFiles = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i].text;
        if (onlyFiles || !arg.startsWith(u'-') || arg == u"-") {
            options.files.append({arg, args[i].valid});
        } else if (arg == u"--") {
            onlyFiles = true;
        } else if (arg == u"--help" || arg == u"-h") {
            return Print(stdout, QString::fromLatin1(kUsage) + u'\n' + QString::fromLatin1(kHelp)) ? 0 : 1;
        } else if (arg == u"--version") {
            return Print(stdout, QStringLiteral("rte2kmz %1\n").arg(QCoreApplication::applicationVersion())) ? 0 : 1;
        } else if (arg == u"--plan") {
            options.plan = true;
        } else if (arg == u"--keep-kml") {
            options.keepKml = true;
        } else if (arg == u"--gpx") {
            options.makeGpx = true;
        } else if (arg == u"--target" || arg.startsWith(u"--target=")) {
            TSystemName dir;
            if (arg == u"--target") {
                if (++i == args.size())
                    return UsageError(QStringLiteral("--target needs a folder"));
                dir = args[i];
            } else {
                dir = {arg.mid(9), args[i].valid};
            }
            if (dir.text.isEmpty())
                return UsageError(QStringLiteral("--target needs a folder"));
            if (!dir.valid) {
                Print(stderr, QStringLiteral("rte2kmz: the target folder \"%1\": %2\n")
                                  .arg(VisibleText(dir.text), PassOverText({dir.text, TPassOver::poInvalidName, {}})));
                return 1;
            }
            options.target = dir.text;
        } else {
            return UsageError(QStringLiteral("unknown option %1").arg(arg));
        }
    }
    if (options.files.isEmpty())
        return UsageError(QStringLiteral("no route files or folders given"));
    if (options.plan && (options.keepKml || options.makeGpx || options.target))
        return UsageError(QStringLiteral("--plan writes no files: it takes no --keep-kml, --gpx or --target"));

    const QString target = options.target.value_or(QStringLiteral("."));
    // Before any route is read: a run that cannot write ends at once.
    if (const QString problem = options.plan ? QString() : FolderWriteProblem(target); !problem.isEmpty())
        throw Error::CannotCreateFilesIn(target, problem);

    ConsoleHost host(target, options.keepKml, options.makeGpx);
    if (options.plan)
        PrintPassagePlans(options.files, host, [](const QString& text) { PrintOrFail(stdout, text); });
    else
        ConvertRoutes(options.files, host);
    return host.PassedOverCount > 0 ? kPassedOver : 0;
}

} // namespace

// Whatever ends the run ends it with its message and exit status 1.
int main(int argc, char* argv[])
{
    try {
        return Main(argc, argv);
    } catch (...) {
        try {
            Print(stderr, ErrorMessageText(CurrentErrorText()) + u'\n');
        } catch (...) {
            std::fputs("Out of memory.\n", stderr);
        }
        return 1;
    }
}
