#include "store/CodePage.h"

#include <iconv.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "store/Text.h"

namespace arbelio::store {
namespace {

struct LdidEntry {
  unsigned char ldid;
  int codePage;
};

// Language-driver bytes of single-byte code pages, as dBASE and FoxPro write them.
constexpr LdidEntry kLdids[] = {
    {0x01, 437},  {0x02, 850},  {0x03, 1252}, {0x08, 865},  {0x09, 437},  {0x0A, 850},
    {0x0B, 437},  {0x0D, 437},  {0x0E, 850},  {0x0F, 437},  {0x10, 850},  {0x11, 437},
    {0x12, 850},  {0x14, 850},  {0x15, 437},  {0x16, 850},  {0x17, 865},  {0x18, 437},
    {0x19, 437},  {0x1A, 850},  {0x1B, 437},  {0x1C, 863},  {0x1D, 850},  {0x1F, 852},
    {0x22, 852},  {0x23, 852},  {0x24, 860},  {0x25, 850},  {0x26, 866},  {0x37, 850},
    {0x40, 852},  {0x57, 1252}, {0x58, 1252}, {0x59, 1252}, {0x64, 852},  {0x65, 866},
    {0x66, 865},  {0x67, 861},  {0x6A, 737},  {0x6B, 857},  {0xC8, 1250}, {0xC9, 1251},
    {0xCA, 1254}, {0xCB, 1253}, {0xCC, 1257}, {0x7D, 1255}, {0x7E, 1256},
};

}  // namespace

int CodePage::fromLanguageDriver(unsigned char ldid) {
  for (const auto& e : kLdids) {
    if (e.ldid == ldid) return e.codePage;
  }
  return 850;
}

unsigned char CodePage::languageDriverFor(int number) {
  switch (number) {
    case 437:
      return 0x01;
    case 850:
      return 0x02;
    case 1252:
      return 0x03;
    default:
      for (const auto& e : kLdids) {
        if (e.codePage == number) return e.ldid;
      }
      return 0x03;
  }
}

CodePage::CodePage(int number) : number_(number) {
  for (int b = 0; b < 256; ++b) codepoint_[b] = static_cast<char32_t>(b);
  const std::string name = "CP" + std::to_string(number);
  iconv_t cd = iconv_open("UTF-32LE", name.c_str());
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    for (int b = 0x80; b < 256; ++b) {
      char in = static_cast<char>(b);
      unsigned char out[8] = {};
      char* inp = &in;
      std::size_t inLeft = 1;
      char* outp = reinterpret_cast<char*>(out);
      std::size_t outLeft = sizeof(out);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1) &&
          outLeft == 4) {
        codepoint_[b] = static_cast<char32_t>(out[0] | (out[1] << 8) | (out[2] << 16) |
                                              (static_cast<unsigned>(out[3]) << 24));
      }
      // Bytes the code page leaves undefined keep their value as a C1 control, so they
      // survive a read and write unchanged.
    }
    iconv_close(cd);
  }
  for (int b = 0; b < 256; ++b) appendUtf8(decode_[b], codepoint_[b]);
}

const CodePage& CodePage::get(int number) {
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<CodePage>> pages;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = pages.find(number);
  if (it == pages.end()) {
    it = pages.emplace(number, std::unique_ptr<CodePage>(new CodePage(number))).first;
  }
  return *it->second;
}

std::string CodePage::toUtf8(std::string_view bytes) const {
  std::string out;
  out.reserve(bytes.size() + 8);
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(ch);
    } else {
      out += decode_[b];
    }
  }
  return out;
}

std::string CodePage::fromUtf8(std::string_view utf8) const {
  std::string out;
  out.reserve(utf8.size());
  bool ascii = true;
  for (char ch : utf8) {
    if (static_cast<unsigned char>(ch) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return std::string(utf8);
  // Reverse table built lazily per call is cheap enough: text with accents is rare and short.
  std::unordered_map<char32_t, unsigned char> reverse;
  for (int b = 0x80; b < 256; ++b) reverse.emplace(codepoint_[b], static_cast<unsigned char>(b));
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char32_t c = nextUtf8(utf8, i);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      auto it = reverse.find(c);
      out.push_back(it == reverse.end() ? '?' : static_cast<char>(it->second));
    }
  }
  return out;
}

}  // namespace arbelio::store
