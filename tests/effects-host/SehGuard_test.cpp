// The guard around calls into plug-ins, alone: real faults of the x87 and SSE units and of memory
// are caught and leave the floating-point state at the program's defaults; C++ exceptions, normal
// returns and exceptions handled deeper down pass untouched; guards nest.
#include "effects-host/SehGuard.h"
#include "tests/effects-host/OstrelFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>
#include <xmmintrin.h>

namespace {

using ostrel_test::CurrentFloatingPointState;

void AccessViolation()
{
    volatile int* volatile address = nullptr;
    *address = 1;
}

// A plug-in that unmasks the SSE exceptions and divides by zero.
void SseDivideByZero()
{
    _mm_setcsr(_mm_getcsr() & ~_MM_MASK_MASK);
    volatile float zero = 0.0f;
    volatile float quotient = 1.0f / zero;
    (void)quotient;
}

// A plug-in that unmasks the x87 exceptions and divides by zero; the trap comes at the fwait.
void X87DivideByZero()
{
    const unsigned short unmasked = CurrentFloatingPointState().x87 & ~0x3F;
    asm volatile("fldcw %0" : : "m"(unmasked));
    asm volatile("fld1\n\tfldz\n\tfdivrp\n\tfstp %%st(0)\n\tfwait" : : : "st");
}

struct SetOnDestruction {
    bool& flag;
    ~SetOnDestruction() { flag = true; }
};

class SehGuardTest : public testing::Test {
protected:
    const ostrel_test::FloatingPointState start = CurrentFloatingPointState();
};

TEST_F(SehGuardTest, FaultsAreCaughtAndTheFloatingPointStateIsReset)
{
    struct FaultCase {
        const char* name;
        void (*body)();
        std::vector<DWORD> codes;
    };
    const FaultCase cases[] = {
        {"access violation", AccessViolation, {EXCEPTION_ACCESS_VIOLATION}},
        {"SSE divide by zero", SseDivideByZero, {EXCEPTION_FLT_DIVIDE_BY_ZERO, STATUS_FLOAT_MULTIPLE_TRAPS}},
        {"x87 divide by zero", X87DivideByZero, {EXCEPTION_FLT_DIVIDE_BY_ZERO, STATUS_FLOAT_MULTIPLE_TRAPS}},
    };
    for (const FaultCase& fault : cases) {
        DWORD code = 0;
        EXPECT_TRUE(CallFaulted([&] { fault.body(); }, &code)) << fault.name;
        EXPECT_NE(std::find(fault.codes.begin(), fault.codes.end(), code), fault.codes.end())
            << fault.name << ": 0x" << std::hex << code;
        EXPECT_EQ(CurrentFloatingPointState(), start) << fault.name;
        // Nothing is left pending: float work goes on without a trap.
        volatile float zero = 0.0f;
        volatile double x87 = 1.0L / static_cast<long double>(zero);
        EXPECT_TRUE(std::isinf(x87)) << fault.name;
    }
}

TEST_F(SehGuardTest, FramesBetweenTheFaultAndTheGuardAreUnwound)
{
    bool destroyed = false;
    EXPECT_TRUE(CallFaulted([&] {
        SetOnDestruction guard{destroyed};
        AccessViolation();
    }));
    EXPECT_TRUE(destroyed);
}

TEST_F(SehGuardTest, NormalReturnsAndCppExceptionsPassUntouched)
{
    int calls = 0;
    DWORD code = 12345;
    EXPECT_FALSE(CallFaulted([&] { ++calls; }, &code));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(code, 12345u);

    // What the body leaves behind without a fault is its own business: no reset.
    EXPECT_FALSE(CallFaulted([] { _mm_setcsr(_mm_getcsr() | _MM_FLUSH_ZERO_ON); }));
    EXPECT_EQ(CurrentFloatingPointState().sseControl, start.sseControl | _MM_FLUSH_ZERO_ON);
    _mm_setcsr(_mm_getcsr() & ~_MM_FLUSH_ZERO_ON);

    bool destroyed = false;
    bool caught = false;
    try {
        CallFaulted([&] {
            SetOnDestruction guard{destroyed};
            throw std::runtime_error("plug-in host error");
        });
    } catch (const std::runtime_error& error) {
        caught = std::string(error.what()) == "plug-in host error";
    }
    EXPECT_TRUE(caught);
    EXPECT_TRUE(destroyed);
}

TEST_F(SehGuardTest, ExceptionsHandledDeeperNeverReachTheGuard)
{
    // The platform's own guarded probe handles its access violation itself.
    bool bad = false;
    EXPECT_FALSE(CallFaulted([&] { bad = IsBadReadPtr(nullptr, 4) != 0; }));
    EXPECT_TRUE(bad);
}

TEST_F(SehGuardTest, GuardsNest)
{
    bool innerFaulted = false;
    bool afterInner = false;
    EXPECT_FALSE(CallFaulted([&] {
        innerFaulted = CallFaulted(AccessViolation);
        afterInner = true;
    }));
    EXPECT_TRUE(innerFaulted);
    EXPECT_TRUE(afterInner);

    bool innerReturned = false;
    bool innerResult = true;
    EXPECT_TRUE(CallFaulted([&] {
        innerResult = CallFaulted([&] { innerReturned = true; });
        AccessViolation();
    }));
    EXPECT_TRUE(innerReturned);
    EXPECT_FALSE(innerResult);

    // A fault inside an inner guard that the outer body then repeats is caught by each in turn.
    int faults = 0;
    for (int i = 0; i < 3; ++i)
        faults += CallFaulted([] {
            EXPECT_TRUE(CallFaulted(SseDivideByZero));
            AccessViolation();
        });
    EXPECT_EQ(faults, 3);
    EXPECT_EQ(CurrentFloatingPointState(), start);
}

}  // namespace
