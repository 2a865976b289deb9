// Constants of the inventory's mensuration formulas.
#pragma once

namespace arbelio::inventory {

// The value of pi that every section, circumference, basal area and quadratic mean diameter is
// computed with: 15 significant digits, so results agree to the digit with the inventory's own.
inline constexpr double kPi = 3.14159265358979;

}  // namespace arbelio::inventory
