#include "calc/NumerosVB.h"

#include <charconv>
#include <string>

namespace arbelio::calc {

double ValVB(std::string_view texto) {
  std::string s;
  for (char c : texto) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s.push_back(c);
  }
  std::size_t i = 0;
  std::string num;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) num.push_back(s[i++]);
  bool digitos = false, punto = false;
  while (i < s.size()) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      digitos = true;
    } else if (c == '.' && !punto) {
      punto = true;
    } else {
      break;
    }
    num.push_back(c);
    ++i;
  }
  if (!digitos) return 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::string exp = "e";
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp.push_back(s[j++]);
    const std::size_t inicio = exp.size();
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') exp.push_back(s[j++]);
    if (exp.size() > inicio) num += exp;
  }
  if (num[0] == '+') num.erase(0, 1);
  double v = 0;
  std::from_chars(num.data(), num.data() + num.size(), v);
  return v;
}

}  // namespace arbelio::calc
