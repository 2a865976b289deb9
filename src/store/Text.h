// Small text helpers of the store: ASCII case folding for table and field names, UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace arbelio::store {

std::string toLowerAscii(std::string_view s);
std::string toUpperAscii(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
std::string_view trimView(std::string_view s);
void appendUtf8(std::string& out, char32_t c);
// Decodes one code point at s[i], advancing i; invalid bytes come back as U+FFFD.
char32_t nextUtf8(std::string_view s, std::size_t& i);

}  // namespace arbelio::store
