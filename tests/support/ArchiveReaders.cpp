#include "support/ArchiveReaders.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <utility>

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

// Runs a reader and adds what is wrong: its output when it fails, else what
// `judge` finds in its output.
template <typename Judge>
void Check(QStringList& problems, const QString& tool, const QStringList& args, const Judge& judge)
{
    const Run run = RunTool(tool, args);
    if (!run.ran && run.output.isEmpty())
        return Missing(tool, problems);
    const QString problem = run.ran && run.exitCode == 0 ? judge(run.output) : run.output;
    if (!problem.isEmpty())
        problems << tool + QStringLiteral(": ") + problem;
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

// The fields of CSV records: quoted fields may hold commas, line breaks and
// doubled quotes.
QList<QStringList> CsvRecords(const QString& text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"')
                field += text.at(++i);
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record << std::exchange(field, {});
        } else if (c == u'\n') {
            record << std::exchange(field, {});
            records << std::exchange(record, {});
        } else if (c != u'\r') {
            field += c;
        }
    }
    return records;
}

bool ReadsNear(const QString& number, double expected, double tolerance)
{
    bool ok = false;
    return std::abs(number.toDouble(&ok) - expected) <= tolerance && ok;
}

QString PointText(const TNamedLatLon& point)
{
    return QStringLiteral("%1 (%2, %3)").arg(point.name).arg(point.lat, 0, 'g', 17).arg(point.lon, 0, 'g', 17);
}

// gpsbabel's unicsv: a header, then "No,Latitude,Longitude,Name,..." with
// six decimals.
QString UnicsvProblems(const QString& listing, const std::vector<TNamedLatLon>& points)
{
    const QList<QStringList> records = CsvRecords(listing);
    if (records.isEmpty() || records.front().mid(1, 3) != QStringList{QStringLiteral("Latitude"), QStringLiteral("Longitude"), QStringLiteral("Name")})
        return QStringLiteral("unexpected listing:\n") + listing;
    if (records.size() - 1 != static_cast<qsizetype>(points.size()))
        return QStringLiteral("reads %1 points, not %2:\n").arg(records.size() - 1).arg(points.size()) + listing;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const QStringList& record = records.at(static_cast<qsizetype>(i) + 1);
        const TNamedLatLon& p = points[i];
        // Six decimals read back within half the last one.
        constexpr double kSixDecimals = 5.000001e-7;
        if (record.size() < 4 || !ReadsNear(record.at(1), p.lat, kSixDecimals)
            || !ReadsNear(record.at(2), p.lon, kSixDecimals)
            || (!p.name.isEmpty() && record.at(3) != p.name))
            return QStringLiteral("reads %1 for %2").arg(record.join(u','), PointText(p));
    }
    return {};
}

// ogrinfo's features of the layer route_points, each with its name field
// (none when empty) and its POINT (lon lat).
QString RoutePointsProblems(const QString& listing, const std::vector<TNamedLatLon>& points)
{
    static const QRegularExpression feature(QStringLiteral(R"(OGRFeature\(route_points\):\d+\n)"));
    static const QRegularExpression name(QStringLiteral(R"(^  name \(String\) = (.*)$)"),
                                         QRegularExpression::MultilineOption);
    static const QRegularExpression point(QStringLiteral(R"(POINT \((\S+) (\S+)\))"));
    QStringList features = listing.split(feature);
    features.removeFirst(); // the layer's header
    if (features.size() != static_cast<qsizetype>(points.size()))
        return QStringLiteral("reads %1 points, not %2:\n").arg(features.size()).arg(points.size()) + listing;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const QString& text = features.at(static_cast<qsizetype>(i));
        const TNamedLatLon& p = points[i];
        const QRegularExpressionMatch at = point.match(text);
        if (!at.hasMatch() || !ReadsNear(at.captured(1), p.lon, 1e-9) || !ReadsNear(at.captured(2), p.lat, 1e-9)
            || name.match(text).captured(1) != p.name)
            return QStringLiteral("reads %1 for %2").arg(text.trimmed(), PointText(p));
    }
    return {};
}

} // namespace

QString GpxProblems(const QString& gpx, const std::vector<TNamedLatLon>& points)
{
    QStringList problems;
    const auto check = [&problems](const QString& tool, const QStringList& args, const auto& judge) {
        Check(problems, tool, args, judge);
    };
    check(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--schema"), QStringLiteral(GPX_SCHEMA), gpx},
          [&gpx](const QString& output) {
              return output == gpx + QStringLiteral(" validates\n") ? QString() : output;
          });
    check(QStringLiteral("gpsbabel"),
          {QStringLiteral("-r"), QStringLiteral("-i"), QStringLiteral("gpx"), QStringLiteral("-f"), gpx,
           QStringLiteral("-o"), QStringLiteral("unicsv"), QStringLiteral("-F"), QStringLiteral("-")},
          [&points](const QString& listing) { return UnicsvProblems(listing, points); });
    check(QStringLiteral("ogrinfo"), {QStringLiteral("-ro"), QStringLiteral("-q"), gpx, QStringLiteral("route_points")},
          [&points](const QString& listing) { return RoutePointsProblems(listing, points); });
    return problems.join(u'\n');
}

QString ArchiveProblems(const QString& kmz, const std::vector<TLatLon>& route)
{
    const QString entry = QFileInfo(kmz).completeBaseName() + QStringLiteral(".kml");
    QStringList problems;
    const auto check = [&problems](const QString& tool, const QStringList& args, const auto& judge) {
        Check(problems, tool, args, judge);
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
