// A field value as the store hands it out: null, a number or a text (UTF-8).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace arbelio::store {

class Value {
 public:
  enum class Kind : std::uint8_t { Null, Number, Text };

  Value() = default;
  Value(double v) : kind_(Kind::Number), number_(v) {}
  Value(float v) : kind_(Kind::Number), number_(v) {}
  Value(int v) : kind_(Kind::Number), number_(v) {}
  Value(long v) : kind_(Kind::Number), number_(static_cast<double>(v)) {}
  Value(long long v) : kind_(Kind::Number), number_(static_cast<double>(v)) {}
  Value(unsigned v) : kind_(Kind::Number), number_(v) {}
  Value(std::string v) : kind_(Kind::Text), text_(std::move(v)) {}
  Value(std::string_view v) : kind_(Kind::Text), text_(v) {}
  Value(const char* v) : kind_(Kind::Text), text_(v) {}

  static Value null() { return Value(); }

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::Null; }
  bool isNumber() const { return kind_ == Kind::Number; }
  bool isText() const { return kind_ == Kind::Text; }

  // The stored number; a text is converted as toDouble() does. Null throws (error 94-like
  // "Uso no válido de Null"), as reading a null into a number did.
  double toDouble() const;
  // toDouble() rounded half to even and checked against the 16/32-bit range (error 6 overflow).
  int toInt16() const;
  std::int32_t toInt32() const;
  float toFloat() const { return static_cast<float>(toDouble()); }
  // Text of the value: a text as is, a number in its shortest exact decimal form ("12", "0.5",
  // "-3.25"), null as "".
  std::string toString() const;
  // Raw accessors; only valid for the matching kind.
  double number() const { return number_; }
  const std::string& text() const { return text_; }

  friend bool operator==(const Value& a, const Value& b);

 private:
  Kind kind_ = Kind::Null;
  double number_ = 0.0;
  std::string text_;
};

// Parses a number as the inventory files and the users write it: optional blanks and sign,
// digits with "." (or a single ",") as decimal separator, optional exponent. Returns false
// for anything else, including an empty text.
bool parseNumber(std::string_view text, double& out);

// What the text of a numeric (N or F) field of a dBASE file holds.
enum class DbfNumber : std::uint8_t { Blank, Number, Damaged };

// Reads a numeric field as dBASE writes it: blanks around an optional sign, digits and at most
// one decimal point, with at least one digit. Blanks only (or NUL padding) are Blank (a null
// value); anything else (an exponent, a comma, stars, a lone sign, two points, letters, bytes
// outside ASCII) is Damaged. `out` is set only for Number.
DbfNumber parseDbfNumber(std::string_view raw, double& out);

// Shortest decimal text that reads back as the same double (no exponent for ordinary
// magnitudes), e.g. 0.1 -> "0.1", 47 -> "47".
std::string formatNumber(double v);
// The text of a single-precision value: its own shortest digits ("0.45" for 0.45f), as the
// column that holds it shows it, not those of the double it widens to.
std::string formatSingle(float v);

}  // namespace arbelio::store
