#include "export/uPassagePlan.h"

#include "geo/uRouteLibrary.h"
#include "util/uVisibleText.h"

#include <cmath>
#include <limits>

namespace {

const QString kNone = QStringLiteral("-");
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

constexpr double kLatitudeLimit = 90;
constexpr double kLongitudeLimit = 180;

// Whole thousandths of a minute, rounded once, so 59.9996' carries into the
// next degree instead of showing as 60.000'.
QString DegreesMinutes(double degrees, double limit, int degreeDigits, QChar positive, QChar negative)
{
    if (!(std::fabs(degrees) <= limit)) // NaN too
        return kNone;
    const long long thousandths = std::llround(std::fabs(degrees) * 60000);
    const QChar hemisphere = degrees < 0 && thousandths != 0 ? negative : positive;
    return QStringLiteral("%1°%2.%3'%4")
        .arg(thousandths / 60000, degreeDigits, 10, QChar(u'0'))
        .arg(thousandths % 60000 / 1000, 2, 10, QChar(u'0'))
        .arg(thousandths % 1000, 3, 10, QChar(u'0'))
        .arg(hemisphere);
}

} // namespace

namespace PassagePlan {

QString LatitudeText(double degrees)
{
    return DegreesMinutes(degrees, kLatitudeLimit, 2, u'N', u'S');
}

QString LongitudeText(double degrees)
{
    return DegreesMinutes(degrees, kLongitudeLimit, 3, u'E', u'W');
}

QString CourseText(double degrees)
{
    if (!std::isfinite(degrees))
        return kNone;
    // In tenths, so a course that rounds to 360.0 reads 0.0.
    const long long tenths = std::llround(degrees * 10) % 3600;
    return QString::number(static_cast<double>(tenths < 0 ? tenths + 3600 : tenths) / 10, 'f', 1);
}

QString DistanceText(double nauticalMiles)
{
    return std::isfinite(nauticalMiles) ? QString::number(nauticalMiles, 'f', 2) : kNone;
}

void Write(const TRoute& route, const std::function<void(const QString& line)>& writeLine)
{
    writeLine(QStringLiteral("Route: ") + VisibleText(route.Caption()));
    writeLine(QStringLiteral("Nr\tNaam\tBreedte\tLengte\tKoers\tAfstand\tTotaal"));
    // Summed from the start, so the rows before a leg that is unknown keep theirs.
    double fromStart = 0;
    for (int i = 0; i < route.Count(); ++i) {
        const TWaypoint& waypoint = *route.Waypoint(i);
        const TLeg* const leg = route.GetLeg(i);
        QString course;
        QString distance;
        const QString run = DistanceText(fromStart);
        if (leg) {
            // A leg's figures mean something only between two positions.
            const bool known = leg->PtA().HasPosition() && leg->PtB().HasPosition();
            const double length = known ? leg->CalcDistance() : kNaN;
            course = known ? CourseText(leg->CalcBearing()) : kNone;
            distance = DistanceText(length);
            fromStart += length;
        }
        // Half of a position that is none would read as a position.
        const bool located = waypoint.HasPosition();
        writeLine(QStringList{QString::number(i + 1), VisibleText(waypoint.Caption()),
                              located ? LatitudeText(waypoint.Latitude()) : kNone,
                              located ? LongitudeText(waypoint.Longitude()) : kNone, course, distance, run}
                      .join(u'\t'));
    }
    writeLine(QStringLiteral("Totaal: %1 NM").arg(DistanceText(std::isfinite(fromStart) ? route.GetDistance() : kNaN)));
}

} // namespace PassagePlan
