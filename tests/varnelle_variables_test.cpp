// varnelle's variables as an FMI 3.0 host meets them: start values from
// instantiation on and again after a reset, values set before initialisation
// kept, each refused access (nothing written, the old value kept), booleans
// as one byte each, strings and binaries copied in, the array `samples`.
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "fmi3_fixture.h"

namespace {

class VarnelleVariables : public ::testing::Test, public Fmi3Fixture {
protected:
    std::string string(fmi3Instance c, fmi3ValueReference vr) {
        fmi3String text = "not written";
        EXPECT_EQ(api.fmi3GetString(c, &vr, 1, &text, 1), fmi3OK);
        return text != nullptr ? text : "(null)";
    }
    std::string binary(fmi3Instance c) {
        const fmi3ValueReference vr = ev::binaryRef;
        fmi3Binary bytes = nullptr;
        std::size_t size = 12345;
        EXPECT_EQ(api.fmi3GetBinary(c, &vr, 1, &size, &bytes, 1), fmi3OK);
        return bytes != nullptr ? std::string(reinterpret_cast<const char*>(bytes), size) : "(null)";
    }
    std::vector<double> samples(fmi3Instance c) {
        std::vector<double> values(3, -1.0);
        const fmi3ValueReference vr = ev::samplesRef;
        EXPECT_EQ(api.fmi3GetFloat64(c, &vr, 1, values.data(), values.size()), fmi3OK);
        return values;
    }
    void expectStartValues(fmi3Instance c) {
        EXPECT_EQ(float64(c, ev::heightRef), expected::startHeight);
        EXPECT_EQ(float64(c, ev::velocityRef), expected::startVelocity);
        EXPECT_EQ(float64(c, ev::gravityRef), expected::startGravity);
        EXPECT_EQ(float64(c, ev::restitutionRef), expected::startRestitution);
        EXPECT_EQ(float64(c, ev::restSpeedRef), expected::startRestSpeed);
        EXPECT_EQ(samples(c), std::vector<double>(std::begin(ev::startSamples), std::end(ev::startSamples)));
        for (unsigned k = 0; k < 4; ++k) {
            fmi3Int32 integer = -1;
            fmi3Boolean boolean = true;
            EXPECT_EQ(api.fmi3GetInt32(c, &ev::integerRefs[k], 1, &integer, 1), fmi3OK);
            EXPECT_EQ(api.fmi3GetBoolean(c, &ev::booleanRefs[k], 1, &boolean, 1), fmi3OK);
            EXPECT_EQ(integer, 0);
            EXPECT_FALSE(boolean);
            EXPECT_EQ(string(c, ev::stringRefs[k]), ev::startStrings[k]);
        }
        EXPECT_EQ(binary(c), std::string(reinterpret_cast<const char*>(ev::startBinary), sizeof ev::startBinary));
    }
};

TEST_F(VarnelleVariables, StartValuesHoldFromInstantiationAndAgainAfterReset) {
    fmi3Instance c = modelExchange();
    expectStartValues(c);
    initialised(c);
    const fmi3String text = "changed";
    ASSERT_EQ(api.fmi3SetString(c, &ev::stringRefs[3], 1, &text, 1), fmi3OK);
    ASSERT_EQ(setFloat64(c, ev::gravityRef, -1.5), fmi3OK);
    ASSERT_EQ(api.fmi3Reset(c), fmi3OK);
    expectStartValues(c);
}

// What FMI 3.0 hosts rely on for a start value given on their command line.
TEST_F(VarnelleVariables, ValuesSetBeforeInitialisationAreKept) {
    fmi3Instance c = coSimulation();
    ASSERT_EQ(setFloat64(c, ev::heightRef, 2.0), fmi3OK);
    ASSERT_EQ(setFloat64(c, ev::restSpeedRef, 0.5), fmi3OK);
    initialised(c);
    EXPECT_EQ(float64(c, ev::heightRef), 2.0);
    EXPECT_EQ(float64(c, ev::restSpeedRef), 0.5);
}

TEST_F(VarnelleVariables, CalculatedVariablesFollowTheModel) {
    fmi3Instance c = initialised(modelExchange());
    ASSERT_EQ(setFloat64(c, ev::gravityRef, -3.0), fmi3OK);
    EXPECT_EQ(float64(c, ev::accelerationRef), -3.0);
    EXPECT_EQ(float64(c, ev::contactRef), expected::eventIndicator(expected::startHeight));
    EXPECT_EQ(float64(c, ev::timeRef), 0.0);
}

// Each refusal: fmi3Error, one message naming the function and what is
// wrong, nothing written (read back in Terminated, where getters stay).
struct BadAccess {
    const char* what;
    std::function<fmi3Status(host::Fmi3Api&, fmi3Instance)> call;
    const char* message;
};

TEST_F(VarnelleVariables, RefusesEachBadAccessAndWritesNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<BadAccess> cases = {
        {"unknown reference",
         [](host::Fmi3Api& a, fmi3Instance c) {
             const fmi3ValueReference vrs[] = {ev::gravityRef, 99};
             const double values[] = {-1.0, 2.0};
             return a.fmi3SetFloat64(c, vrs, 2, values, 2);
         },
         "fmi3SetFloat64: valueReferences[1] = 99 is not a variable of the model"},
        {"another type",
         [](host::Fmi3Api& a, fmi3Instance c) {
             const fmi3ValueReference vrs[] = {ev::gravityRef};
             const fmi3Int32 values[] = {1};
             return a.fmi3SetInt32(c, vrs, 1, values, 1);
         },
         "fmi3SetInt32: valueReferences[0] = 4 is gravity, a Float64 variable, not Int32"},
        {"a type without variables",
         [](host::Fmi3Api& a, fmi3Instance c) {
             const fmi3ValueReference vrs[] = {ev::gravityRef};
             float value = 0.0f;
             return a.fmi3GetFloat32(c, vrs, 1, &value, 1);
         },
         "fmi3GetFloat32: valueReferences[0] = 4 is gravity, a Float64 variable, not Float32"},
        {"nValues not the array's size",
         [](host::Fmi3Api& a, fmi3Instance c) {
             const fmi3ValueReference vrs[] = {ev::gravityRef, ev::samplesRef};
             const double values[] = {-1.0, 1.0, 2.0};
             return a.fmi3SetFloat64(c, vrs, 2, values, 3);
         },
         "fmi3SetFloat64: nValues is 3, but the value references denote 4 values"},
        {"null values with a count",
         [](host::Fmi3Api& a, fmi3Instance c) {
             const fmi3ValueReference vrs[] = {ev::gravityRef};
             return a.fmi3SetFloat64(c, vrs, 1, nullptr, 1);
         },
         "fmi3SetFloat64: values is null while its count is 1"},
        {"NaN to a parameter",
         [nan](host::Fmi3Api& a, fmi3Instance c) {
             const fmi3ValueReference vrs[] = {ev::gravityRef};
             return a.fmi3SetFloat64(c, vrs, 1, &nan, 1);
         },
         "fmi3SetFloat64: value nan at index 0 for gravity is not a finite number"},
        {"restitution above its maximum",
         [](host::Fmi3Api& a, fmi3Instance c) {
             const fmi3ValueReference vrs[] = {ev::gravityRef, ev::restitutionRef};
             const double values[] = {-1.0, 1.5};
             return a.fmi3SetFloat64(c, vrs, 2, values, 2);
         },
         "fmi3SetFloat64: value 1.5 at index 1 for restitution is outside its range 0 to 1"},
        {"the independent variable",
         [](host::Fmi3Api& a, fmi3Instance c) {
             const fmi3ValueReference vrs[] = {ev::timeRef};
             const double value = 1.0;
             return a.fmi3SetFloat64(c, vrs, 1, &value, 1);
         },
         "fmi3SetFloat64: valueReferences[0] = 0 (time, the independent variable) cannot be set in Event Mode"},
        {"a fixed parameter after initialisation",
         [](host::Fmi3Api& a, fmi3Instance c) {
             const fmi3ValueReference vrs[] = {ev::restSpeedRef};
             const double value = 1.0;
             return a.fmi3SetFloat64(c, vrs, 1, &value, 1);
         },
         "fmi3SetFloat64: valueReferences[0] = 7 (restSpeed, a fixed parameter) cannot be set in Event Mode"},
    };
    for (const BadAccess& k : cases) {
        SCOPED_TRACE(k.what);
        fmi3Instance c = initialised(modelExchange());
        EXPECT_EQ(k.call(api, c), fmi3Error);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].text, k.message);
        log.clear();
        EXPECT_EQ(float64(c, ev::gravityRef), expected::startGravity) << "nothing written";
        EXPECT_EQ(float64(c, ev::restitutionRef), expected::startRestitution);
        EXPECT_EQ(float64(c, ev::restSpeedRef), expected::startRestSpeed);
        expectTerminated(c);
        free(c);
    }
}

