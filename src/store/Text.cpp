#include "store/Text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace arbelio::store {

std::string toLowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return r;
}

std::string toUpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool EqualNoCase::operator()(std::string_view a, std::string_view b) const noexcept {
  return equalsNoCase(a, b);
}

std::string_view trimView(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\0')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\0')) --e;
  return s.substr(b, e - b);
}

std::string trimSpaces(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string trimWhitespace(std::string_view s) {
  auto blanco = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  };
  std::size_t b = 0, e = s.size();
  while (b < e && blanco(s[b])) ++b;
  while (e > b && blanco(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

char32_t nextUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t c = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    c = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    c = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    c = b0 & 0x07;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (b & 0x3F);
  }
  i += static_cast<std::size_t>(extra) + 1;
  return c;
}

}  // namespace arbelio::store

namespace arbelio::store {

namespace {

// The decimal m / 10^d that shortestFixedFloat writes for f; false when it leaves f to to_chars.
bool DecimalMasCorto(float f, std::uint64_t& m, int& d) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  const std::uint32_t campoExponente = (bits >> 23) & 0xFF;
  // Zero and subnormals, 2^23 and beyond (and infinities and NaNs) are left to to_chars; so is a
  // power of two (no mantissa bits), which is nearer to the float below it than to the one
  // above: not the even interval the test below assumes.
  if (campoExponente == 0 || campoExponente >= 127 + 23 || (bits & 0x7FFFFFu) == 0) return false;
  const double a = std::fabs(static_cast<double>(f));
  // Half the distance to the neighbouring floats, 2^(exponent - 24): a decimal nearer than that
  // reads back as f.
  double medio = 0;
  const std::uint64_t bitsMedio = static_cast<std::uint64_t>(campoExponente + 1023 - 151) << 52;
  std::memcpy(&medio, &bitsMedio, sizeof medio);
  double escala = 1;
  for (int decimales = 0; decimales <= 8; ++decimales, escala *= 10) {
    // Exact: a has 24 significant bits and 10^d at most 27, medio * 10^d is a power of two
    // times 5^d.
    const double x = a * escala;
    // The nearest whole number, ties to even (x is below 2^52, the rounding mode the default).
    const double entero = (x + 4503599627370496.0) - 4503599627370496.0;
    const double distancia = std::fabs(entero - x);
    const double limite = medio * escala;
    if (distancia == limite) return false;  // reads back by the tie rule: leave it to to_chars
    if (distancia > limite) continue;
    if (distancia == 0.5) return false;  // two texts as near: leave the choice to to_chars
    m = static_cast<std::uint64_t>(entero);
    d = decimales;
    return true;
  }
  return false;
}

}  // namespace

int writeDecimalBefore(bool negativo, std::uint64_t m, int d, char* fin, int cabe) {
  static constexpr std::uint64_t kPotencias[] = {1,
                                                 10,
                                                 100,
                                                 1000,
                                                 10000,
                                                 100000,
                                                 1000000,
                                                 10000000,
                                                 100000000,
                                                 1000000000,
                                                 10000000000,
                                                 100000000000,
                                                 1000000000000,
                                                 10000000000000,
                                                 100000000000000,
                                                 1000000000000000,
                                                 10000000000000000};
  // Digits of m: log10 from its bit length, corrected by one comparison.
  const int t = ((64 - std::countl_zero(m | 1)) * 1233) >> 12;
  const int cifras = m == 0 ? 1 : t - (m < kPotencias[t] ? 1 : 0) + 1;
  // Without decimals the digits; else at least one digit before the point ("0.0ddd").
  const int largo = (negativo ? 1 : 0) + (d == 0 ? cifras : std::max(cifras, d + 1) + 1);
  if (largo > cabe) return 0;
  char* p = fin;
  for (int k = 0; k < d; ++k) {
    *--p = static_cast<char>('0' + m % 10);
    m /= 10;
  }
  if (d > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m != 0);
  if (negativo) *--p = '-';
  return largo;
}

int shortestFixedFloat(float f, char* out) {
  std::uint64_t m = 0;
  int d = 0;
  if (!DecimalMasCorto(f, m, d)) return 0;
  char texto[32];
  const int n = writeDecimalBefore(f < 0, m, d, texto + sizeof texto, sizeof texto);
  std::memcpy(out, texto + sizeof texto - n, static_cast<std::size_t>(n));
  return n;
}

int shortestFixedFloatField(float f, char* campo, int ancho) {
  std::uint64_t m = 0;
  int d = 0;
  if (!DecimalMasCorto(f, m, d)) return 0;
  const int n = writeDecimalBefore(f < 0, m, d, campo + ancho, ancho);
  if (n > 0) std::memset(campo, ' ', static_cast<std::size_t>(ancho - n));
  return n;
}

}  // namespace arbelio::store
