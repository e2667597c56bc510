#include "geo/TPUMar1.h"

#include "geo/TPUMath1.h"

#include <cmath>

namespace {

constexpr double kDegreesPerRadian = 57.295779513082320877;
// Degrees of latitude, about a centimetre.
constexpr double kHairline = 1e-7;

// East or west along a parallel; none when the longitudes agree.
double ParallelCourse(double lAB)
{
    if (lAB > 0)
        return 90;
    if (lAB < 0)
        return 270;
    return 0;
}

} // namespace

double LENGTE_VERSCHIL(double lA, double lB)
{
    if (std::fabs(lB) > 180 || std::fabs(lA) > 180)
        return 0;
    double dlab = lB - lA;
    if (std::fabs(dlab) > 180)
        dlab = dlab + (dlab / std::fabs(dlab)) * (-1) * 360;
    return dlab;
}

double VERGROTENDE_BREEDTE(double bA, bool& Error)
{
    // Pulled in from the pole so that the tangent stays finite.
    if (std::fabs(bA) == 90)
        bA = bA * 0.999999999;
    double Tuss = TANG(bA / 2 + 45, Error);
    if (Tuss == 0)
        Error = true;
    else
        Tuss = std::log(Tuss) * kDegreesPerRadian;
    return Error ? 0 : Tuss;
}

double LOXODROOMKOERS(double bA, double lA, double bB, double lB)
{
    // At a pole the longitude means nothing: the leg runs along the meridian
    // of its other end.
    const bool atPole = std::fabs(bA) == 90 || std::fabs(bB) == 90;
    const double lAB = atPole ? 0 : LENGTE_VERSCHIL(lA, lB);
    const double bAB = bB - bA;
    if (bAB == 0)
        return ParallelCourse(lAB);
    if (lAB == 0)
        return bAB < 0 ? 180 : 0;

    bool error = false;
    const double m = VERGROTENDE_BREEDTE(bB, error) - VERGROTENDE_BREEDTE(bA, error);
    // Latitudes too close for their meridional parts to differ lie on one parallel.
    if (m == 0)
        return ParallelCourse(lAB);
    double Crs = ARCTANG(lAB / m);
    if (Crs > 0 && lAB < 0)
        Crs += 180; // south-west
    else if (Crs < 0 && lAB > 0)
        Crs += 180; // south-east
    else if (Crs < 0 && lAB < 0)
        Crs += 360; // north-west
    // A tiny negative angle plus 360 rounds to 360, which is north.
    return Crs == 360 ? 0 : Crs;
}

double LOXODROOMVERHEID(double bA, double lA, double bB, double lB)
{
    const double Crs = LOXODROOMKOERS(bA, lA, bB, lB);
    const double bAB = bB - bA;
    if (Crs == 0 || Crs == 180)
        return std::fabs(bAB) * 60;
    if (Crs == 90 || Crs == 270)
        return std::fabs(LENGTE_VERSCHIL(lA, lB)) * 60 * COSG(bA);
    // Latitudes a hair apart: their meridional parts keep too few digits to
    // divide by, while over such a difference the rhumb line's stretch is the
    // cosine of the latitude to far more digits than a distance shows.
    if (std::fabs(bAB) < kHairline)
        return 60 * std::hypot(bAB, COSG(bA) * LENGTE_VERSCHIL(lA, lB));
    return std::fabs(60 * bAB / COSG(Crs));
}
