// rte2kmz: the conversion run of the window program, from the command line.

#include "app/uConversionRun.h"
#include "geo/uGeoObjects.h"
#include "platform/DateTime.h"
#include "util/uSharedSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

const char kUsage[] = "Usage: rte2kmz [--keep-kml] [--target DIR] FILE...\n";

const char kHelp[] =
    "Converts route files (.rte) into KMZ archives, one per route with waypoints.\n"
    "\n"
    "  --target DIR  write the archives into DIR (default: the current folder)\n"
    "  --keep-kml    keep the .kml document beside each archive\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "Files whose extension is not .rte, and files that do not exist, are passed over.\n"
    "A damaged route file is converted as far as it can be read, with a warning\n"
    "on standard error that gives the waypoints kept and the waypoints claimed.\n"
    "Control characters in a status line are shown as <U+XXXX>.\n"
    "Exit status: 0 when every file was handled, 1 when an error ended the run\n"
    "(out of memory included; the route in hand leaves no file), 2 for a usage error.\n";

// All of the text's bytes, NUL included.
void Print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

class ConsoleHost : public TConversionHost {
public:
    ConsoleHost(QString targetFolder, bool keepKml) : fTargetFolder(std::move(targetFolder)), fKeepKml(keepKml) {}

    QString TargetFolder() const override { return fTargetFolder; }
    bool DeleteTempFiles() const override { return !fKeepKml; }
    void ShowStatus(const QString& text) override { Print(stdout, text + u'\n'); }
    void Warn(const QString& text) override { Print(stderr, text + u'\n'); }
    void Pause(int) override {} // nobody watches a status line go by here

private:
    QString fTargetFolder;
    bool fKeepKml;
};

struct Options {
    bool keepKml = false;
    QString target = QDir::currentPath();
    QStringList files;
};

int UsageError(const QString& problem)
{
    Print(stderr, QStringLiteral("rte2kmz: %1\n").arg(problem) + QString::fromLatin1(kUsage));
    return 2;
}

int Main(int argc, char* argv[])
{
    InitGeoFormatSettings();
    InitSharedSettings();
    LoadTimeZone();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rte2kmz"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROUTE_CONVERSIE_VERSION));

    Options options;
    const QStringList args = QCoreApplication::arguments().mid(1);
    bool onlyFiles = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (onlyFiles || !arg.startsWith(u'-') || arg == u'-') {
            options.files << QFileInfo(arg).absoluteFilePath();
        } else if (arg == u"--") {
            onlyFiles = true;
        } else if (arg == u"--help" || arg == u"-h") {
            Print(stdout, QString::fromLatin1(kUsage) + u'\n' + QString::fromLatin1(kHelp));
            return 0;
        } else if (arg == u"--version") {
            Print(stdout, QStringLiteral("rte2kmz %1\n").arg(QCoreApplication::applicationVersion()));
            return 0;
        } else if (arg == u"--keep-kml") {
            options.keepKml = true;
        } else if (arg == u"--target" || arg.startsWith(u"--target=")) {
            QString dir;
            if (arg == u"--target") {
                if (++i == args.size())
                    return UsageError(QStringLiteral("--target needs a folder"));
                dir = args.at(i);
            } else {
                dir = arg.mid(9);
            }
            if (dir.isEmpty())
                return UsageError(QStringLiteral("--target needs a folder"));
            options.target = QDir(dir).absolutePath();
        } else {
            return UsageError(QStringLiteral("unknown option %1").arg(arg));
        }
    }
    if (options.files.isEmpty())
        return UsageError(QStringLiteral("no route files given"));

    ConsoleHost host(options.target, options.keepKml);
    ConvertRoutes(options.files, host);
    return 0;
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
