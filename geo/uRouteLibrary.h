#pragma once

#include "geo/uGeoObjects.h"

#include <QIODevice>
#include <QString>

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

// The default file name and caption of a route created at `created`, with
// the day and month names of `settings`.
QString RouteDefaultFilename(const QString& aDirectory, TDateTime created, const TFormatSettings& settings);
QString RouteDefaultCaption(TDateTime created, const TFormatSettings& settings);

// A layer of waypoints in route order, with a leg between every two
// neighbours: after each of the route's own operations leg i joins waypoint
// i and i + 1. The layer's own ways of adding and removing points (its Add,
// Insert, Delete, RemoveSelected, DeleteByGUID) leave the legs alone: call
// RecreateLegs after them, before any leg or distance is used.
//
// Legs live in the route; a leg pointer from GetLeg holds only until the
// next change to the waypoints.
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
    int GetLegCount() const { return static_cast<int>(fLegs.size()); }

    // The length of the route in nautical miles.
    double GetDistance() const;
    // Stores in every waypoint its distances from the start and to the finish.
    void Recalculate();
    // Mirrors the point data along the route. The waypoint objects, and with
    // them the legs, the marks Encrypt, Selected and Moved and the distances,
    // stay in their places.
    void ReverseRoute();

    bool IsValidFile(const QString& fileName) const override;
    // Appends the waypoints read; each one read in full gets its leg.
    void LoadPOIs(TStreamReader& stream, quint16 version) override;
    // Writes every waypoint, whatever the selection.
    void SavePOIs(QIODevice& stream, quint16 version, bool selection) const override;

protected:
    void DiscardPoint(int index) override;

private:
    bool Owns(const TWaypoint* waypoint) const { return waypoint != nullptr && waypoint->Layer() == this; }
    // Gives the waypoint just appended its leg.
    TWaypoint* Linked(TGeoPoint* appended);
    // Lets the legs from `first` on follow the waypoints again.
    void RelinkLegsFrom(int first);

    int fCurrWaypoint = -1;
    std::vector<TLeg> fLegs;
    double fFindPrecision = 1e-7;
};
