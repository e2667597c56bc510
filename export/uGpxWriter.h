#pragma once

#include <QIODevice>

class TGeoList;

// The GPX 1.1 document of a route, streamed onto `device`: UTF-8 without
// byte-order mark, every line ended by CR LF. It holds the route's caption
// and creation time (UTC; left out when the time stamp is damaged) and one
// route whose points are the waypoints in order, each with its caption and,
// when it has one, its text. A waypoint without a valid position (not finite,
// or beyond ±90 latitude or ±180 longitude) is left out; a longitude of 180
// is written as -180. Returns the number of waypoints left out. A device that
// takes no more raises its error (WriteFully).
int WriteGpx(const TGeoList& route, QIODevice& device);