TEST_F(VarnelleVariables, ANullStringIsRefusedAndEveryStringKeepsItsValue) {
    fmi3Instance c = initialised(modelExchange());
    const fmi3String values[] = {"fine", nullptr};
    EXPECT_EQ(api.fmi3SetString(c, ev::stringRefs, 2, values, 2), fmi3Error);
    expectOneRefusal("fmi3SetString", "values[1] is null");
    EXPECT_EQ(string(c, ev::stringRefs[0]), ev::startStrings[0]);
}

// fmi3Boolean is one byte: a host passing FMI 2.0's four-byte booleans, or
// any byte but 0 and 1, is refused; reading such a byte as bool would be
// undefined behaviour.
TEST_F(VarnelleVariables, BooleansAreSingleBytesAndOtherBytesAreRefused) {
    fmi3Instance c = initialised(modelExchange());
    const unsigned char good[] = {1, 0, 1, 1};
    ASSERT_EQ(api.fmi3SetBoolean(c, ev::booleanRefs, 4, reinterpret_cast<const fmi3Boolean*>(good), 4), fmi3OK);
    unsigned char read[6];
    std::memset(read, 0xAA, sizeof read);
    ASSERT_EQ(api.fmi3GetBoolean(c, ev::booleanRefs, 4, reinterpret_cast<fmi3Boolean*>(read + 1), 4), fmi3OK);
    const unsigned char expectedBytes[6] = {0xAA, 1, 0, 1, 1, 0xAA};
    EXPECT_EQ(std::memcmp(read, expectedBytes, sizeof read), 0) << "one byte per value, nothing beside";

    const std::int32_t fourByteTrue = 2;  // a host's int holding 2, passed where booleans belong
    EXPECT_EQ(api.fmi3SetBoolean(c, ev::booleanRefs, 1, reinterpret_cast<const fmi3Boolean*>(&fourByteTrue), 1),
              fmi3Error);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, "fmi3SetBoolean: value 2 at index 0 is not a boolean; fmi3Boolean is one byte");
    log.clear();
    std::memset(read, 0xAA, sizeof read);
    ASSERT_EQ(api.fmi3GetBoolean(c, ev::booleanRefs, 4, reinterpret_cast<fmi3Boolean*>(read + 1), 4), fmi3OK);
    EXPECT_EQ(std::memcmp(read, expectedBytes, sizeof read), 0) << "the refused call wrote nothing";
}

