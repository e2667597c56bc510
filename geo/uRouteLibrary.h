#pragma once

#include "geo/uGeoObjects.h"

#include <QIODevice>
#include <QString>

#include <algorithm>
#include <vector>

// Kilometres in a nautical mile.
inline constexpr double cKilometresPerNauticalMile = 1.852;

// A point of a route, with its distances along the route in nautical miles.
// They are 0 until the route's Recalculate fills them; files do not keep them.
class TWaypoint : public TGeoPoint {
public:
    using TGeoPoint::TGeoPoint;

    double DistFromStart() const { return fDistFromStart; }
    void setDistFromStart(double value) { fDistFromStart = value; }
    double DistToFinish() const { return fDistToFinish; }
    void setDistToFinish(double value) { fDistToFinish = value; }
    double DistFromStartKM() const { return fDistFromStart * cKilometresPerNauticalMile; }
    double DistToFinishKM() const { return fDistToFinish * cKilometresPerNauticalMile; }

private:
    double fDistFromStart = 0;
    double fDistToFinish = 0;
};

// The rhumb line from one waypoint to the next. It refers to both without
// owning them and computes its bearing and length afresh on every call, so
// it follows the waypoints when they move. Const applies to the leg; its
// waypoints stay editable.
class TLeg {
public:
    TLeg(TWaypoint& ptA, TWaypoint& ptB) : fPtA(&ptA), fPtB(&ptB) {}

    TWaypoint& PtA() const { return *fPtA; }
    TWaypoint& PtB() const { return *fPtB; }

    // Degrees clockwise from true north, 0 <= bearing < 360.
    double CalcBearing() const;
    // Nautical miles.
    double CalcDistance() const;
    // Clears both waypoints; the leg keeps joining them.
    void Clear() const;

private:
    TWaypoint* fPtA;
    TWaypoint* fPtB;
};

// True for an existing file of kind "ROUTE" (after the cut to 5 characters)
// and a known format version; the writing class does not matter. A file that
// exists but cannot be opened raises "Cannot open file "%s". %s".
bool IsValidRoute(const QString& aFilename);
// The same test on a head already read.
bool IsRouteHead(const TFileHead& head);

// The default file name and caption of a route created at `created`, with
// the day and month names of `settings`.
QString RouteDefaultFilename(const QString& aDirectory, TDateTime created, const TFormatSettings& settings);
QString RouteDefaultCaption(TDateTime created, const TFormatSettings& settings);

// A layer of waypoints in route order, with a leg between every two
// neighbours: leg i joins waypoint i and i + 1. The legs are not stored but
// follow from the waypoints, whichever way they were added or removed (the
// route's own operations or the layer's); RecreateLegs is kept for callers
// written for stored legs and only lets go of the legs handed out.
//
// The legs handed out live in the route, made when GetLeg first asks after a
// change; a leg pointer from GetLeg holds only until the next change to the
// waypoints.
class TRoute : public TGeoList {
public:
    // An empty route with a file name in `aDirectory` and a caption made
    // from its creation time.
    explicit TRoute(const QString& aDirectory);
    ~TRoute() override;

    // Appends a waypoint captioned "Waypoint n" (n the new count) and marks
    // the route changed; the other forms then set its position and caption.
    TWaypoint* Add();
    TWaypoint* Add(double lat, double lon);
    TWaypoint* Add(double lat, double lon, const QString& aCaption);
    // Inserts a waypoint before `beforeWpt`, captioned "Ingevoegd waypoint n"
    // (n the new count), without marking the route changed; appends with Add
    // when `beforeWpt` is none. "Argument out of range" when `beforeWpt` is a
    // waypoint of another route.
    TWaypoint* InsertWaypoint(double lat, double lon, const TWaypoint* beforeWpt);
    // "Argument out of range" outside 0..Count-1.
    void DeleteWaypoint(int i);
    // Deletes `aWpt` and returns the index of the waypoint before it, or 0
    // when it was the first; from a route of one it gives 0, of two 1. -1
    // and nothing deleted when `aWpt` is none or not of this route.
    int RemoveWaypoint(const TWaypoint* aWpt);

    TWaypoint* Waypoint(int index) const; // none outside 0..Count-1
    // The first waypoint whose squared distance in degrees (longitude not
    // scaled) lies below FindPrecision.
    TWaypoint* FindWaypoint(double lat, double lon) const;
    // The first waypoint whose caption or text holds `value`, case-sensitive.
    TWaypoint* FindWaypoint(const QString& value) const;
    double FindPrecision() const { return fFindPrecision; }
    void setFindPrecision(double value) { fFindPrecision = value; }

    // The cursor: an index, -1 for none. Stepping past either end gives none
    // and sets it to -1; stepping on from -1 starts again at the first.
    // Changes to the waypoints leave the index as it is.
    TWaypoint* FirstWaypoint();
    TWaypoint* NextWaypoint();
    TWaypoint* PreviousWaypoint();
    TWaypoint* GetCurrentWaypoint() const;
    // -1 when `value` is none or not of this route.
    void SetCurrentWaypoint(const TWaypoint* value);

    void RecreateLegs();
    const TLeg* GetLeg(int index) const; // none outside 0..LegCount-1
    int GetLegCount() const { return std::max(Count() - 1, 0); }

    // The length of the route in nautical miles.
    double GetDistance() const;
    // Stores in every waypoint its distances from the start and to the finish.
    void Recalculate();
    // Mirrors the point data along the route. The waypoint objects, and with
    // them the legs, the marks Encrypt, Selected and Moved and the distances,
    // stay in their places.
    void ReverseRoute();

    // Writes every waypoint, whatever the selection.
    void SavePOIs(QIODevice& stream, quint16 version, bool selection) const override;

protected:
    bool IsValidHead(const TFileHead& head) const override;

private:
    bool Owns(const TWaypoint* waypoint) const { return waypoint != nullptr && waypoint->Layer() == this; }
    // The length of leg i, computed as the leg computes it.
    double LegDistance(int index) const;

    int fCurrWaypoint = -1;
    double fFindPrecision = 1e-7;
    // The legs handed out, and the items version they were made for.
    mutable std::vector<TLeg> fLegs;
    mutable quint64 fLegsVersion = 0;
};
