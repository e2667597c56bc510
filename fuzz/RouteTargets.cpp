// Route files: loading any bytes into a route keeps its legs joining its
// waypoints and raises nothing but read errors; what was read survives our
// own writer. And the whole conversion of those bytes in memory: the KML
// document is well-formed, runs through every waypoint, and its archive
// holds exactly its bytes; the GPX document is well-formed too.
#include "fuzz/FuzzTargets.h"

#include "export/uGpxWriter.h"
#include "export/uKMZWriter.h"
#include "export/uTRouteHelper.h"
#include "geo/uRouteLibrary.h"
#include "support/ZipReader.h"
#include "util/uCrLfWriter.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include <algorithm>
#include <bit>
#include <climits>
#include <utility>

namespace {

void RequireLegsJoinWaypoints(const TRoute& route)
{
    const int legs = route.GetLegCount();
    Require(legs == std::max(route.Count() - 1, 0), "a leg between every two neighbouring waypoints");
    for (int i = 0; i < route.Count(); ++i)
        Require(route.Waypoint(i) != nullptr, "every item of a route is a waypoint");
    for (int i = 0; i < legs; ++i) {
        const TLeg* leg = route.GetLeg(i);
        Require(leg != nullptr && &leg->PtA() == route.Waypoint(i) && &leg->PtB() == route.Waypoint(i + 1),
                "leg i joins waypoint i and waypoint i + 1");
    }
    for (const int outside : {INT_MIN, -1, legs, INT_MAX})
        Require(route.GetLeg(outside) == nullptr, "no leg outside 0 to LegCount - 1");
}

bool SameBits(double a, double b) { return std::bit_cast<quint64>(a) == std::bit_cast<quint64>(b); }

bool SameWaypoint(const TWaypoint& a, const TWaypoint& b)
{
    return a.Caption() == b.Caption() && a.Tags() == b.Tags() && a.Text() == b.Text()
           && SameBits(a.Latitude(), b.Latitude()) && SameBits(a.Longitude(), b.Longitude())
           && SameBits(a.DateCreated(), b.DateCreated()) && SameBits(a.DateChanged(), b.DateChanged())
           && a.Encrypt() == b.Encrypt() && a.CanDelete() == b.CanDelete() && a.CanEdit() == b.CanEdit();
}

// The document as one text, written line by line: what the streamed form
// must equal.
QByteArray WholeDocument(const TRoute& route)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TCrLfWriter writer(buffer);
    writer.Write(TRouteHelper::KMZKovaltPathStr(route).toUtf8());
    writer.Finish();
    return buffer.data();
}

// The route's name as an XML reader gives it back: characters XML cannot
// carry replaced, every line break read as LF.
QString NameAsRead(const QString& caption)
{
    QString name;
    for (const char32_t c : caption.toUcs4())
        name += c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r' ? QString(QChar::ReplacementCharacter)
                                                                    : QString::fromUcs4(&c, 1);
    return name.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

void RequireWellFormedDocument(const QByteArray& document, const TRoute& route)
{
    QXmlStreamReader reader(document);
    qsizetype tuples = -1;
    QString name;
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        if (!reader.isStartElement())
            continue;
        if (reader.name() == u"coordinates") {
            const QStringList lines = reader.readElementText().split(u'\n', Qt::SkipEmptyParts);
            Require(std::ranges::all_of(lines, [](const QString& line) { return line.count(u',') == 1; }),
                    "every coordinate tuple is longitude,latitude");
            tuples = lines.size();
        } else if (reader.namespaceUri() == cKMLExtensionNamespace && reader.name() == u"name") {
            name = reader.readElementText();
        }
    }
    Require(!reader.hasError(), "the document is well-formed XML");
    Require(tuples == route.Count(), "one coordinate tuple per waypoint");
    Require(name == NameAsRead(route.Caption()), "the route's name reads back from the document");
}

// The GPX document: well-formed, one route point per waypoint kept, the
// route's name as the first name.
void RequireWellFormedGpx(const QByteArray& document, const TRoute& route, int leftOut)
{
    QXmlStreamReader reader(document);
    int points = 0;
    QString name;
    bool named = false;
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        if (!reader.isStartElement())
            continue;
        if (reader.name() == u"rtept")
            ++points;
        else if (reader.name() == u"name" && !std::exchange(named, true))
            name = reader.readElementText();
    }
    Require(!reader.hasError(), "the GPX document is well-formed XML");
    Require(leftOut >= 0 && points == route.Count() - leftOut, "one route point per waypoint kept");
    Require(name == NameAsRead(route.Caption()), "the route's name reads back from the GPX document");
}

} // namespace

void RunRoute(QByteArrayView input)
{
    TRoute route{QString()};
    LoadAbsorbingDamage(route, input);
    RequireLegsJoinWaypoints(route);

    TRoute again{QString()};
    LoadSaved(again, Saved(route, RewriteVersion(route)));
    Require(again.Count() == route.Count(), "a saved route keeps its waypoints");
    for (int i = 0; i < route.Count(); ++i)
        Require(SameWaypoint(*again.Waypoint(i), *route.Waypoint(i)), "a saved route reads back as it was");
}

// As the conversion run does it, but in memory; the run skips a route
// without waypoints, which is rendered here all the same.
void RunRouteKmz(QByteArrayView input)
{
    TRoute route{QString()};
    LoadAbsorbingDamage(route, input);

    QBuffer kml;
    kml.open(QIODevice::WriteOnly);
    TRouteHelper::WriteKMZKovaltPath(route, kml);
    const QByteArray document = kml.data();
    Require(document == WholeDocument(route), "the streamed document is the whole text with CR LF line ends");
    RequireWellFormedDocument(document, route);

    QBuffer gpx;
    gpx.open(QIODevice::WriteOnly);
    const int leftOut = WriteGpx(route, gpx);
    RequireWellFormedGpx(gpx.data(), route, leftOut);

    const TDosDateTime stamp{0x74BD, 0x5267};
    const QString name = QStringLiteral("Haven.kml");
    QBuffer archive;
    RequireArchiveOf(Zipped(archive, document, name, stamp, 0x20), name, document, stamp, 0x20);
}

QList<QByteArray> RouteSeeds()
{
    QList<QByteArray> seeds;
    const TRoute empty{QString()};
    seeds << Saved(empty, 6) << Saved(empty, 0);

    TRoute sample{QString()};
    sample.setCaption(QStringLiteral("Haven & Sluis <\u00EB\u20AC>"));
    sample.setDateCreated(45000.25);
    sample.Add(51.5, 3.6, QStringLiteral("Boei 1"))->setCanDelete(false);
    TWaypoint* scrambled = sample.Add(51.44, 3.57, QStringLiteral("Haven"));
    scrambled->setEncrypt(true);
    scrambled->setTags("boei");
    scrambled->setText("Kade \x80 5");
    sample.Add(-33.9, 18.4, QStringLiteral("Sluis \u00E9"))->setCanEdit(false);
    for (quint16 version = 0; version <= 6; ++version)
        seeds << Saved(sample, version);
    return seeds;
}
