#include "geo/uRouteLibrary.h"

#include "geo/TPUMar1.h"
#include "geo/uStreamUtils.h"
#include "platform/Error.h"

#include <algorithm>

namespace {

// Every item of a route comes from its factory, so it is a waypoint.
TWaypoint* AsWaypoint(TGeoPoint* point) { return static_cast<TWaypoint*>(point); }

} // namespace

// ---------------------------------------------------------------------- TLeg

double TLeg::CalcBearing() const
{
    return LOXODROOMKOERS(fPtA->Latitude(), fPtA->Longitude(), fPtB->Latitude(), fPtB->Longitude());
}

double TLeg::CalcDistance() const
{
    return LOXODROOMVERHEID(fPtA->Latitude(), fPtA->Longitude(), fPtB->Latitude(), fPtB->Longitude());
}

void TLeg::Clear() const
{
    fPtA->Clear();
    fPtB->Clear();
}

// ------------------------------------------------------------- route files

bool IsRouteHead(const TFileHead& head)
{
    return head.Version && head.Version->FileID() == "ROUTE" && IsKnownVersion(head.Version->ID());
}

bool IsValidRoute(const QString& aFilename)
{
    const std::optional<TkdVersion> header = ReadFileVersion(aFilename);
    return header && header->FileID() == "ROUTE" && IsKnownVersion(header->ID());
}

QString RouteDefaultFilename(const QString& aDirectory, TDateTime created, const TFormatSettings& settings)
{
    return QStringLiteral("%1/%2.rte")
        .arg(aDirectory, FormatDateTime(QStringLiteral("dddd d mmm yyyy (hmsz)"), created, settings));
}

QString RouteDefaultCaption(TDateTime created, const TFormatSettings& settings)
{
    return QStringLiteral("Route '%1'").arg(FormatDateTime(QStringLiteral("d-mmm-yy (hh:mm)"), created, settings));
}

// -------------------------------------------------------------------- TRoute

TRoute::TRoute(const QString& aDirectory)
    : TGeoList(ItemClassOf<TWaypoint>())
{
    SetFileVersion_FileID("ROUTE");
    SetFileVersion_Classname("TRoute");
    setFilename(RouteDefaultFilename(aDirectory, DateCreated(), DefaultFormatSettings()));
    setCaption(RouteDefaultCaption(DateCreated(), DefaultFormatSettings()));
}

TRoute::~TRoute() = default;

void TRoute::RecreateLegs()
{
    fLegs.clear();
    fLegs.shrink_to_fit();
}

TWaypoint* TRoute::Add()
{
    TWaypoint* const waypoint = AsWaypoint(TGeoList::Add());
    waypoint->setCaption(QStringLiteral("Waypoint %1").arg(Count()));
    return waypoint;
}

TWaypoint* TRoute::Add(double lat, double lon)
{
    TWaypoint* const waypoint = Add();
    waypoint->setLatitude(lat);
    waypoint->setLongitude(lon);
    return waypoint;
}

TWaypoint* TRoute::Add(double lat, double lon, const QString& aCaption)
{
    TWaypoint* const waypoint = Add(lat, lon);
    waypoint->setCaption(aCaption);
    return waypoint;
}

TWaypoint* TRoute::InsertWaypoint(double lat, double lon, const TWaypoint* beforeWpt)
{
    if (beforeWpt == nullptr)
        return Add(lat, lon);
    // The index of another route's waypoint means nothing here.
    if (!Owns(beforeWpt))
        throw Error::ArgumentOutOfRange();
    const int index = beforeWpt->Index();
    TWaypoint* const waypoint = AsWaypoint(Insert(index));
    waypoint->setCaption(QStringLiteral("Ingevoegd waypoint %1").arg(Count()));
    waypoint->setLatitude(lat);
    waypoint->setLongitude(lon);
    return waypoint;
}

void TRoute::DeleteWaypoint(int i) { Delete(i); }

