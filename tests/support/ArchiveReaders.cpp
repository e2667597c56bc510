#include "support/ArchiveReaders.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

#include <cmath>
#include <cstdio>

namespace {

struct Run {
    bool ran = false;
    int exitCode = -1;
    QString output; // stdout and stderr together
};

Run RunTool(const QString& tool, const QStringList& args)
{
    Run run;
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return run;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(tool, args);
    run.ran = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.output = QString::fromUtf8(process.readAll());
    if (!run.ran)
        run.output = tool + QStringLiteral(" did not finish: ") + run.output;
    return run;
}

// A reader that is not there fails the test in CI, where setup installs it.
void Missing(const QString& tool, QStringList& problems)
{
    const QString note = tool + QStringLiteral(": not installed (scripts/setup.sh installs it)");
    if (qEnvironmentVariable("CI") == u"true")
        problems << note;
    else
        std::fprintf(stderr, "warning: %s\n", qPrintable(note));
}

// The one line ogrinfo lists, as "lon lat" pairs.
QString LineProblems(const QString& listing, const std::vector<TLatLon>& route)
{
    static const QRegularExpression line(QStringLiteral(R"(LINESTRING\s*\(([^)]*)\))"));
    const QRegularExpressionMatch match = line.match(listing);
    if (!match.hasMatch())
        return QStringLiteral("ogrinfo finds no line:\n") + listing;
    if (line.match(listing, match.capturedEnd()).hasMatch())
        return QStringLiteral("ogrinfo finds more than one line:\n") + listing;
    const QStringList pairs = match.captured(1).split(u',');
    if (pairs.size() != static_cast<qsizetype>(route.size()))
        return QStringLiteral("ogrinfo's line has other points: ") + match.captured(0);
    for (std::size_t i = 0; i < route.size(); ++i) {
        const QStringList lonLat = pairs.at(static_cast<qsizetype>(i)).split(u' ', Qt::SkipEmptyParts);
        const auto near = [](const QString& text, double expected) {
            bool ok = false;
            return std::abs(text.toDouble(&ok) - expected) < 1e-9 && ok;
        };
        if (lonLat.size() < 2 || !near(lonLat.at(0), route[i].lon) || !near(lonLat.at(1), route[i].lat))
            return QStringLiteral("ogrinfo's line has other points: ") + match.captured(0);
    }
    return {};
}

} // namespace

QString ArchiveProblems(const QString& kmz, const std::vector<TLatLon>& route)
{
    const QString entry = QFileInfo(kmz).completeBaseName() + QStringLiteral(".kml");
    QStringList problems;
    const auto check = [&](const QString& tool, const QStringList& args, const auto& judge) {
        const Run run = RunTool(tool, args);
        if (!run.ran && run.output.isEmpty())
            return Missing(tool, problems);
        const QString problem = run.ran && run.exitCode == 0 ? judge(run.output) : run.output;
        if (!problem.isEmpty())
            problems << tool + QStringLiteral(": ") + problem;
    };
    const auto content = [](const QString&) { return QString(); };

    check(QStringLiteral("python3"),
          {QStringLiteral("-c"),
           QStringLiteral("import sys, zipfile\n"
                          "z = zipfile.ZipFile(sys.argv[1])\n"
                          "assert z.testzip() is None, z.testzip()\n"
                          "assert z.namelist() == [sys.argv[2]], z.namelist()\n"),
           kmz, entry},
          content);
    check(QStringLiteral("unzip"), {QStringLiteral("-tq"), kmz}, content);
    check(QStringLiteral("7z"), {QStringLiteral("t"), kmz}, content);
    check(QStringLiteral("bsdtar"), {QStringLiteral("-tf"), kmz}, [&entry](const QString& listing) {
        return listing == entry + u'\n' ? QString() : QStringLiteral("lists ") + listing;
    });
    check(QStringLiteral("ogrinfo"), {QStringLiteral("-ro"), QStringLiteral("-al"), QStringLiteral("-q"), kmz},
          [&route](const QString& listing) { return LineProblems(listing, route); });
    return problems.join(u'\n');
}

QString XmlProblems(const QString& kml)
{
    QStringList problems;
    const Run run = RunTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), kml});
    if (!run.ran && run.output.isEmpty())
        Missing(QStringLiteral("xmllint"), problems);
    else if (!run.ran || run.exitCode != 0 || !run.output.isEmpty())
        problems << QStringLiteral("xmllint: ") + run.output;
    return problems.join(u'\n');
}
