#pragma once

#include <QString>

class TGeoList;

// The URI of the product's own KML elements (prefix "kovaltnv"), the same in
// every document: the apps recognise their extension elements by it.
extern const QString cKMLExtensionNamespace;

// The KML 2.2 document of a route, as the current Nautiva apps import it:
// one placemark whose line string runs through the waypoints, with the
// route's name, creation time and identifier in the product's extension
// elements. Only the route's caption, creation time, GUID and the waypoints'
// positions are read; nothing of the route changes.
//
// Both set the decimal separator of SharedSettings to "." for every later user.
namespace TRouteHelper {

// The whole document, lines ended by CR LF, no line break after the last.
QString KMZKovaltPathStr(const TGeoList& route);

// "longitude,latitude" and CR LF for every waypoint; empty without waypoints.
QString KMLCoordinatesStr(const TGeoList& route);

// The creation time (local wall-clock time) as seconds since 1970-01-01 UTC.
// A time that occurs twice, or not at all, in the hour around a change of
// daylight saving time is read with the zone's standard offset.
qint64 UnixSeconds(double localDateTime);

} // namespace TRouteHelper
