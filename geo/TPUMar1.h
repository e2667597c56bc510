#pragma once

// Rhumb-line (loxodrome) navigation on a sphere where one degree of latitude
// is 60 nautical miles. Latitudes (b) come before longitudes (l), the point
// of departure (A) before the destination (B).

// lB - lA brought into -180..180; 0 when either longitude lies beyond ±180.
double LENGTE_VERSCHIL(double lA, double lB);
// The meridional parts of a latitude, in degrees; 0 with Error set when the tangent fails.
double VERGROTENDE_BREEDTE(double bA, bool& Error);
// The course from A to B in degrees, 0 <= course < 360; from or to a pole
// along the meridian of the other end.
double LOXODROOMKOERS(double bA, double lA, double bB, double lB);
// The distance from A to B in nautical miles.
double LOXODROOMVERHEID(double bA, double lA, double bB, double lB);
