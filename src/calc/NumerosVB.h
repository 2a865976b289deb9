// Reading numbers the way the program's runtime did.
#pragma once

#include <string_view>

namespace arbelio::calc {

// The number at the start of a text: blanks are ignored anywhere, reading stops at the first
// character that cannot continue the number (sign, digits, one point, exponent), and a text
// without a leading number gives 0. "1 25" -> 125, "25a" -> 25, "x" -> 0, "2.5E1" -> 25.
double ValVB(std::string_view texto);

}  // namespace arbelio::calc
