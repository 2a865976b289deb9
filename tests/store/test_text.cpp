// The shared text helpers: each trim drops its own kind of blank, and case folding touches
// ASCII letters only.
#include <gtest/gtest.h>

#include "store/Text.h"

namespace arbelio::store {
namespace {

TEST(Text, CadaRecorteQuitaSuClaseDeBlanco) {
  const std::string texto = " \t 47 \t\r\n";
  // Spaces only: a code typed or stored with a tab keeps it.
  EXPECT_EQ(trimSpaces("  47  "), "47");
  EXPECT_EQ(trimSpaces(texto), "\t 47 \t\r\n");
  EXPECT_EQ(trimSpaces("    "), "");
  // Stored padding: spaces, tabs and NULs, but not a line end.
  EXPECT_EQ(trimView(std::string("47 \0\0", 5)), "47");
  EXPECT_EQ(trimView(texto), "47 \t\r\n");
  // Lines of text files: every ASCII white space.
  EXPECT_EQ(trimWhitespace(texto), "47");
  EXPECT_EQ(trimWhitespace("\n SELECT a\n FROM b ;\r\n"), "SELECT a\n FROM b ;");
}

TEST(Text, MayusculasYMinusculasSoloDeLetrasAscii) {
  EXPECT_EQ(toUpperAscii("Piesma47.dbf"), "PIESMA47.DBF");
  EXPECT_EQ(toUpperAscii("año ñ"), "AñO ñ");  // the UTF-8 bytes of ñ stay as they are
  EXPECT_EQ(toLowerAscii("P.M. Ñ"), "p.m. Ñ");
  EXPECT_TRUE(equalsNoCase("DatDef00", "DATDEF00"));
  EXPECT_FALSE(equalsNoCase("DatDef00", "DATDEF0"));
  EXPECT_FALSE(equalsNoCase("Ñ", "ñ"));
}

}  // namespace
}  // namespace arbelio::store
