#include "engine/core/mix/FadeCurve.h"

#include <cmath>
#include <numbers>

namespace {

struct FadeCurveTable {
    float gains[kFadeCurveLength];
    FadeCurveTable()
    {
        for (int k = 0; k < kFadeCurveLength; ++k)
            gains[k] = static_cast<float>((1.0 + std::cos(std::numbers::pi * k / kFadeCurveLength)) / 2.0);
    }
};

}  // namespace

const float* FadeCurve()
{
    // A function-local static is initialised once and thread-safely.
    static const FadeCurveTable table;
    return table.gains;
}
