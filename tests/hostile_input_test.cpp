// Inputs the fuzzer found troublesome, kept as plain tests so that every
// build checks them, the sanitized ones with their detectors on.
#include <gtest/gtest.h>

#include <climits>

#include "harness.h"

namespace {

#ifdef CORVANE_LIBRARY
// Status kinds outside 0 to 3 must be declined like any unanswered kind,
// without the component ever holding them in an enum (undefined behaviour,
// which the sanitized builds report).
TEST(HostileInput, StatusQueriesDeclineEveryKindOutsideTheEnum) {
    host::Library library(CORVANE_LIBRARY);
    ASSERT_TRUE(library.loaded()) << library.error();
    const host::Fmi2Api api(library);
    for (const int kind : {4, 5, -1, 255, 256, INT_MAX, INT_MIN}) {
        fmi2Status status = fmi2Pending;
        fmi2Real real = -1.0;
        fmi2Integer integer = -1;
        fmi2Boolean boolean = -1;
        fmi2String text = nullptr;
        EXPECT_EQ(host::withIntEnum(api.fmi2GetStatus)(nullptr, kind, &status), fmi2Discard) << "kind " << kind;
        EXPECT_EQ(host::withIntEnum(api.fmi2GetRealStatus)(nullptr, kind, &real), fmi2Discard) << "kind " << kind;
        EXPECT_EQ(host::withIntEnum(api.fmi2GetIntegerStatus)(nullptr, kind, &integer), fmi2Discard) << "kind " << kind;
        EXPECT_EQ(host::withIntEnum(api.fmi2GetBooleanStatus)(nullptr, kind, &boolean), fmi2Discard) << "kind " << kind;
        EXPECT_EQ(host::withIntEnum(api.fmi2GetStringStatus)(nullptr, kind, &text), fmi2Discard) << "kind " << kind;
        EXPECT_EQ(status, fmi2Pending) << "kind " << kind << ": fmi2GetStatus wrote its value";
        EXPECT_EQ(real, -1.0) << "kind " << kind;
        EXPECT_EQ(integer, -1) << "kind " << kind;
        EXPECT_EQ(boolean, -1) << "kind " << kind;
        EXPECT_EQ(text, nullptr) << "kind " << kind;
    }
}
#endif

}  // namespace
