// Single-byte code pages of dBASE files: bytes <-> UTF-8. The byte tables come from the C
// library's iconv, built once per code page.
#pragma once

#include <string>
#include <string_view>

namespace arbelio::store {

class CodePage {
 public:
  // The converter for a code page number (437, 850, 1252, 852, ...). Unknown numbers give 1252.
  static const CodePage& get(int number);
  // Code page named by a dBASE language-driver byte; 0 (none) reads as 850, the OEM code page
  // the inventory's DOS-era files were written in.
  static int fromLanguageDriver(unsigned char ldid);
  // Language-driver byte written for a code page.
  static unsigned char languageDriverFor(int number);

  int number() const { return number_; }
  std::string toUtf8(std::string_view bytes) const;
  // Characters the code page lacks become '?'.
  std::string fromUtf8(std::string_view utf8) const;

 private:
  explicit CodePage(int number);
  int number_;
  std::string decode_[256];  // UTF-8 of each byte
  char32_t codepoint_[256];
};

}  // namespace arbelio::store
