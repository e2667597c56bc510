#include "geo/TPUMar1.h"
#include "geo/TPUMath1.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Navigation, TrigonometryInDegrees)
{
    EXPECT_NEAR(COSG(60), 0.5, 1e-15);
    EXPECT_NEAR(COSG(270), COSG(-90), 1e-15);
    EXPECT_DOUBLE_EQ(ARCTANG(1), 45);
    EXPECT_DOUBLE_EQ(ARCTANG(-1), -45);
    bool fout = true;
    EXPECT_NEAR(TANG(45, fout), 1, 1e-15);
    EXPECT_FALSE(fout);
}

TEST(Navigation, LongitudeDifferenceWrapsAcrossTheDateLine)
{
    struct Row {
        double lA, lB, expected;
    };
    for (const Row& r : {Row{0, 180, 180}, Row{180, 0, -180}, Row{-180, 180, 0}, Row{170, -170, 20},
                         Row{-170, 170, -20}, Row{0, 181, 0}, Row{-181, 0, 0}, Row{4, 5, 1}}) {
        EXPECT_EQ(LENGTE_VERSCHIL(r.lA, r.lB), r.expected) << r.lA << " -> " << r.lB;
    }
}

TEST(Navigation, MeridionalParts)
{
    bool error = true;
    EXPECT_NEAR(VERGROTENDE_BREEDTE(0, error), 0, 1e-12);
    EXPECT_FALSE(error);
    EXPECT_NEAR(VERGROTENDE_BREEDTE(52, error), 61.0866, 5e-5);
    for (const double pole : {90.0, -90.0}) {
        const double parts = VERGROTENDE_BREEDTE(pole, error);
        EXPECT_FALSE(error);
        EXPECT_TRUE(std::isfinite(parts));
        EXPECT_NEAR(std::fabs(parts), 1201.2, 0.05);
        EXPECT_EQ(parts > 0, pole > 0);
    }
}

struct Passage {
    double bA, lA, bB, lB;
    double course;
    double distance;
    double tolerance;
};

class RhumbLine : public ::testing::TestWithParam<Passage> {};

TEST_P(RhumbLine, CourseAndDistance)
{
    const Passage& p = GetParam();
    const double course = LOXODROOMKOERS(p.bA, p.lA, p.bB, p.lB);
    EXPECT_NEAR(course, p.course, p.tolerance);
    EXPECT_GE(course, 0);
    EXPECT_LT(course, 360);
    EXPECT_NEAR(LOXODROOMVERHEID(p.bA, p.lA, p.bB, p.lB), p.distance, p.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Passages, RhumbLine,
    ::testing::Values(Passage{52, 4, 53, 5, 31.3300, 70.2423, 5e-5},   // north-east
                      Passage{53, 5, 52, 4, 211.3300, 70.2423, 5e-5},  // south-west
                      Passage{52, 5, 53, 4, 328.6700, 70.2423, 5e-5},  // north-west
                      Passage{53, 4, 52, 5, 148.6700, 70.2423, 5e-5},  // south-east
                      Passage{52, 4, 52, 5, 90, 36.9397, 5e-5},        // along a parallel
                      Passage{52, 5, 52, 4, 270, 36.9397, 5e-5},
                      Passage{52, 4, 53, 4, 0, 60, 1e-12},             // along a meridian
                      Passage{53, 4, 52, 4, 180, 60, 1e-12},
                      Passage{0, 179, 0, -179, 90, 120, 1e-9},         // across the date line
                      Passage{0, 0, 0, 180, 90, 10800, 1e-9},
                      Passage{60, 0, 60, 10, 90, 300, 1e-12},
                      Passage{52, 4, 52, 4, 0, 0, 0},                  // the same point twice
                      Passage{10, 0, 20, 190, 0, 600, 1e-12}));        // longitude beyond 180

// Latitudes that rounding all but joins: a leg between them runs along the
// parallel, 60 cos 52° = 36.9397 NM for a degree of longitude; and a leg a
// hair west of north, whose course must read 0, not 360.
const double kJustAbove52 = std::nextafter(52.0, 90.0);
const double kFiveStepsAbove52 = [] {
    double b = 52;
    for (int i = 0; i < 5; ++i)
        b = std::nextafter(b, 90.0);
    return b;
}();
const double kJustWestOf4 = std::nextafter(4.0, 0.0);

INSTANTIATE_TEST_SUITE_P(
    Hairlines, RhumbLine,
    ::testing::Values(Passage{52, 4, kJustAbove52, 5, 90, 36.9397, 5e-5},      // equal meridional parts, east
                      Passage{kJustAbove52, 5, 52, 4, 270, 36.9397, 5e-5},     // and west
                      Passage{kJustAbove52, 4, 52, 5, 90, 36.9397, 5e-5},      // south of east
                      Passage{52, 5, kJustAbove52, 4, 270, 36.9397, 5e-5},     // north of west
                      Passage{52, 4, kFiveStepsAbove52, 5, 90, 36.9397, 5e-5}, // parts a few steps apart
                      Passage{kFiveStepsAbove52, 5, 52, 4, 270, 36.9397, 5e-5},
                      Passage{52, 4, 52 + 2e-7, 5, 90, 36.9397, 5e-5},         // the ordinary formula again
                      Passage{10, 4, 60, kJustWestOf4, 0, 3000, 1e-9},         // would read 360
                      Passage{60, 4, 10, kJustWestOf4, 180, 3000, 1e-9}));

TEST(Navigation, ParallelDistanceUsesTheDepartureLatitude)
{
    EXPECT_DOUBLE_EQ(LOXODROOMVERHEID(52, 4, 52, 5), 60 * COSG(52));
}

// At a pole the longitude means nothing: a leg from or to a pole runs along
// the meridian of its other end, whatever longitude the pole was given.
INSTANTIATE_TEST_SUITE_P(
    Poles, RhumbLine,
    ::testing::Values(Passage{90, 0, 89, 0, 180, 60, 1e-9},
                      Passage{90, 90, 89, 0, 180, 60, 1e-9},
                      Passage{89, -30, 90, 150, 0, 60, 1e-9},
                      Passage{80, 0, 90, 10, 0, 600, 1e-9},
                      Passage{-90, 45, -89, -120, 0, 60, 1e-9},
                      Passage{-60, 10, -90, 0, 180, 1800, 1e-9},
                      Passage{90, 0, 90, 90, 0, 0, 0},             // the pole twice
                      Passage{90, 0, -90, 180, 180, 10800, 1e-9})); // pole to pole

} // namespace