int TRoute::RemoveWaypoint(const TWaypoint* aWpt)
{
    // Removing another route's waypoint by its index would hit one of ours.
    if (!Owns(aWpt))
        return -1;
    const int count = Count();
    const int index = aWpt->Index();
    DeleteWaypoint(index);
    if (count <= 2)
        return count - 1;
    return std::max(index - 1, 0);
}

TWaypoint* TRoute::Waypoint(int index) const { return AsWaypoint(GetPOI(index)); }

TWaypoint* TRoute::FindWaypoint(double lat, double lon) const
{
    for (int i = 0; i < Count(); ++i) {
        TWaypoint* const waypoint = Waypoint(i);
        const double dLat = waypoint->Latitude() - lat;
        const double dLon = waypoint->Longitude() - lon;
        if (dLat * dLat + dLon * dLon < fFindPrecision)
            return waypoint;
    }
    return nullptr;
}

TWaypoint* TRoute::FindWaypoint(const QString& value) const { return AsWaypoint(FindText(value)); }

// --------------------------------------------------------------------- cursor

TWaypoint* TRoute::FirstWaypoint()
{
    fCurrWaypoint = Count() > 0 ? 0 : -1;
    return GetCurrentWaypoint();
}

TWaypoint* TRoute::NextWaypoint()
{
    ++fCurrWaypoint;
    if (GetCurrentWaypoint() == nullptr)
        fCurrWaypoint = -1;
    return GetCurrentWaypoint();
}

TWaypoint* TRoute::PreviousWaypoint()
{
    --fCurrWaypoint;
    if (GetCurrentWaypoint() == nullptr)
        fCurrWaypoint = -1;
    return GetCurrentWaypoint();
}

TWaypoint* TRoute::GetCurrentWaypoint() const { return Waypoint(fCurrWaypoint); }

void TRoute::SetCurrentWaypoint(const TWaypoint* value) { fCurrWaypoint = Owns(value) ? value->Index() : -1; }

// ------------------------------------------------------------------ distances

const TLeg* TRoute::GetLeg(int index) const
{
    if (index < 0 || index >= GetLegCount())
        return nullptr;
    if (fLegsVersion != ItemsVersion() || fLegs.size() != static_cast<std::size_t>(GetLegCount())) {
        fLegs.clear();
        fLegs.reserve(static_cast<std::size_t>(GetLegCount()));
        for (int i = 0; i + 1 < Count(); ++i)
            fLegs.emplace_back(*Waypoint(i), *Waypoint(i + 1));
        fLegsVersion = ItemsVersion();
    }
    return &fLegs[static_cast<std::size_t>(index)];
}

double TRoute::LegDistance(int index) const { return TLeg(*Waypoint(index), *Waypoint(index + 1)).CalcDistance(); }

double TRoute::GetDistance() const
{
    // From the finish back, as Recalculate adds them, so both agree exactly.
    double sum = 0.0;
    for (int i = GetLegCount() - 1; i >= 0; --i)
        sum = LegDistance(i) + sum;
    return sum;
}

void TRoute::Recalculate()
{
    const double total = GetDistance();
    double toFinish = 0;
    for (int i = GetLegCount() - 1; i >= 0; --i) {
        toFinish = LegDistance(i) + toFinish;
        Waypoint(i)->setDistToFinish(toFinish);
        Waypoint(i)->setDistFromStart(total - toFinish);
    }
    if (TWaypoint* const first = Waypoint(0))
        first->setDistToFinish(total);
    if (TWaypoint* const last = Waypoint(Count() - 1)) {
        last->setDistFromStart(total);
        last->setDistToFinish(0);
    }
}

void TRoute::ReverseRoute()
{
    TWaypoint scratch;
    for (int b = 0, e = Count() - 1; b < e; ++b, --e) {
        scratch.CopyFrom(Waypoint(b));
        Waypoint(b)->CopyFrom(Waypoint(e));
        Waypoint(e)->CopyFrom(&scratch);
    }
}

// ---------------------------------------------------------------------- files

bool TRoute::IsValidHead(const TFileHead& head) const { return IsRouteHead(head); }

void TRoute::SavePOIs(QIODevice& stream, quint16 version, bool /*selection*/) const
{
    TGeoList::SavePOIs(stream, version, false);
}
