// corvane driven as a co-simulation master drives it: initialise, then one
// fmi2DoStep per communication step from 0 to 3 s, reading height and
// velocity at every communication point. Whatever the communication step,
// the mass must rebound at every floor contact and never be found below the
// floor. Also the library's binary surface: exactly the co-simulation exports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "fmi2_fixture.h"
#include "support.h"

namespace {

using namespace expected;

constexpr double endTime = 3.0;

struct Point {
    double time;
    double height;
    double velocity;
};

std::vector<Point> simulate(Fmi2Fixture& f, double communicationStep) {
    fmi2Component c = f.initialised(fmi2False, fmi2CoSimulation);
    std::vector<Point> points;
    if (c == nullptr) return points;
    const int calls = static_cast<int>(std::lround(endTime / communicationStep));
    for (int k = 0; k < calls; ++k) {
        const double point = k * communicationStep;
        const fmi2Status status = f.api.fmi2DoStep(c, point, communicationStep, fmi2True);
        EXPECT_EQ(status, fmi2OK) << "fmi2DoStep at t = " << point;
        points.push_back({point + communicationStep, f.real(c, heightRef), f.real(c, velocityRef)});
        if (status != fmi2OK) break;
    }
    return points;
}

// Indices of the points where the velocity has turned from falling to rising:
// only a rebound raises it, gravity only lowers it.
std::vector<std::size_t> contacts(const std::vector<Point>& points) {
    std::vector<std::size_t> found;
    for (std::size_t i = 1; i < points.size(); ++i)
        if (points[i - 1].velocity < 0.0 && points[i].velocity > 0.0) found.push_back(i);
    return found;
}

class CorvaneMaster : public ::testing::TestWithParam<double> {
protected:
    Fmi2Fixture f{CORVANE_LIBRARY};
};

TEST_P(CorvaneMaster, KeepsTheMassBouncingAboveTheFloorUntilThreeSeconds) {
    const double step = GetParam();
    const std::vector<Point> points = simulate(f, step);
    ASSERT_EQ(points.size(), static_cast<std::size_t>(std::lround(endTime / step)));

    for (const Point& p : points) ASSERT_GE(p.height, 0.0) << "the mass is below the floor at t = " << p.time;

    const std::vector<std::size_t> found = contacts(points);
    // From 1 m at 4 m/s up: the mass lands near t = 1.016 (the Euler steps
    // a little later) falling at about 5.97 m/s and leaves at half that
    // speed; then it bounces ever lower.
    ASSERT_GE(found.size(), 5u) << "the mass stopped rebounding";
    const Point& first = points[found.front()];
    EXPECT_GT(first.time, 1.0);
    EXPECT_LT(first.time, 1.1);
    EXPECT_GT(first.velocity, 2.5) << "first rebound at t = " << first.time;
    EXPECT_LT(first.velocity, 3.1) << "first rebound at t = " << first.time;

    // Each of the first bounces peaks lower than the one before.
    double previousApex = 1e9;
    for (std::size_t n = 0; n + 1 < 4; ++n) {
        double apex = 0.0;
        for (std::size_t i = found[n]; i < found[n + 1]; ++i) apex = std::max(apex, points[i].height);
        EXPECT_LT(apex, previousApex) << "bounce " << n + 1 << " rose higher than the one before";
        previousApex = apex;
    }
}

// With calls of at most one internal step each contact is handled at the end
// of the call that crossed the floor: the mass stands on the floor, rising at
// half the speed its one Euler step gave it. A call of 0.01 takes a full
// internal step; a shorter one a single cut step from its start to its end.
class CorvaneShortCallMaster : public CorvaneMaster {};

TEST_P(CorvaneShortCallMaster, ReboundsAtTheEndOfTheCallThatCrossesTheFloor) {
    const double step = GetParam();
    const std::vector<Point> points = simulate(f, step);
    const std::vector<std::size_t> found = contacts(points);
    ASSERT_FALSE(found.empty());
    for (std::size_t i : found) {
        SCOPED_TRACE("contact in the call ending at t = " + std::to_string(points[i].time));
        const double point = static_cast<double>(i) * step;  // where the master started this call
        const double dt = InternalClock(point, step).advance();  // the call's one internal step
        const Motion falling = eulerStep({points[i - 1].height, points[i - 1].velocity}, dt);
        EXPECT_EQ(points[i].height, 0.0);
        EXPECT_EQ(points[i].velocity, rebound(falling).velocity);
    }
}

std::string stepName(const ::testing::TestParamInfo<double>& info) {
    return "step" + std::to_string(std::lround(info.param * 1000)) + "ms";
}

INSTANTIATE_TEST_SUITE_P(CommunicationSteps, CorvaneMaster, ::testing::Values(0.05, 0.01, 0.005), stepName);
INSTANTIATE_TEST_SUITE_P(CommunicationSteps, CorvaneShortCallMaster, ::testing::Values(0.01, 0.005), stepName);

// The plainest master: t += h from 0, a thousand calls for each everyday step
// size (h = 1.0 runs to t = 1000). A step of 1.0 reaches the cap of 100
// internal steps a rounding short of its end; that is no shortfall, so every
// call answers fmi2OK. A step materially longer than 100 internal steps still
// answers fmi2Discard wherever the master stands.
TEST(CorvanePlainMaster, AnswersOkOnEveryCallOfAnEverydayStepSize) {
    for (const double h : {0.001, 0.01, 0.05, 0.1, 0.25, 0.5, 1.0}) {
        SCOPED_TRACE("h = " + std::to_string(h));
        Fmi2Fixture f{CORVANE_LIBRARY};
        fmi2Component c = f.initialised(fmi2False, fmi2CoSimulation);
        double t = 0.0;
        int notOk = 0;
        for (int call = 0; call < 1000; ++call) {
            const fmi2Status status = f.api.fmi2DoStep(c, t, h, fmi2True);
            if (status != fmi2OK && notOk++ == 0)
                ADD_FAILURE() << "fmi2DoStep(" << t << ", " << h << ") answered " << status << ", call " << call;
            t += h;
        }
        EXPECT_EQ(notOk, 0) << "calls that did not answer fmi2OK";
        EXPECT_EQ(f.api.fmi2DoStep(c, t, 1.000001, fmi2True), fmi2Discard) << "from t = " << t;
    }
}

}  // namespace
