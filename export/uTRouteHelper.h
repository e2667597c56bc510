#pragma once

#include "util/uCrLfWriter.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <optional>
#include <span>
#include <vector>

class TGeoList;
class TGeoPoint;

// The URI of the product's own KML elements (prefix "kovaltnv"), the same in
// every document: the apps recognise their extension elements by it.
extern const QString cKMLExtensionNamespace;

// The KML 2.2 document of a route, as the current Nautiva apps import it:
// one placemark whose line string runs through the waypoints, with the
// route's name, creation time and identifier in the product's extension
// elements. Only the route's caption, creation time, GUID and the waypoints'
// positions are read; nothing of the route changes. Numbers have "." as
// decimal separator whatever the format records hold.
namespace TRouteHelper {

// The whole document, lines ended by CR LF, no line break after the last.
QString KMZKovaltPathStr(const TGeoList& route);

// The document as the conversion stores it, streamed onto `device`: UTF-8
// without byte-order mark, every line ended by CR LF, the last one included.
// The bytes are those of KMZKovaltPathStr's text saved with
// SaveTextFileUtf8Crlf, but the text is never whole in memory. A device that
// takes no more raises its error (WriteFully).
void WriteKMZKovaltPath(const TGeoList& route, QIODevice& device);

// WriteKMZKovaltPath in steps, for a route that is still loading: Begin
// writes all that comes before the coordinates, once the route's own fields
// are read; Point the line of each waypoint as it comes; End the rest.
struct TDocumentPiece;

class TKmlPathWriter {
public:
    explicit TKmlPathWriter(QIODevice& device);
    ~TKmlPathWriter();
    TKmlPathWriter(const TKmlPathWriter&) = delete;
    TKmlPathWriter& operator=(const TKmlPathWriter&) = delete;

    void Begin(const TGeoList& route);
    void Point(const TGeoPoint& point);
    void End();

private:
    void WritePieces(std::span<const TDocumentPiece> pieces);

    TCrLfWriter fWriter;
    QString fName;                     // the route's, escaped as it is written
    std::vector<TDocumentPiece> fTail; // what follows the coordinates
};

// "longitude,latitude" and CR LF for every waypoint; empty without waypoints.
QString KMLCoordinatesStr(const TGeoList& route);

// The creation time (local wall-clock time) as seconds since 1970-01-01 UTC.
// A time that occurs twice, or not at all, in the hour around a change of
// daylight saving time is read with the zone's standard offset. None for a
// damaged time stamp, which names no instant.
std::optional<qint64> UtcSeconds(double localDateTime);

// UtcSeconds, 0 for a damaged time stamp.
qint64 UnixSeconds(double localDateTime);

} // namespace TRouteHelper
