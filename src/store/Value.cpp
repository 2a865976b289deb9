#include "store/Value.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::store {

namespace {

// Plain decimals of at most 15 significant digits ("-12.5", "0.000369137") are exact integers
// divided by an exact power of ten, which IEEE division rounds correctly: the same double the
// general parser gives, much faster. Anything else goes to the general parser.
bool fastDecimal(std::string_view t, double& out) {
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && t[i] == '-') {
    negative = true;
    ++i;
  }
  std::uint64_t mantissa = 0;
  int digits = 0, decimals = 0;
  bool point = false, any = false;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c >= '0' && c <= '9') {
      any = true;
      if (mantissa == 0 && c == '0') {
        if (point) ++decimals;
        continue;  // leading zeros are not significant
      }
      if (++digits > 15) return false;
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      if (point) ++decimals;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (!any || decimals > 22) return false;
  double v = static_cast<double>(mantissa) / kPow10[decimals];
  out = negative ? -v : v;
  return true;
}

}  // namespace

DbfNumber parseDbfNumber(std::string_view raw, double& out) {
  std::size_t a = 0, b = raw.size();
  while (a < b && (raw[a] == ' ' || raw[a] == '\0')) ++a;
  while (b > a && (raw[b - 1] == ' ' || raw[b - 1] == '\0')) --b;
  if (a == b) return DbfNumber::Blank;
  std::string_view t = raw.substr(a, b - a);
  bool negative = false;
  if (t[0] == '-' || t[0] == '+') {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  // One pass checks the form and gathers up to 15 significant digits, which an exact division
  // by a power of ten turns into the correctly rounded double (as fastDecimal does).
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (t.size() <= 15) {
    // The fields of an inventory (a few characters each): at most 15 digits, all significant
    // for the exact division, so a digit costs one test. A whole number needs no division.
    std::uint64_t mantissa = 0;
    std::size_t punto = t.size();
    for (std::size_t i = 0; i < t.size(); ++i) {
      const unsigned d = static_cast<unsigned char>(t[i]) - unsigned{'0'};
      if (d <= 9) {
        mantissa = mantissa * 10 + d;
      } else if (t[i] == '.' && punto == t.size()) {
        punto = i;
      } else {
        return DbfNumber::Damaged;
      }
    }
    const bool conPunto = punto != t.size();
    if (t.size() == (conPunto ? 1u : 0u)) return DbfNumber::Damaged;  // no digit
    const std::size_t decimales = conPunto ? t.size() - 1 - punto : 0;
    const double v = decimales == 0 ? static_cast<double>(mantissa)
                                    : static_cast<double>(mantissa) / kPow10[decimales];
    out = negative ? -v : v;
    return DbfNumber::Number;
  }
  std::uint64_t mantissa = 0;
  int digits = 0, decimals = 0;
  bool point = false, digit = false;
  for (const char c : t) {
    if (c >= '0' && c <= '9') {
      digit = true;
      if (point) ++decimals;
      if (mantissa == 0 && c == '0') continue;  // leading zeros are not significant
      if (++digits <= 15) mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return DbfNumber::Damaged;
    }
  }
  if (!digit) return DbfNumber::Damaged;
  double v = 0;
  if (digits <= 15 && decimals <= 22) {
    v = static_cast<double>(mantissa) / kPow10[decimals];
  } else {
    // More digits: the general conversion, which refuses magnitudes beyond a double's range.
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(v)) {
      return DbfNumber::Damaged;
    }
  }
  out = negative ? -v : v;
  return DbfNumber::Number;
}

bool parseNumber(std::string_view text, double& out) {
  std::string_view t = trimView(text);
  if (!t.empty() && t[0] == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  // Only plain decimal notation: digits, one point (or one comma), sign, exponent. Rejects
  // "nan", "inf" and hexadecimal.
  std::size_t comma = std::string_view::npos;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if ((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E') {
      continue;
    }
    if (c == ',' && comma == std::string_view::npos) {
      comma = i;
      continue;
    }
    return false;
  }
  double v = 0;
  if (comma == std::string_view::npos && fastDecimal(t, out)) return true;
  if (comma == std::string_view::npos) {
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || ptr != t.data() + t.size()) return false;
  } else {
    std::string buf(t);
    buf[comma] = '.';
    auto [ptr, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), v);
    if (ec != std::errc() || ptr != buf.data() + buf.size()) return false;
  }
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

namespace {
template <class T>
std::string formatShortest(T v) {
  if (v == 0) return "0";  // also -0
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof(buf), v);
  std::string s(buf, ptr);
  if (s.find('e') == std::string::npos) return s;
  // Ordinary magnitudes in plain notation: expand the exponent of the shortest form.
  const double a = std::fabs(static_cast<double>(v));
  if (a >= 1e-9 && a < 1e17) {
    auto [p2, ec2] = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed);
    if (ec2 == std::errc()) return std::string(buf, p2);
  }
  return s;
}
}  // namespace

std::string formatNumber(double v) {
  return formatShortest(v);
}

std::string formatSingle(float v) {
  return formatShortest(v);
}

double Value::toDouble() const {
  switch (kind_) {
    case Kind::Number:
      return number_;
    case Kind::Text: {
      double v = 0;
      if (!parseNumber(text_, v)) {
        throw StoreError(err::kTipoNoCoincide,
                         "No coinciden los tipos: '" + text_ + "' no es un número.");
      }
      return v;
    }
    case Kind::Null:
    default:
      throw StoreError(94, "Uso no válido de Null.");
  }
}

namespace {
double roundHalfEvenChecked(double v, double lo, double hi) {
  const double r = std::nearbyint(v);  // default rounding mode: half to even
  if (!(r >= lo && r <= hi)) throw StoreError(6, "Desbordamiento.");
  return r;
}
}  // namespace

int Value::toInt16() const {
  return static_cast<int>(roundHalfEvenChecked(toDouble(), -32768.0, 32767.0));
}

std::int32_t Value::toInt32() const {
  return static_cast<std::int32_t>(roundHalfEvenChecked(toDouble(), -2147483648.0, 2147483647.0));
}

std::string Value::toString() const {
  switch (kind_) {
    case Kind::Number:
      return formatNumber(number_);
    case Kind::Text:
      return text_;
    case Kind::Null:
    default:
      return std::string();
  }
}

bool operator==(const Value& a, const Value& b) {
  if (a.kind_ != b.kind_) return false;
  switch (a.kind_) {
    case Value::Kind::Number:
      return a.number_ == b.number_;
    case Value::Kind::Text:
      return a.text_ == b.text_;
    default:
      return true;
  }
}

}  // namespace arbelio::store
