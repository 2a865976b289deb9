#include "store/Value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::store {

bool parseNumber(std::string_view text, double& out) {
  std::string_view t = trimView(text);
  if (t.empty()) return false;
  std::string buf;
  buf.reserve(t.size());
  std::size_t i = 0;
  if (t[0] == '+') i = 1;
  bool sawComma = false;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c == ',') {
      if (sawComma) return false;
      sawComma = true;
      c = '.';
    }
    buf.push_back(c);
  }
  if (buf.empty()) return false;
  // Only plain decimal notation: digits, one point, sign, exponent. Rejects "nan", "inf", hex.
  for (char c : buf) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
      return false;
    }
  }
  double v = 0;
  auto [ptr, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), v);
  if (ec != std::errc() || ptr != buf.data() + buf.size()) return false;
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

std::string formatNumber(double v) {
  if (v == 0) return "0";  // also -0
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof(buf), v);
  std::string s(buf, ptr);
  if (s.find('e') == std::string::npos) return s;
  // Ordinary magnitudes in plain notation: expand the exponent of the shortest form.
  const double a = std::fabs(v);
  if (a >= 1e-9 && a < 1e17) {
    auto [p2, ec2] = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed);
    if (ec2 == std::errc()) return std::string(buf, p2);
  }
  return s;
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
