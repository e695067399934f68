#include "platform/MulDiv.h"

#include <limits>

int32_t MulDiv(int32_t Number, int32_t Numerator, int32_t Denominator)
{
  if (Denominator == 0)
    return -1;
  const int64_t product = int64_t(Number) * Numerator;
  const bool negative = (product < 0) != (Denominator < 0);
  const uint64_t absProduct = product < 0 ? uint64_t(-product) : uint64_t(product);
  const uint64_t absDenominator = Denominator < 0 ? uint64_t(-int64_t(Denominator)) : uint64_t(Denominator);
  const uint64_t rounded = (absProduct + absDenominator / 2) / absDenominator;
  if (rounded > uint64_t(std::numeric_limits<int32_t>::max()) + (negative ? 1 : 0))
    return -1;
  return negative ? int32_t(-int64_t(rounded)) : int32_t(rounded);
}
