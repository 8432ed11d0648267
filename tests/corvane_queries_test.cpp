// corvane's co-simulation status queries, fmi2CancelStep and the real input
// and output derivative tables, as a host sees them: the fixed answers by
// status kind (with and without an instance), the refusal of a null value
// pointer, the exact 13.0 rule of the input derivatives, the 13.0 output
// derivatives, and the refusal of table positions outside the six entries.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "fmi2_fixture.h"
#include "support.h"

namespace {

using namespace expected;

constexpr char pendingStatusText[] =
    "Did fmi2DoStep really return with fmi2Pending? Then its time to implement this function";

class CorvaneQueries : public ::testing::Test {
protected:
    Fmi2Fixture f{CORVANE_LIBRARY};
    fmi2Component ball() { return f.initialised(fmi2True, fmi2CoSimulation); }
};

// Sentinels the queries must leave alone where they decline.
// A status sentinel must be an enumerator (an fmi2Status holding any other
// number is undefined behaviour); fmi2GetStatus never writes fmi2Pending.
constexpr fmi2Status untouchedStatus = fmi2Pending;
constexpr fmi2Real untouchedReal = -123.5;
constexpr fmi2Integer untouchedInteger = 4242;
constexpr fmi2Boolean untouchedBoolean = 7;
const fmi2String untouchedString = "untouched";

struct KindRow {
    int kind;
    fmi2Status status;      // fmi2GetStatus
    bool statusWritten;     // writes fmi2OK
    fmi2Status real;        // fmi2GetRealStatus
    bool realWritten;       // writes 0.01
    fmi2Status string;      // fmi2GetStringStatus
    bool stringWritten;     // writes the pending-status text
};

// Integer and boolean queries decline every kind; the others answer one each.
const KindRow kindTable[] = {
    {fmi2DoStepStatus, fmi2OK, true, fmi2Discard, false, fmi2Discard, false},
    {fmi2PendingStatus, fmi2Discard, false, fmi2Discard, false, fmi2Discard, true},
    {fmi2LastSuccessfulTime, fmi2Discard, false, fmi2OK, true, fmi2Discard, false},
    {fmi2Terminated, fmi2Discard, false, fmi2Discard, false, fmi2Discard, false},
    {4, fmi2Discard, false, fmi2Discard, false, fmi2Discard, false},
    {-1, fmi2Discard, false, fmi2Discard, false, fmi2Discard, false},
    {INT_MAX, fmi2Discard, false, fmi2Discard, false, fmi2Discard, false},
};

void expectKindTable(Fmi2Fixture& f, fmi2Component c) {
    for (const KindRow& row : kindTable) {
        SCOPED_TRACE("status kind " + std::to_string(row.kind));
        const auto kind = static_cast<fmi2StatusKind>(row.kind);

        fmi2Status status = untouchedStatus;
        EXPECT_EQ(f.api.fmi2GetStatus(c, kind, &status), row.status) << "fmi2GetStatus";
        EXPECT_EQ(status, row.statusWritten ? fmi2OK : untouchedStatus) << "fmi2GetStatus value";

        fmi2Real real = untouchedReal;
        EXPECT_EQ(f.api.fmi2GetRealStatus(c, kind, &real), row.real) << "fmi2GetRealStatus";
        EXPECT_EQ(real, row.realWritten ? lastSuccessfulTime : untouchedReal) << "fmi2GetRealStatus value";

        fmi2Integer integer = untouchedInteger;
        EXPECT_EQ(f.api.fmi2GetIntegerStatus(c, kind, &integer), fmi2Discard) << "fmi2GetIntegerStatus";
        EXPECT_EQ(integer, untouchedInteger) << "fmi2GetIntegerStatus value";

        fmi2Boolean boolean = untouchedBoolean;
        EXPECT_EQ(f.api.fmi2GetBooleanStatus(c, kind, &boolean), fmi2Discard) << "fmi2GetBooleanStatus";
        EXPECT_EQ(boolean, untouchedBoolean) << "fmi2GetBooleanStatus value";

        fmi2String string = untouchedString;
        EXPECT_EQ(f.api.fmi2GetStringStatus(c, kind, &string), row.string) << "fmi2GetStringStatus";
        if (row.stringWritten) {
            ASSERT_NE(string, nullptr);
            EXPECT_STREQ(string, pendingStatusText);
        } else {
            EXPECT_EQ(string, untouchedString) << "fmi2GetStringStatus value";
        }
    }
}

TEST_F(CorvaneQueries, AnswerEveryStatusKindWithTheFixedTable) {
    fmi2Component c = ball();
    {
        SCOPED_TRACE("before any communication step");
        expectKindTable(f, c);
    }
    ASSERT_EQ(f.api.fmi2DoStep(c, 0.0, 0.5, fmi2False), fmi2OK);
    ASSERT_EQ(f.api.fmi2DoStep(c, 0.5, 2.0, fmi2False), fmi2Discard);
    {
        SCOPED_TRACE("after steps that ended at 0.5 and short of 2.5");
        expectKindTable(f, c);
    }
    {
        SCOPED_TRACE("without an instance");
        expectKindTable(f, nullptr);
    }
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(CorvaneQueries, HandOutOneConstantPendingStatusText) {
    fmi2String first = nullptr;
    fmi2String second = nullptr;
    EXPECT_EQ(f.api.fmi2GetStringStatus(ball(), fmi2PendingStatus, &first), fmi2Discard);
    EXPECT_EQ(f.api.fmi2GetStringStatus(nullptr, fmi2PendingStatus, &second), fmi2Discard);
    EXPECT_EQ(first, second) << "the text is the library's own constant, not a per-call copy";
    EXPECT_FALSE(f.host.owns(first)) << "the text must not be a block from the host's allocator";
    EXPECT_EQ(f.host.allocationCount, 1u) << "only the record was allocated";
}

TEST_F(CorvaneQueries, RefuseANullValuePointerWhereTheyWouldWriteAndLogNothing) {
    fmi2Component c = ball();
    for (fmi2Component instance : {c, fmi2Component{nullptr}}) {
        SCOPED_TRACE(instance == nullptr ? "without an instance" : "with an instance");
        EXPECT_EQ(f.api.fmi2GetStatus(instance, fmi2DoStepStatus, nullptr), fmi2Error);
        EXPECT_EQ(f.api.fmi2GetRealStatus(instance, fmi2LastSuccessfulTime, nullptr), fmi2Error);
        EXPECT_EQ(f.api.fmi2GetStringStatus(instance, fmi2PendingStatus, nullptr), fmi2Error);
        // Where the table writes nothing, a null pointer changes nothing.
        EXPECT_EQ(f.api.fmi2GetStatus(instance, fmi2Terminated, nullptr), fmi2Discard);
        EXPECT_EQ(f.api.fmi2GetRealStatus(instance, fmi2DoStepStatus, nullptr), fmi2Discard);
        EXPECT_EQ(f.api.fmi2GetIntegerStatus(instance, fmi2DoStepStatus, nullptr), fmi2Discard);
        EXPECT_EQ(f.api.fmi2GetBooleanStatus(instance, fmi2LastSuccessfulTime, nullptr), fmi2Discard);
        EXPECT_EQ(f.api.fmi2GetStringStatus(instance, fmi2Terminated, nullptr), fmi2Discard);
    }
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(CorvaneQueries, CancelStepAlwaysSucceeds) {
    EXPECT_EQ(f.api.fmi2CancelStep(nullptr), fmi2OK);
    fmi2Component c = ball();
    EXPECT_EQ(f.api.fmi2CancelStep(c), fmi2OK);
    ASSERT_EQ(f.api.fmi2DoStep(c, 0.0, 0.05, fmi2False), fmi2OK);
    const double height = f.real(c, 0);
    EXPECT_EQ(f.api.fmi2CancelStep(c), fmi2OK);
    EXPECT_EQ(f.real(c, 0), height) << "cancelling changed the model";
    EXPECT_TRUE(f.host.log.empty());
}

// The input derivatives are accepted only when each is exactly 13.0; the
// first other value ends the call with Fatal.
TEST_F(CorvaneQueries, AcceptInputDerivativesOnlyWhenEachIsExactly13) {
    struct Case {
        const char* what;
        std::vector<fmi2Real> values;
        fmi2Status status;
    };
    const Case cases[] = {
        {"13.0 and 13.0", {derivativeTableValue, derivativeTableValue}, fmi2OK},
        {"13.0 then 12.0", {derivativeTableValue, 12.0}, fmi2Fatal},
        {"12.0 then 13.0", {12.0, derivativeTableValue}, fmi2Fatal},
        {"-13.0", {-derivativeTableValue, derivativeTableValue}, fmi2Fatal},
        {"the next double above 13.0", {std::nextafter(derivativeTableValue, 14.0), derivativeTableValue}, fmi2Fatal},
        {"the next double below 13.0", {std::nextafter(derivativeTableValue, 0.0), derivativeTableValue}, fmi2Fatal},
        {"NaN", {derivativeTableValue, std::numeric_limits<double>::quiet_NaN()}, fmi2Fatal},
    };
    const fmi2ValueReference vr[] = {0, 1};
    const fmi2Integer order[] = {1, 1};
    for (const Case& inputCase : cases) {
        SCOPED_TRACE(inputCase.what);
        fmi2Component c = ball();
        EXPECT_EQ(f.api.fmi2SetRealInputDerivatives(c, vr, 2, order, inputCase.values.data()), inputCase.status);
        // A refused value marks nothing: the instance goes on working.
        const fmi2Real thirteen[] = {derivativeTableValue, derivativeTableValue};
        EXPECT_EQ(f.api.fmi2SetRealInputDerivatives(c, vr, 2, order, thirteen), fmi2OK);
        EXPECT_EQ(f.api.fmi2DoStep(c, 0.0, 0.05, fmi2False), fmi2OK);
    }
    EXPECT_TRUE(f.host.log.empty()) << "a refused input derivative is reported by its status alone";
}

TEST_F(CorvaneQueries, AcceptAnEmptyInputDerivativeCall) {
    fmi2Component c = ball();
    EXPECT_EQ(f.api.fmi2SetRealInputDerivatives(c, nullptr, 0, nullptr, nullptr), fmi2OK);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(CorvaneQueries, HandOut13ForEveryOutputDerivative) {
    fmi2Component c = ball();
    const fmi2ValueReference vr[] = {0, 0, 1, 1, 0, 1};
    const fmi2Integer order[] = {1, 2, 1, 2, 0, 0};
    const auto expectAll13 = [&](const char* when) {
        fmi2Real values[6] = {0, 0, 0, 0, 0, 0};
        EXPECT_EQ(f.api.fmi2GetRealOutputDerivatives(c, vr, 6, order, values), fmi2OK) << when;
        for (fmi2Real value : values) EXPECT_EQ(value, derivativeTableValue) << when;
    };
    expectAll13("after initialisation");
    const fmi2Real inputs[] = {12.0, derivativeTableValue};
    EXPECT_EQ(f.api.fmi2SetRealInputDerivatives(c, vr, 2, order, inputs), fmi2Fatal);
    expectAll13("after input derivatives were set");
    EXPECT_EQ(f.api.fmi2DoStep(c, 0.0, 1.5, fmi2False), fmi2Discard);
    expectAll13("after communication steps");
    fmi2Real untouched = untouchedReal;
    EXPECT_EQ(f.api.fmi2GetRealOutputDerivatives(c, nullptr, 0, nullptr, &untouched), fmi2OK);
    EXPECT_EQ(untouched, untouchedReal);
}

// Entry (vr, order) lies at vr * 3 + order of the six entries; only
// positions 0 to 5 exist, whatever the pair that forms them.
TEST_F(CorvaneQueries, RefuseDerivativeTablePositionsOutsideTheTable) {
    struct Case {
        fmi2ValueReference vr;
        fmi2Integer order;
        bool inTable;
    };
    const Case cases[] = {
        {0, 0, true},          {1, 2, true},          {0, 3, true} /* position 3 */, {1, -1, true} /* position 2 */,
        {2, 0, false},         {1, 3, false},         {0, -1, false},                {0, INT_MAX, false},
        {0, INT_MIN, false},   {UINT_MAX, 0, false},  {UINT_MAX, INT_MIN, false},    {0x55555556u, -2, false},
    };
    fmi2Component c = ball();
    for (const Case& position : cases) {
        SCOPED_TRACE("value reference " + std::to_string(position.vr) + ", order " + std::to_string(position.order));
        // The entry sits between two good ones: the good one before is done,
        // the one after is not reached when the middle one is refused.
        const fmi2ValueReference vr[] = {0, position.vr, 1};
        const fmi2Integer order[] = {1, position.order, 1};

        f.host.log.clear();
        fmi2Real out[] = {untouchedReal, untouchedReal, untouchedReal};
        const fmi2Status outStatus = f.api.fmi2GetRealOutputDerivatives(c, vr, 3, order, out);
        EXPECT_EQ(out[0], derivativeTableValue);
        if (position.inTable) {
            EXPECT_EQ(outStatus, fmi2OK);
            EXPECT_EQ(out[1], derivativeTableValue);
            EXPECT_EQ(out[2], derivativeTableValue);
        } else {
            EXPECT_EQ(outStatus, fmi2Error);
            EXPECT_EQ(out[1], untouchedReal);
            EXPECT_EQ(out[2], untouchedReal) << "an element after the refused one was processed";
        }

        // The last input value would be Fatal if it were reached.
        const fmi2Real in[] = {derivativeTableValue, derivativeTableValue, 12.0};
        const fmi2Status inStatus = f.api.fmi2SetRealInputDerivatives(c, vr, 3, order, in);
        EXPECT_EQ(inStatus, position.inTable ? fmi2Fatal : fmi2Error);

        const auto errors = f.logged("ERROR");
        ASSERT_EQ(errors.size(), position.inTable ? 0u : 2u);
        const char* functions[] = {"fmi2GetRealOutputDerivatives", "fmi2SetRealInputDerivatives"};
        for (std::size_t k = 0; k < errors.size(); ++k) {
            EXPECT_EQ(errors[k].status, fmi2Error);
            EXPECT_EQ(errors[k].instanceName, "ball");
            EXPECT_EQ(errors[k].text.rfind(functions[k], 0), 0u) << errors[k].text;
            EXPECT_NE(errors[k].text.find(std::to_string(position.vr)), std::string::npos) << errors[k].text;
            EXPECT_NE(errors[k].text.find(std::to_string(position.order)), std::string::npos) << errors[k].text;
            EXPECT_NE(errors[k].format, errors[k].text) << "the message must be a format with arguments";
        }
        EXPECT_EQ(f.host.log.size(), errors.size());
    }
}

TEST_F(CorvaneQueries, RefuseANullInstanceOrMissingArraysInTheDerivativeFunctions) {
    const fmi2ValueReference vr[] = {0};
    const fmi2Integer order[] = {1};
    const fmi2Real thirteen[] = {derivativeTableValue};
    fmi2Real out[] = {untouchedReal};
    EXPECT_EQ(f.api.fmi2SetRealInputDerivatives(nullptr, vr, 1, order, thirteen), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2SetRealInputDerivatives(nullptr, nullptr, 0, nullptr, nullptr), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2GetRealOutputDerivatives(nullptr, vr, 1, order, out), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2GetRealOutputDerivatives(nullptr, nullptr, 0, nullptr, nullptr), fmi2Fatal);
    EXPECT_EQ(out[0], untouchedReal);
    EXPECT_TRUE(f.host.log.empty());

    fmi2Component c = ball();
    EXPECT_EQ(f.api.fmi2SetRealInputDerivatives(c, nullptr, 1, order, thirteen), fmi2Error);
    EXPECT_EQ(f.api.fmi2SetRealInputDerivatives(c, vr, 1, nullptr, thirteen), fmi2Error);
    EXPECT_EQ(f.api.fmi2SetRealInputDerivatives(c, vr, 1, order, nullptr), fmi2Error);
    EXPECT_EQ(f.api.fmi2GetRealOutputDerivatives(c, nullptr, 1, order, out), fmi2Error);
    EXPECT_EQ(f.api.fmi2GetRealOutputDerivatives(c, vr, 1, nullptr, out), fmi2Error);
    EXPECT_EQ(f.api.fmi2GetRealOutputDerivatives(c, vr, 1, order, nullptr), fmi2Error);
    EXPECT_EQ(out[0], untouchedReal);
    const auto errors = f.logged("ERROR");
    ASSERT_EQ(errors.size(), 6u);
    for (const auto& error : errors) EXPECT_EQ(error.status, fmi2Error);
    EXPECT_EQ(f.host.log.size(), 6u);
}

}  // namespace
