#pragma once

#include <QString>

#include <vector>

// A waypoint as the archive's line should carry it.
struct TLatLon {
    double lat;
    double lon;
};

// What independent readers make of a .kmz: Python's zipfile (testzip),
// unzip -t, 7z t, bsdtar -tf and GDAL's ogrinfo, which must find one line
// through `route`. Empty when every reader is content. A reader that is not
// installed is a problem under CI=true, elsewhere a warning on stderr.
QString ArchiveProblems(const QString& kmz, const std::vector<TLatLon>& route);

// A route point as a .gpx should carry it.
struct TNamedLatLon {
    QString name;
    double lat;
    double lon;
};

// What independent readers make of a .gpx: xmllint must find it valid
// against the GPX 1.1 schema, and gpsbabel (as unicsv, to its six decimals)
// and GDAL's ogrinfo (layer route_points) must read back every point's name
// and position, in order. An empty name is not compared: gpsbabel makes one
// up. Empty when every reader is content; a missing reader as above.
QString GpxProblems(const QString& gpx, const std::vector<TNamedLatLon>& points);

// What xmllint --noout says of a document; empty when it is well-formed.
QString XmlProblems(const QString& kml);
