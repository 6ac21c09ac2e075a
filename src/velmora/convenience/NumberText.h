#pragma once

#include <cstdint>
#include <string>

namespace velmora::detail {

// The shortest decimal that reads back as the same double, with ".0" on whole numbers ("25.0",
// "2.5", "-0.0"). Magnitudes from 1e-4 up to 2^53 are written without exponent; smaller and
// larger ones, as "1e-05" or "1e+16".
std::string ShortestDecimal(double value);

// `value` rounded to one decimal, halves away from zero: round(value * 10) / 10.
double RoundToTenths(double value);

// Upper-case hexadecimal without leading zeros ("0" for 0); a negative value is a minus sign and
// the digits of its magnitude.
std::string SignedHex(std::int64_t value);

}  // namespace velmora::detail
