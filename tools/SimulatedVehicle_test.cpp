#include "tools/SimulatedVehicle.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

using namespace corvane;

TEST(SimulatedVehicleTest, DrivesPlausiblyAndStaysOnItsRoute)
{
    const GeoPoint centres[] = {{37.5665, 126.9780}, {-33.8688, 151.2093}, {51.5074, -0.1278}};
    std::mt19937 random(7);
    for (const GeoPoint& centre : centres) {
        auto route = SimulatedVehicle::cityRoute(centre, random);
        ASSERT_GE(route.size(), 4u);
        SimulatedVehicle vehicle(route, 3);
        GeoPoint before = vehicle.position();
        for (int second = 0; second < 1800; ++second) {
            vehicle.advance(1.0);
            GeoPoint now = vehicle.position();
            double moved = SimulatedVehicle::legLengthMetres(before, now);
            // Never faster than 30 m/s, never off into another town.
            EXPECT_LE(moved, 30.5);
            EXPECT_LT(SimulatedVehicle::legLengthMetres(centre, now), 6000.0);
            EXPECT_GE(vehicle.speedKnots(), 0.0);
            EXPECT_LE(vehicle.speedKnots(), 30.0 * 3600 / 1852 + 1e-9);
            EXPECT_GE(vehicle.courseDegrees(), 0.0);
            EXPECT_LT(vehicle.courseDegrees(), 360.0);
            before = now;
        }
        // Half an hour of town driving covers kilometres, not metres.
        EXPECT_GT(vehicle.distanceMetres(), 5000.0);
    }
}

TEST(SimulatedVehicleTest, CourseFollowsTheDirectionOfTravel)
{
    // A square of about 1 km: north, east, south, west.
    std::vector<GeoPoint> square{{0.0, 0.0}, {0.009, 0.0}, {0.009, 0.009}, {0.0, 0.009}};
    SimulatedVehicle vehicle(square, 1);
    const double expected[] = {0.0, 90.0, 180.0, 270.0};
    int seen = 0;
    double lastCourse = -1;
    for (int second = 0; second < 3600 && seen < 4; ++second) {
        vehicle.advance(1.0);
        double course = vehicle.courseDegrees();
        if (course != lastCourse) {
            ASSERT_LT(seen, 4);
            EXPECT_NEAR(course, expected[seen], 0.01);
            ++seen;
            lastCourse = course;
        }
    }
    EXPECT_EQ(seen, 4);
}

TEST(SimulatedVehicleTest, RejectsRoutesWithoutLength)
{
    EXPECT_THROW(SimulatedVehicle({{1.0, 1.0}}, 1), std::invalid_argument);
    EXPECT_THROW(SimulatedVehicle({{1.0, 1.0}, {1.0, 1.0}}, 1), std::invalid_argument);
}
