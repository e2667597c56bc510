// Writes the example routes in this folder with the project's own layer
// writer: made-up routes along Dutch waterways, one with scrambled texts,
// some in older format versions and one without waypoints.
//
//   build/bin/make-examples examples

#include "geo/uRouteLibrary.h"
#include "platform/DateTime.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <vector>

namespace {

struct Waypoint {
    double lat;
    double lon;
    const char* name;
};

struct Example {
    const char* file;
    const char* caption;
    quint16 version;
    bool scrambled;
    QDateTime created;
    std::vector<Waypoint> waypoints;
};

QDateTime Local(int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi));
}

const std::vector<Example> kExamples = {
    {"Biesbosch.rte", "Rondje Biesbosch", 6, false, Local(2019, 6, 14, 9, 30),
     {{51.7612, 4.7795, "Haven Werkendam"}, {51.7483, 4.8012, "Steurgat"}, {51.7401, 4.8349, "Spieringsluis"},
      {51.7278, 4.8106, "Gat van de Kerksloot"}, {51.7335, 4.7654, "Bandijk"}, {51.7612, 4.7795, "Haven Werkendam"}}},
    {"IJsselmeer.rte", "Oversteek Enkhuizen – Stavoren", 6, false, Local(2020, 7, 2, 7, 15),
     {{52.7005, 5.2921, "Compagnieshaven"}, {52.7310, 5.3052, "Krabbersgat"}, {52.8120, 5.3310, "Ton IJM-7"},
      {52.8823, 5.3597, "Buitenhaven Stavoren"}}},
    {"Amstel.rte", "Amstel naar Ouderkerk (geheim)", 6, true, Local(2021, 4, 24, 13, 45),
     {{52.3631, 4.9047, "Magere Brug"}, {52.3502, 4.9119, "Berlagebrug"}, {52.3318, 4.9157, "Omval"},
      {52.2955, 4.9180, "Ouderkerk aan de Amstel"}}},
    {"Vecht.rte", "Vecht: Weesp – Maarssen", 0, false, Local(2009, 8, 8, 10, 0),
     {{52.3079, 5.0431, "Weesp"}, {52.2807, 5.0448, "Nigtevecht"}, {52.2366, 5.0337, "Vreeland"},
      {52.1984, 5.0300, "Loenen"}, {52.1371, 5.0412, "Maarssen"}}},
    {"Waddenzee.rte", "Harlingen – Terschelling", 3, false, Local(2014, 5, 31, 6, 0),
     {{53.1751, 5.4109, "Harlingen"}, {53.2480, 5.3280, "Blauwe Slenk"}, {53.3297, 5.2040, "Vliestroom"},
      {53.3601, 5.2210, "West-Terschelling"}}},
    {"Leeg.rte", "Nog te plannen", 6, false, Local(2022, 12, 9, 20, 0), {}},
};

bool Write(const QString& folder, const Example& example)
{
    TRoute route(folder);
    route.setCaption(QString::fromUtf8(example.caption));
    route.setDateCreated(DateTimeFromQDateTime(example.created));
    for (const Waypoint& p : example.waypoints)
        route.Add(p.lat, p.lon, QString::fromUtf8(p.name))->setEncrypt(example.scrambled);
    return route.SaveToFile(QDir(folder).filePath(QLatin1String(example.file)), example.version, false);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fputs("Usage: make-examples FOLDER\n", stderr);
        return 2;
    }
    for (const Example& example : kExamples) {
        if (!Write(args.at(1), example)) {
            std::fprintf(stderr, "make-examples: cannot write %s\n", example.file);
            return 1;
        }
    }
    return 0;
}
