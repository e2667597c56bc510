#pragma once

#include <QString>

#include <functional>

class TRoute;

// A route's passage plan as text: the caption, a tab-separated table with a
// row per waypoint (number, name, position, the course and distance of the
// leg on to the next waypoint, the distance run from the start) and the
// total. Numbers always take "." as their decimal separator. Captions and
// names show control characters as <U+XXXX>, so a tab cannot split a cell.
namespace PassagePlan {

// Degrees and decimal minutes: "52°22.500'N", "004°53.400'E". A coordinate
// that is not a number or lies beyond ±90 (±180) is no position: "-".
QString LatitudeText(double degrees);
QString LongitudeText(double degrees);
// Degrees true with one decimal, 0.0 to 359.9.
QString CourseText(double degrees);
// Nautical miles with two decimals.
QString DistanceText(double nauticalMiles);

// Hands the plan to `writeLine` line by line, without line ends: the
// route's own legs, and its length as the total. A leg to or from a waypoint
// that is no position has no figures: its course and distance, the distance
// run from there on and the total show "-".
void Write(const TRoute& route, const std::function<void(const QString& line)>& writeLine);

} // namespace PassagePlan
