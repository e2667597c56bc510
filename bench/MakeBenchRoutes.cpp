// Writes the routes that the conversion benchmark converts, with the
// project's own layer writer: waypoints along the Dutch coast from Vlissingen
// to Delfzijl, captioned, some with a note, every seventh one scrambled.
//
//   bench_make_routes ROUTE.rte WAYPOINTS [ROUTE.gpx]
//       one route; with a third argument also as a GPX route for other tools
//   bench_make_routes --many FOLDER FILES WAYPOINTS
//       FILES routes r00000.rte, r00001.rte, ... in FOLDER
//   bench_make_routes --long-caption ROUTE.rte CHARACTERS
//       a route of three waypoints whose caption is CHARACTERS times "&",
//       each of which XML escapes to five

#include "geo/uRouteLibrary.h"
#include "platform/DateTime.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <array>
#include <cmath>
#include <cstdio>

namespace {

struct Position {
    double lat;
    double lon;
};

// Harbours and headlands the route passes, south-west to north-east.
constexpr std::array<Position, 15> kCoast = {{{51.4420, 3.5730}, {51.5300, 3.4300}, {51.6200, 3.6800},
                                              {51.8300, 4.0300}, {51.9800, 4.1100}, {52.1000, 4.2600},
                                              {52.4600, 4.5500}, {52.9600, 4.7300}, {53.1800, 4.8500},
                                              {53.3000, 5.0500}, {53.4300, 5.4000}, {53.4700, 5.8000},
                                              {53.5000, 6.2000}, {53.4600, 6.8300}, {53.3300, 6.9300}}};

// Eight decimals (about a millimetre), so that a waypoint takes about 24
// bytes of KML, as in the routes the targets were set with.
double Rounded(double degrees) { return std::round(degrees * 1e8) / 1e8; }

// The i-th of `count` positions spread along the coast, weaving a little
// around the straight line between two marks.
Position CoastPosition(int i, int count)
{
    const double along = count > 1 ? double(i) / (count - 1) * (kCoast.size() - 1) : 0;
    const auto leg = std::min<std::size_t>(static_cast<std::size_t>(along), kCoast.size() - 2);
    const double f = along - double(leg);
    const Position& a = kCoast[leg];
    const Position& b = kCoast[leg + 1];
    const double weave = 0.004 * std::sin(i * 0.37);
    return {Rounded(a.lat + (b.lat - a.lat) * f + weave), Rounded(a.lon + (b.lon - a.lon) * f - weave)};
}

void FillRoute(TRoute& route, int count, const QString& caption)
{
    route.setCaption(caption);
    route.setDateCreated(EncodeDateTime(QDate(2023, 6, 1), QTime(10, 0)));
    for (int i = 0; i < count; ++i) {
        const Position p = CoastPosition(i, count);
        const QString name =
            i % 50 == 0 ? QStringLiteral("Boei KN-%1").arg(i / 50) : QStringLiteral("Waypoint %1").arg(i + 1);
        TWaypoint* const waypoint = route.Add(p.lat, p.lon, name);
        if (i % 25 == 0)
            waypoint->setText("Let op: ondiep bij laagwater");
        waypoint->setEncrypt(i % 7 == 0);
    }
}

bool SaveGpx(const TRoute& route, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("gpx"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("bench_make_routes"));
    xml.writeStartElement(QStringLiteral("rte"));
    xml.writeTextElement(QStringLiteral("name"), route.Caption());
    for (int i = 0; i < route.Count(); ++i) {
        const TWaypoint* waypoint = route.Waypoint(i);
        xml.writeStartElement(QStringLiteral("rtept"));
        xml.writeAttribute(QStringLiteral("lat"), QString::number(waypoint->Latitude(), 'g', 15));
        xml.writeAttribute(QStringLiteral("lon"), QString::number(waypoint->Longitude(), 'g', 15));
        xml.writeTextElement(QStringLiteral("name"), waypoint->Caption());
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return !xml.hasError() && file.commit();
}

int Fail(const QString& what)
{
    std::fprintf(stderr, "bench_make_routes: cannot write %s\n", qUtf8Printable(what));
    return 1;
}

int Usage()
{
    std::fputs("Usage: bench_make_routes ROUTE.rte WAYPOINTS [ROUTE.gpx]\n"
               "       bench_make_routes --many FOLDER FILES WAYPOINTS\n"
               "       bench_make_routes --long-caption ROUTE.rte CHARACTERS\n",
               stderr);
    return 2;
}

int MakeOne(const QString& path, int count, const QString& gpxPath)
{
    TRoute route(QString{});
    FillRoute(route, count, QStringLiteral("Kustroute Vlissingen – Delfzijl"));
    if (!route.SaveToFile(path, false))
        return Fail(path);
    if (!gpxPath.isEmpty() && !SaveGpx(route, gpxPath))
        return Fail(gpxPath);
    return 0;
}

int MakeMany(const QString& folder, int files, int count)
{
    if (!QDir().mkpath(folder))
        return Fail(folder);
    for (int f = 0; f < files; ++f) {
        const QString name = QStringLiteral("r%1.rte").arg(f, 5, 10, QLatin1Char('0'));
        TRoute route(QString{});
        FillRoute(route, count, QStringLiteral("Dagtocht %1").arg(f + 1));
        if (!route.SaveToFile(QDir(folder).filePath(name), false))
            return Fail(name);
    }
    return 0;
}

int MakeLongCaption(const QString& path, int characters)
{
    TRoute route(QString{});
    FillRoute(route, 3, QString(characters, u'&'));
    return route.SaveToFile(path, false) ? 0 : Fail(path);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    bool ok1 = false;
    bool ok2 = false;
    if (args.size() == 4 && args.at(0) == u"--many") {
        const int files = args.at(2).toInt(&ok1);
        const int count = args.at(3).toInt(&ok2);
        return ok1 && ok2 && files >= 0 && count >= 0 ? MakeMany(args.at(1), files, count) : Usage();
    }
    if (args.size() == 3 && args.at(0) == u"--long-caption") {
        const int characters = args.at(2).toInt(&ok1);
        return ok1 && characters >= 0 ? MakeLongCaption(args.at(1), characters) : Usage();
    }
    if (args.size() == 2 || args.size() == 3) {
        const int count = args.at(1).toInt(&ok1);
        return ok1 && count >= 0 ? MakeOne(args.at(0), count, args.value(2)) : Usage();
    }
    return Usage();
}
