// Small text helpers of the store: ASCII case folding for table and field names, UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace arbelio::store {

std::string toLowerAscii(std::string_view s);
std::string toUpperAscii(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
// Trimming, each for its kind of text: trimView drops spaces, tabs and NULs at both ends (the
// padding of stored values); trimSpaces drops spaces only (the runtime's Trim of a typed or
// stored text such as a table code); trimWhitespace drops every ASCII white space (lines and
// statements of text files).
std::string_view trimView(std::string_view s);
std::string trimSpaces(std::string_view s);
std::string trimWhitespace(std::string_view s);
void appendUtf8(std::string& out, char32_t c);

// Hash and equality of names without regard to ASCII letter case, for maps looked up by
// string_view without building a lower-case copy.
struct HashNoCase {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept {
    std::size_t h = 1469598103934665603ULL;
    for (char c : s) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return h;
  }
};
struct EqualNoCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept;
};
// Decodes one code point at s[i], advancing i; invalid bytes come back as U+FFFD.
char32_t nextUtf8(std::string_view s, std::size_t& i);

}  // namespace arbelio::store

namespace arbelio::store {

// The text std::to_chars(f, std::chars_format::fixed) writes for a single-precision value (the
// fewest decimals that read back as f, the closest of them), found without it for the values a
// table holds most: magnitudes below 2^23 that need at most 8 decimals and are not a power of
// two. Writes it to `out` (at least 20 characters) and gives its length; 0 when it cannot tell,
// and the caller then asks std::to_chars.
int shortestFixedFloat(float f, char* out);
// The same text written straight into a field of `ancho` characters, at its right with blanks
// before it, as a table stores a number; gives its length, or 0 (the field untouched) when
// shortestFixedFloat gives 0 or the text does not fit.
int shortestFixedFloatField(float f, char* campo, int ancho);
// Writes the decimal m / 10^d (m below 10^16, d below 16), with a minus sign when `negativo`, so
// that it ends just before `fin`: its digits, and with decimals a point and at least one digit
// before it ("0.05"). Gives its length, or 0 (nothing written) when that is more than `cabe`.
int writeDecimalBefore(bool negativo, std::uint64_t m, int d, char* fin, int cabe);

}  // namespace arbelio::store
