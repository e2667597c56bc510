#include "export/uTRouteHelper.h"

#include "export/uXmlText.h"
#include "geo/uGeoObjects.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "util/uCrLfWriter.h"

#include <QTimeZone>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

const QString cKMLExtensionNamespace = QStringLiteral("http://www.ostrelon.nl/kml/nautiva/1.0");

namespace {

const QString kTemplate = QStringList{
    QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"),
    QStringLiteral("<kml xmlns=\"http://www.opengis.net/kml/2.2\">"),
    QStringLiteral("<Document xmlns:kovaltnv=\"%1\">").arg(cKMLExtensionNamespace),
    QStringLiteral("<ExtendedData>"),
    QStringLiteral("<kovaltnv:version>Windows/3.0</kovaltnv:version>"),
    QStringLiteral("</ExtendedData>"),
    QStringLiteral("<Style id=\"style1\">"),
    QStringLiteral("<LineStyle>"),
    QStringLiteral("<width>1.5</width>"),
    QStringLiteral("<color>7fff0000</color>"),
    QStringLiteral("</LineStyle>"),
    QStringLiteral("</Style>"),
    QStringLiteral("<Placemark>"),
    QStringLiteral("<name>%pathname% (%pathdate%)</name>"),
    QStringLiteral("<ExtendedData>"),
    QStringLiteral("<kovaltnv:tCreated>%pathcreated%</kovaltnv:tCreated>"),
    QStringLiteral("<kovaltnv:tStart>%pathstart%</kovaltnv:tStart>"),
    QStringLiteral("<kovaltnv:tEnd>%pathend%</kovaltnv:tEnd>"),
    QStringLiteral("<kovaltnv:uniqueId>%pathid%</kovaltnv:uniqueId>"),
    QStringLiteral("<kovaltnv:type>route</kovaltnv:type>"),
    QStringLiteral("<kovaltnv:name>%pathname%</kovaltnv:name>"),
    QStringLiteral("</ExtendedData>"),
    QStringLiteral("<styleUrl>#style1</styleUrl>"),
    QStringLiteral("<LineString>"),
    QStringLiteral("<extrude>1</extrude>"),
    QStringLiteral("<altitudeMode>clampedToGround</altitudeMode>"),
    QStringLiteral("<coordinates>%pathcoordinates%</coordinates>"),
    QStringLiteral("</LineString>"),
    QStringLiteral("</Placemark>"),
    QStringLiteral("</Document>"),
    QStringLiteral("</kml>"),
}.join(QStringLiteral("\r\n"));

// A piece of the document: template text still open to replacement, a
// value already put in, which later placeholders must not touch, or the place
// of the route's name or of the coordinates, which may be long and so are put
// in only as the document is written out.
enum class TPieceKind { pkTemplate, pkValue, pkName, pkCoordinates };

} // namespace

struct TRouteHelper::TDocumentPiece {
    QString text;
    TPieceKind kind;
};

namespace {

using Piece = TRouteHelper::TDocumentPiece;

Piece Value(QString text) { return {std::move(text), TPieceKind::pkValue}; }

// Replaces every occurrence of `placeholder`, in any letter case, in the
// template's own text.
void Replace(std::vector<Piece>& pieces, const QString& placeholder, const Piece& with)
{
    std::vector<Piece> result;
    for (Piece& piece : pieces) {
        if (piece.kind != TPieceKind::pkTemplate) {
            result.push_back(std::move(piece));
            continue;
        }
        qsizetype from = 0;
        for (qsizetype at; (at = piece.text.indexOf(placeholder, from, Qt::CaseInsensitive)) >= 0;
             from = at + placeholder.size()) {
            result.push_back({piece.text.mid(from, at - from), TPieceKind::pkTemplate});
            result.push_back(with);
        }
        result.push_back({piece.text.mid(from), TPieceKind::pkTemplate});
    }
    pieces = std::move(result);
}

// The UTC offset, in seconds, that a local wall-clock time (given as if it
// were UTC) was read with.
int OffsetOfLocalTime(const QTimeZone& zone, qint64 wallMsecs)
{
    const auto instant = [](qint64 msecs) { return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc()); };
    constexpr qint64 kHalfDay = 12 * 3600 * 1000;
    const int before = zone.offsetFromUtc(instant(wallMsecs - kHalfDay));
    const int after = zone.offsetFromUtc(instant(wallMsecs + kHalfDay));
    const auto fits = [&](int offset) {
        return zone.offsetFromUtc(instant(wallMsecs - qint64(offset) * 1000)) == offset;
    };
    const bool beforeFits = fits(before);
    const bool afterFits = fits(after);
    if (beforeFits != afterFits)
        return beforeFits ? before : after;
    if (beforeFits && before == after)
        return before;
    // Twice (both fit) or never (neither fits): the zone's standard offset.
    return zone.standardTimeOffset(instant(wallMsecs - qint64(before) * 1000));
}

