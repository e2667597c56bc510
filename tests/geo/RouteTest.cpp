#include "geo/uRouteLibrary.h"
#include "geo/uStreamUtils.h"
#include "platform/Error.h"
#include "support/LayerBytes.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <type_traits>

namespace {

// A route in a folder that is never written to, unless a test saves it.
std::unique_ptr<TRoute> NewRoute() { return std::make_unique<TRoute>(QStringLiteral("/routes")); }

// A route of waypoints captioned A, B, C, ... at latitudes 0, 1, 2, ...
std::unique_ptr<TRoute> Lettered(int count)
{
    auto route = NewRoute();
    for (int i = 0; i < count; ++i)
        route->Add(i, 0, QString(QChar(u'A' + i)));
    return route;
}

QStringList Captions(const TRoute& route)
{
    QStringList result;
    for (int i = 0; i < route.Count(); ++i)
        result << route.Waypoint(i)->Caption();
    return result;
}

// What a full rebuild gives: leg i from waypoint i to waypoint i + 1.
void ExpectLegsJoinNeighbours(const TRoute& route)
{
    ASSERT_EQ(route.GetLegCount(), std::max(route.Count() - 1, 0));
    for (int i = 0; i < route.GetLegCount(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(&route.GetLeg(i)->PtA(), route.Waypoint(i));
        EXPECT_EQ(&route.GetLeg(i)->PtB(), route.Waypoint(i + 1));
    }
    EXPECT_EQ(route.GetLeg(-1), nullptr);
    EXPECT_EQ(route.GetLeg(route.GetLegCount()), nullptr);
}

// ------------------------------------------------------------- a new route

TEST(Route, NameAndCaptionComeFromTheCreationTime)
{
    const TFormatSettings english = FormatSettingsFromLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const TDateTime created = EncodeDateTime(QDate(2024, 2, 5), QTime(14, 3, 7, 45));
    EXPECT_EQ(RouteDefaultFilename(QStringLiteral("/data/Routes"), created, english),
              QStringLiteral("/data/Routes/Monday 5 Feb 2024 (143745).rte"));
    EXPECT_EQ(RouteDefaultCaption(created, english), QStringLiteral("Route '5-Feb-24 (14:03)'"));

    TFormatSettings dotted = english;
    dotted.TimeSeparator = u'.';
    const TDateTime morning = EncodeDateTime(QDate(2023, 12, 31), QTime(9, 0, 5, 0));
    EXPECT_EQ(RouteDefaultFilename(QStringLiteral("/data/a%1"), morning, dotted),
              QStringLiteral("/data/a%1/Sunday 31 Dec 2023 (9050).rte"));
    EXPECT_EQ(RouteDefaultCaption(morning, dotted), QStringLiteral("Route '31-Dec-23 (09.00)'"));
}

TEST(Route, NewRouteDefaults)
{
    // Names of days and months are the user's.
    const TFormatSettings dutch = FormatSettingsFromLocale(QLocale(QLocale::Dutch, QLocale::Netherlands));
    const DefaultFormatSettingsScope regional(dutch);
    const TDateTime before = Now();
    TRoute route(QStringLiteral("/data/Routes"));

    EXPECT_GE(route.DateCreated(), before);
    EXPECT_LE(route.DateCreated(), Now());
    EXPECT_EQ(route.Filename(), RouteDefaultFilename(QStringLiteral("/data/Routes"), route.DateCreated(), dutch));
    EXPECT_EQ(route.Caption(), RouteDefaultCaption(route.DateCreated(), dutch));
    EXPECT_EQ(route.FileVersion().FileID(), QByteArray("ROUTE"));
    EXPECT_EQ(route.FileVersion().ID(), 6);
    EXPECT_EQ(route.FileVersion().ClassName(), QByteArray("TRoute"));
    EXPECT_EQ(route.Count(), 0);
    EXPECT_EQ(route.GetLegCount(), 0);
    EXPECT_EQ(route.GetDistance(), 0);
    EXPECT_EQ(route.FindPrecision(), 1e-7);
    EXPECT_FALSE(route.HasChanged());
    EXPECT_EQ(route.GetCurrentWaypoint(), nullptr);

    route.Add();
    EXPECT_EQ(route.GetCurrentWaypoint(), nullptr); // the cursor stayed at -1
    EXPECT_EQ(route.NextWaypoint(), route.Waypoint(0));
}

// A route whose own destructor reports that it ran.
class TWatchedRoute : public TRoute {
public:
    explicit TWatchedRoute(bool& destroyed) : TRoute(QStringLiteral("/routes")), fDestroyed(destroyed) {}
    ~TWatchedRoute() override { fDestroyed = true; }

private:
    bool& fDestroyed;
};

TEST(Route, FreedThroughTheLayerRunsItsOwnDestructor)
{
    static_assert(std::has_virtual_destructor_v<TGeoList>);
    bool destroyed = false;
    {
        const std::unique_ptr<TGeoList> layer = std::make_unique<TWatchedRoute>(destroyed);
    }
    EXPECT_TRUE(destroyed);
}

// ------------------------------------------------------ adding and removing

TEST(Route, AppendedWaypointsAreNumberedAndJoined)
{
    auto route = NewRoute();
    TWaypoint* first = route->Add();
    TWaypoint* second = route->Add(52.5, 4.25);
    TWaypoint* third = route->Add(53, 5, QStringLiteral("Haven"));

    EXPECT_EQ(Captions(*route), (QStringList{QStringLiteral("Waypoint 1"), QStringLiteral("Waypoint 2"),
                                             QStringLiteral("Haven")}));
    EXPECT_EQ(route->Waypoint(0), first);
    EXPECT_EQ(route->Waypoint(1), second);
    EXPECT_EQ(route->Waypoint(2), third);
    EXPECT_EQ(route->Waypoint(3), nullptr);
    EXPECT_EQ(route->Waypoint(-1), nullptr);
    EXPECT_EQ(second->Latitude(), 52.5);
    EXPECT_EQ(second->Longitude(), 4.25);
    EXPECT_NE(second->DateChanged(), 0); // through the setters
    EXPECT_TRUE(route->HasChanged());
    ExpectLegsJoinNeighbours(*route);
}

TEST(Route, InsertingBeforeAWaypointKeepsTheChangeMark)
{
    QTemporaryDir dir;
    auto route = Lettered(3);
    ASSERT_TRUE(route->SaveToFile(dir.filePath(QStringLiteral("a.rte")), false)); // clears the change mark
    TWaypoint* inserted = route->InsertWaypoint(0.5, 1, route->Waypoint(1));

    EXPECT_EQ(route->Waypoint(1), inserted);
    EXPECT_EQ(Captions(*route), (QStringList{QStringLiteral("A"), QStringLiteral("Ingevoegd waypoint 4"),
                                             QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(inserted->Latitude(), 0.5);
    EXPECT_EQ(inserted->Longitude(), 1);
    EXPECT_FALSE(route->HasChanged());
    ExpectLegsJoinNeighbours(*route);

    route->InsertWaypoint(9, 9, route->Waypoint(0));
    EXPECT_EQ(route->Waypoint(0)->Caption(), QStringLiteral("Ingevoegd waypoint 5"));
    ExpectLegsJoinNeighbours(*route);

    // With nothing to insert before it appends.
    TWaypoint* appended = route->InsertWaypoint(7, 8, nullptr);
    EXPECT_EQ(route->Waypoint(5), appended);
    EXPECT_EQ(appended->Caption(), QStringLiteral("Waypoint 6"));
    EXPECT_EQ(appended->Latitude(), 7);
    EXPECT_TRUE(route->HasChanged());
    ExpectLegsJoinNeighbours(*route);
}

TEST(Route, AnotherRoutesWaypointIsNoPlaceInThisOne)
{
    auto route = Lettered(3);
    auto other = Lettered(2);
    EXPECT_EQ(ErrorOf([&] { route->InsertWaypoint(1, 1, other->Waypoint(1)); }),
              QStringLiteral("Argument out of range"));
    EXPECT_EQ(route->RemoveWaypoint(other->Waypoint(1)), -1);
    route->SetCurrentWaypoint(route->Waypoint(2));
    route->SetCurrentWaypoint(other->Waypoint(1));
    EXPECT_EQ(route->GetCurrentWaypoint(), nullptr);

    EXPECT_EQ(Captions(*route), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(Captions(*other), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    ExpectLegsJoinNeighbours(*route);
    ExpectLegsJoinNeighbours(*other);
}

TEST(Route, DeletingByIndex)
{
    auto route = Lettered(4);
    route->DeleteWaypoint(1);
    EXPECT_EQ(Captions(*route), (QStringList{QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("D")}));
    ExpectLegsJoinNeighbours(*route);

    for (const int index : {-1, 3}) {
        EXPECT_EQ(ErrorOf([&] { route->DeleteWaypoint(index); }), QStringLiteral("Argument out of range")) << index;
        EXPECT_EQ(route->Count(), 3);
        ExpectLegsJoinNeighbours(*route);
    }
}

struct RemoveCase {
    int count;
    int removed;
    int result;
    const char* left;
};

TEST(Route, RemoveWaypointAnswersWithANeighbouringIndex)
{
    const RemoveCase cases[] = {
        {1, 0, 0, ""},      {2, 0, 1, "B"},       {2, 1, 1, "A"},       {3, 2, 1, "AB"},
        {5, 0, 0, "BCDE"},  {5, 3, 2, "ABCE"},    {5, 4, 3, "ABCD"},
    };
    for (const RemoveCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.removed << " of " << c.count);
        auto route = Lettered(c.count);
        EXPECT_EQ(route->RemoveWaypoint(route->Waypoint(c.removed)), c.result);
        EXPECT_EQ(Captions(*route).join(QString()), QLatin1String(c.left));
        ExpectLegsJoinNeighbours(*route);
    }
    auto route = Lettered(2);
    EXPECT_EQ(route->RemoveWaypoint(nullptr), -1);
    EXPECT_EQ(route->Count(), 2);
    EXPECT_EQ(NewRoute()->RemoveWaypoint(nullptr), -1);
}

TEST(Route, RecreateLegsAfterTheLayersOwnChanges)
{
    auto route = Lettered(5);
    route->Waypoint(1)->setSelected(true);
    route->Waypoint(3)->setSelected(true);
    route->RemoveSelected();
    route->TGeoList::Add();
    route->RecreateLegs();
    EXPECT_EQ(route->Count(), 4);
    ExpectLegsJoinNeighbours(*route);
}

TEST(Route, LegsFollowTheLayersOwnChangesAtOnce)
{
    auto route = Lettered(4);
    const TLeg* before = route->GetLeg(2);
    ASSERT_NE(before, nullptr);
    route->TGeoList::Delete(0);
    ExpectLegsJoinNeighbours(*route);
    route->TGeoList::Insert(1)->setCaption(QStringLiteral("X"));
    ExpectLegsJoinNeighbours(*route);
    EXPECT_EQ(Captions(*route).join(QString()), QStringLiteral("BXCD"));
    EXPECT_DOUBLE_EQ(route->GetDistance(), route->GetLeg(0)->CalcDistance() + route->GetLeg(1)->CalcDistance()
                                                + route->GetLeg(2)->CalcDistance());
}

// ------------------------------------------------------------------ lookups

TEST(Route, CursorWalk)
{
    auto route = Lettered(2);
    EXPECT_EQ(route->FirstWaypoint(), route->Waypoint(0));
    EXPECT_EQ(route->NextWaypoint(), route->Waypoint(1));
    EXPECT_EQ(route->GetCurrentWaypoint(), route->Waypoint(1));
    EXPECT_EQ(route->NextWaypoint(), nullptr);
    EXPECT_EQ(route->GetCurrentWaypoint(), nullptr);
    EXPECT_EQ(route->NextWaypoint(), route->Waypoint(0));
    EXPECT_EQ(route->PreviousWaypoint(), nullptr);
    EXPECT_EQ(route->PreviousWaypoint(), nullptr);
    EXPECT_EQ(route->NextWaypoint(), route->Waypoint(0));

    route->SetCurrentWaypoint(route->Waypoint(1));
    EXPECT_EQ(route->PreviousWaypoint(), route->Waypoint(0));
    route->SetCurrentWaypoint(nullptr);
    EXPECT_EQ(route->GetCurrentWaypoint(), nullptr);

    // The cursor is an index: it stays when the waypoints change.
    route->SetCurrentWaypoint(route->Waypoint(1));
    route->DeleteWaypoint(1);
    EXPECT_EQ(route->GetCurrentWaypoint(), nullptr);
    EXPECT_EQ(route->NextWaypoint(), nullptr);
    EXPECT_EQ(route->NextWaypoint(), route->Waypoint(0));

    EXPECT_EQ(NewRoute()->FirstWaypoint(), nullptr);
}

TEST(Route, FindWaypointNearAPositionTakesTheFirstWithinReach)
{
    auto route = NewRoute();
    route->Add(10, 10);
    TWaypoint* a = route->Add(52, 4);
    TWaypoint* b = route->Add(52.0001, 4.0001);

    EXPECT_EQ(route->FindWaypoint(51.9998, 3.9998), a);  // r = 8e-8
    EXPECT_EQ(route->FindWaypoint(51.9997, 3.9997), nullptr); // r = 1.8e-7
    EXPECT_EQ(route->FindWaypoint(52.0002, 4.0002), a);  // b is nearer, a comes first
    EXPECT_EQ(route->FindWaypoint(52.0003, 4.0003), b);

    route->setFindPrecision(1e-9);
    EXPECT_EQ(route->FindWaypoint(52.0002, 4.0002), nullptr);
    EXPECT_EQ(route->FindWaypoint(52, 4), a);
}

TEST(Route, FindWaypointByText)
{
    auto route = NewRoute();
    route->Add(1, 1, QStringLiteral("Haven Vlissingen"));
    TWaypoint* sluis = route->Add(2, 2, QStringLiteral("Sluis"));
    sluis->setText("bij de haven");
    EXPECT_EQ(route->FindWaypoint(QStringLiteral("Haven")), route->Waypoint(0));
    EXPECT_EQ(route->FindWaypoint(QStringLiteral("haven")), sluis);
    EXPECT_EQ(route->FindWaypoint(QStringLiteral("Brug")), nullptr);
    EXPECT_EQ(route->FindWaypoint(QString()), nullptr);
}

// --------------------------------------------------------------- distances

TEST(Route, RecalculateStoresDistancesAlongTheRoute)
{
    // One meridian, so the legs measure 10 and 5 nautical miles.
    auto route = NewRoute();
    route->Add(0, 3);
    route->Add(10.0 / 60, 3);
    route->Add(15.0 / 60, 3);
    EXPECT_DOUBLE_EQ(route->GetLeg(0)->CalcDistance(), 10);
    EXPECT_DOUBLE_EQ(route->GetLeg(1)->CalcDistance(), 5);
    EXPECT_EQ(route->GetLeg(1)->CalcBearing(), 0);
    EXPECT_DOUBLE_EQ(route->GetDistance(), 15);

    route->Recalculate();
    const double fromStart[] = {0, 10, 15};
    const double toFinish[] = {15, 5, 0};
    EXPECT_EQ(route->Waypoint(0)->DistFromStart(), 0); // exactly
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(route->Waypoint(i)->DistFromStart(), fromStart[i]);
        EXPECT_DOUBLE_EQ(route->Waypoint(i)->DistToFinish(), toFinish[i]);
    }
    EXPECT_DOUBLE_EQ(route->Waypoint(2)->DistFromStartKM(), 27.78);
    EXPECT_DOUBLE_EQ(route->Waypoint(0)->DistToFinishKM(), 27.78);

    route->DeleteWaypoint(2);
    route->Recalculate();
    EXPECT_EQ(route->Waypoint(1)->DistToFinish(), 0);
    EXPECT_DOUBLE_EQ(route->Waypoint(1)->DistFromStart(), 10);
    EXPECT_DOUBLE_EQ(route->Waypoint(0)->DistToFinish(), 10);

    route->DeleteWaypoint(1);
    route->Waypoint(0)->setDistToFinish(4);
    route->Recalculate();
    EXPECT_EQ(route->Waypoint(0)->DistFromStart(), 0);
    EXPECT_EQ(route->Waypoint(0)->DistToFinish(), 0);
}

TEST(Route, LegsFollowTheirWaypointsAndClearThem)
{
    auto route = NewRoute();
    route->Add(52, 4);
    route->Add(53, 5);
    const TLeg* leg = route->GetLeg(0);
    EXPECT_NEAR(leg->CalcBearing(), 31.3300, 1e-4);
    EXPECT_NEAR(leg->CalcDistance(), 70.2423, 1e-4);
    route->Waypoint(1)->setLongitude(4);
    EXPECT_EQ(leg->CalcBearing(), 0);
    EXPECT_DOUBLE_EQ(leg->CalcDistance(), 60);

    const QUuid guid = route->Waypoint(0)->GUID();
    leg->Clear();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(route->Waypoint(i)->Caption(), QString());
        EXPECT_EQ(route->Waypoint(i)->Latitude(), 0);
    }
    EXPECT_EQ(route->Waypoint(0)->GUID(), guid);
    EXPECT_EQ(&leg->PtA(), route->Waypoint(0));
}

// ----------------------------------------------------------------- reversal

TEST(Route, ReversalMirrorsThePointDataInTheSameObjects)
{
    auto route = Lettered(4);
    route->Recalculate();
    std::vector<TWaypoint*> objects;
    std::vector<QUuid> guids;
    for (int i = 0; i < 4; ++i) {
        objects.push_back(route->Waypoint(i));
        guids.push_back(route->Waypoint(i)->GUID());
    }
    route->Waypoint(0)->setSelected(true);
    route->Waypoint(0)->setEncrypt(true);
    route->Waypoint(3)->setCanEdit(false);
    const TLeg* firstLeg = route->GetLeg(0);

    route->ReverseRoute();

    EXPECT_EQ(Captions(*route), (QStringList{QStringLiteral("D"), QStringLiteral("C"), QStringLiteral("B"),
                                             QStringLiteral("A")}));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(route->Waypoint(i), objects[i]);
        EXPECT_EQ(route->Waypoint(i)->GUID(), guids[3 - i]);
        EXPECT_EQ(route->Waypoint(i)->Latitude(), 3 - i);
        EXPECT_EQ(route->Waypoint(i)->DistFromStart(), i * 60.0); // stale until Recalculate
    }
    EXPECT_FALSE(route->Waypoint(0)->CanEdit());
    EXPECT_TRUE(route->Waypoint(3)->CanEdit());
    EXPECT_TRUE(route->Waypoint(0)->Selected()); // the marks stay in place
    EXPECT_TRUE(route->Waypoint(0)->Encrypt());
    EXPECT_EQ(route->GetLeg(0), firstLeg);
    ExpectLegsJoinNeighbours(*route);

    auto odd = Lettered(3);
    odd->ReverseRoute();
    EXPECT_EQ(Captions(*odd), (QStringList{QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("A")}));
    auto single = Lettered(1);
    single->ReverseRoute();
    EXPECT_EQ(Captions(*single), QStringList{QStringLiteral("A")});
    NewRoute()->ReverseRoute();
}

// -------------------------------------------------------------- route files

class RouteFiles : public ::testing::Test, protected TempFolder {};

TEST_F(RouteFiles, ValidByKindAndKnownVersion)
{
    struct {
        const char* name;
        QByteArray bytes;
        bool valid;
    } files[] = {
        {"layer", Header("L-GEO", 6, "TGeoList"), false},
        {"version 7", Header("ROUTE", 7, "TRoute"), false},
        {"ROUTES", Header("ROUTES", 6, "TRoute"), true},
        {"lower case", Header("route", 6, "TRoute"), false},
        {"ROUT", Header("ROUT", 6, "TRoute"), false},
        {"no class", Hex("05") + "ROUTE" + Hex("06 00"), false},
        {"empty", QByteArray(), false},
    };
    for (const auto& f : files) {
        const QString path = WriteFile(QString::fromLatin1(f.name), f.bytes);
        EXPECT_EQ(IsValidRoute(path), f.valid) << f.name;
        EXPECT_EQ(NewRoute()->IsValidFile(path), f.valid) << f.name;
    }
    for (quint16 version = 0; version <= 6; ++version) {
        for (const QByteArray& className : {QByteArray("TRoute"), QByteArray("TGeoList"), QByteArray()}) {
            const QString path = WriteFile(QStringLiteral("v%1%2").arg(version).arg(QLatin1String(className)),
                                           Header("ROUTE", version, className));
            EXPECT_TRUE(IsValidRoute(path)) << version << className.constData();
        }
    }
    EXPECT_FALSE(IsValidRoute(Path(QStringLiteral("missing.rte"))));
    EXPECT_FALSE(IsValidRoute(fDir.path()));
}

TEST_F(RouteFiles, AnInvalidFileLeavesTheRouteAsItWas)
{
    const QString path = WriteFile(QStringLiteral("v7.rte"), Saved(*Lettered(2), 6).replace(6, 1, Hex("07")));
    auto route = NewRoute();
    const QString name = route->Filename();
    route->LoadFromFile(path);
    EXPECT_EQ(route->Filename(), name);
    EXPECT_EQ(route->Count(), 0);
}

TEST_F(RouteFiles, LoadingGivesTheWaypointsTheirLegsAndNoDistances)
{
    for (const int count : {0, 1, 2, 5}) {
        SCOPED_TRACE(count);
        auto saved = Lettered(count);
        saved->Recalculate();
        const QString path = WriteFile(QStringLiteral("%1.rte").arg(count), Saved(*saved, 6));

        auto route = NewRoute();
        route->LoadFromFile(path);
        EXPECT_EQ(route->Filename(), path);
        EXPECT_EQ(Captions(*route), Captions(*saved));
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(route->Waypoint(i)->GUID(), saved->Waypoint(i)->GUID());
            EXPECT_EQ(route->Waypoint(i)->Latitude(), i);
            EXPECT_EQ(route->Waypoint(i)->DistFromStart(), 0);
            EXPECT_EQ(route->Waypoint(i)->DistToFinish(), 0);
        }
        EXPECT_FALSE(route->HasChanged());
        ExpectLegsJoinNeighbours(*route);
    }
}

TEST_F(RouteFiles, ADamagedFileKeepsTheCompleteWaypointsWithTheirLegs)
{
    const QByteArray whole = Saved(*Lettered(4), 6);
    const qsizetype count = whole.size() - 4 * TGeoPoint::MinRecordSize(6) - 4 * 1 - 4;
    ASSERT_EQ(whole.mid(count, 4), Hex("04 00 00 00"));
    const struct {
        const char* name;
        QByteArray bytes;
        int waypoints;
    } files[] = {
        {"cut in the last record", whole.left(whole.size() - 1), 3},
        {"cut in the second record", whole.left(count + 4 + TGeoPoint::MinRecordSize(6) + 1 + 20), 1},
        {"count of six for four", QByteArray(whole).replace(count, 4, Hex("06 00 00 00")), 4},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        auto route = NewRoute();
        route->LoadFromFile(WriteFile(QString::fromLatin1(f.name), f.bytes));
        EXPECT_EQ(Captions(*route).join(QString()), QStringLiteral("ABCD").left(f.waypoints));
        ExpectLegsJoinNeighbours(*route);
    }
}

TEST(RouteStream, LoadingIntoAFilledRouteAppends)
{
    auto route = Lettered(2);
    LoadBytes(*route, Saved(*Lettered(3), 6));
    EXPECT_EQ(Captions(*route).join(QString()), QStringLiteral("ABABC"));
    ExpectLegsJoinNeighbours(*route);
}

TEST(RouteStream, AlwaysWritesEveryWaypoint)
{
    auto route = Lettered(3);
    route->Waypoint(1)->setSelected(true);
    for (const bool selection : {true, false}) {
        auto loaded = NewRoute();
        LoadBytes(*loaded, Saved(*route, 6, selection));
        EXPECT_EQ(Captions(*loaded), Captions(*route)) << selection;
    }
    route->Waypoint(1)->setSelected(false);
    EXPECT_EQ(Saved(*route, 6, true), Saved(*route, 6, false));
}

} // namespace
