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

// What xmllint --noout says of a document; empty when it is well-formed.
QString XmlProblems(const QString& kml);