// Digits and dashes only, which no record's conventions change.
QString PathDate(double created)
{
    static const TFormatSettings kNoConventions;
    const QString date = FormatDateTime(QStringLiteral("dd-mm-yyyy"), created, kNoConventions);
    return date + QStringLiteral(" - ") + date;
}

QString PathId(const QUuid& guid)
{
    return QStringLiteral("TR") + QString::number(guid.data1) + QString::number(guid.data2);
}

// The template with every placeholder but the coordinates replaced.
std::vector<Piece> DocumentPieces(const TGeoList& route)
{
    std::vector<Piece> pieces{{kTemplate, TPieceKind::pkTemplate}};
    Replace(pieces, QStringLiteral("%pathname%"), {QString(), TPieceKind::pkName});
    Replace(pieces, QStringLiteral("%pathdate%"), Value(PathDate(route.DateCreated())));
    Replace(pieces, QStringLiteral("%pathid%"), Value(PathId(route.GUID())));
    const Piece seconds = Value(QString::number(TRouteHelper::UnixSeconds(route.DateCreated())));
    Replace(pieces, QStringLiteral("%pathcreated%"), seconds);
    Replace(pieces, QStringLiteral("%pathStart%"), seconds);
    Replace(pieces, QStringLiteral("%pathEnd%"), seconds);
    Replace(pieces, QStringLiteral("%pathcoordinates%"), {QString(), TPieceKind::pkCoordinates});
    return pieces;
}

// A waypoint's line of coordinates: "longitude,latitude" and CR LF, as
// 8-bit text.
class CoordinatesLine {
public:
    explicit CoordinatesLine(const TGeoPoint& point)
    {
        char* end = FloatToChars(fLine, point.Longitude(), '.');
        *end++ = ',';
        end = FloatToChars(end, point.Latitude(), '.');
        *end++ = '\r';
        *end++ = '\n';
        fSize = end - fLine;
    }
    QByteArrayView Bytes() const { return QByteArrayView(fLine, fSize); }

private:
    char fLine[2 * cFloatTextCapacity + 3];
    qsizetype fSize;
};

} // namespace

namespace TRouteHelper {

std::optional<qint64> UtcSeconds(double localDateTime)
{
    const QDateTime wall(DateOf(localDateTime), TimeOf(localDateTime), QTimeZone::utc());
    if (!wall.isValid())
        return std::nullopt;
    const qint64 wallMsecs = wall.toMSecsSinceEpoch();
    const qint64 utcMsecs = wallMsecs - qint64(OffsetOfLocalTime(QTimeZone::systemTimeZone(), wallMsecs)) * 1000;
    return utcMsecs / 1000; // towards zero: the whole seconds from 1970 on either side
}

qint64 UnixSeconds(double localDateTime)
{
    return UtcSeconds(localDateTime).value_or(0);
}

QString KMLCoordinatesStr(const TGeoList& route)
{
    QString text;
    for (int i = 0; i < route.Count(); ++i)
        text += QLatin1StringView(CoordinatesLine(*route.GetItem(i)).Bytes());
    return text;
}

QString KMZKovaltPathStr(const TGeoList& route)
{
    const QString name = XmlText(route.Caption());
    const QString coordinates = KMLCoordinatesStr(route);
    QString text;
    for (const Piece& piece : DocumentPieces(route)) {
        switch (piece.kind) {
        case TPieceKind::pkName:
            text += name;
            break;
        case TPieceKind::pkCoordinates:
            text += coordinates;
            break;
        default:
            text += piece.text;
        }
    }
    return text;
}

void WriteKMZKovaltPath(const TGeoList& route, QIODevice& device)
{
    TKmlPathWriter writer(device);
    writer.Begin(route);
    for (int i = 0; i < route.Count(); ++i)
        writer.Point(*route.GetItem(i));
    writer.End();
}

} // namespace TRouteHelper

TRouteHelper::TKmlPathWriter::TKmlPathWriter(QIODevice& device) : fWriter(device) {}

TRouteHelper::TKmlPathWriter::~TKmlPathWriter() = default;

void TRouteHelper::TKmlPathWriter::Begin(const TGeoList& route)
{
    fName = route.Caption();
    std::vector<Piece> pieces = DocumentPieces(route);
    const auto coordinates = std::ranges::find(pieces, TPieceKind::pkCoordinates, &Piece::kind);
    WritePieces({pieces.begin(), coordinates});
    if (coordinates != pieces.end())
        fTail.assign(std::make_move_iterator(std::next(coordinates)), std::make_move_iterator(pieces.end()));
}

void TRouteHelper::TKmlPathWriter::Point(const TGeoPoint& point) { fWriter.Write(CoordinatesLine(point).Bytes()); }

void TRouteHelper::TKmlPathWriter::End()
{
    WritePieces(fTail);
    fWriter.Finish();
}

void TRouteHelper::TKmlPathWriter::WritePieces(std::span<const Piece> pieces)
{
    for (const Piece& piece : pieces) {
        if (piece.kind == TPieceKind::pkName)
            WriteXmlText(fWriter, fName);
        else
            fWriter.Write(piece.text.toUtf8());
    }
}