TEST_F(VarnelleVariables, StringsAndBinariesAreCopiedInWithTheirZeroBytes) {
    fmi3Instance c = initialised(modelExchange());
    std::string text = "kept, \"quoted\" %s";
    fmi3String value = text.c_str();
    ASSERT_EQ(api.fmi3SetString(c, &ev::stringRefs[1], 1, &value, 1), fmi3OK);
    text.assign(text.size(), 'x');  // the host reuses its buffer
    EXPECT_EQ(string(c, ev::stringRefs[1]), "kept, \"quoted\" %s");

    // The same variable twice: the last value wins.
    const fmi3ValueReference twice[] = {ev::stringRefs[2], ev::stringRefs[2]};
    const fmi3String values[] = {"first", "second"};
    ASSERT_EQ(api.fmi3SetString(c, twice, 2, values, 2), fmi3OK);
    EXPECT_EQ(string(c, ev::stringRefs[2]), "second");

    std::string bytes("\0\1\0\2", 4);
    const std::size_t size = bytes.size();
    const auto data = reinterpret_cast<fmi3Binary>(bytes.data());
    ASSERT_EQ(api.fmi3SetBinary(c, &ev::binaryRef, 1, &size, &data, 1), fmi3OK);
    bytes.assign(4, 'x');
    EXPECT_EQ(binary(c), std::string("\0\1\0\2", 4));
    // A value handed out may come back in the next call.
    fmi3String own = nullptr;
    ASSERT_EQ(api.fmi3GetString(c, &ev::stringRefs[1], 1, &own, 1), fmi3OK);
    const fmi3ValueReference both[] = {ev::stringRefs[1], ev::stringRefs[3]};
    const fmi3String passedBack[] = {own, own};
    ASSERT_EQ(api.fmi3SetString(c, both, 2, passedBack, 2), fmi3OK);
    EXPECT_EQ(string(c, ev::stringRefs[3]), "kept, \"quoted\" %s");
}

TEST_F(VarnelleVariables, SamplesAreOneArrayOfThreeValues) {
    fmi3Instance c = initialised(modelExchange());
    const fmi3ValueReference vrs[] = {ev::gravityRef, ev::samplesRef};
    const double values[] = {-2.0, 7.0, 8.0, 9.0};
    ASSERT_EQ(api.fmi3SetFloat64(c, vrs, 2, values, 4), fmi3OK);
    EXPECT_EQ(samples(c), (std::vector<double>{7.0, 8.0, 9.0}));
    EXPECT_EQ(float64(c, ev::gravityRef), -2.0);
}

}  // namespace
