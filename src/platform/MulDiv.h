#pragma once

#include <cstdint>

// Number * Numerator / Denominator through a 64-bit intermediate, rounded to the nearest whole
// number (halves away from zero); -1 when Denominator is 0 or the result does not fit 32 bits.
int32_t MulDiv(int32_t Number, int32_t Numerator, int32_t Denominator);
