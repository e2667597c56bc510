#include "geo/TPUMath1.h"

#include <cmath>
#include <numbers>

namespace {

double Radians(double degrees)
{
    return degrees / 360 * 2 * std::numbers::pi;
}

} // namespace

double COSG(double invoer)
{
    // cos(270°) computed in radians is not exactly 0; -90° gives the same tiny value as 90°.
    if (invoer == 270)
        invoer = -90;
    return std::cos(Radians(invoer));
}

double TANG(double invoer, bool& fout)
{
    fout = false;
    const double r = Radians(invoer);
    const double cosine = std::cos(r);
    if (cosine == 0) {
        fout = true;
        return 0;
    }
    return std::sin(r) / cosine;
}

double ARCTANG(double invoer)
{
    constexpr double kTwoPi = 6.283185307179586477;
    return std::atan(invoer) / kTwoPi * 360;
}
