// Layouts of the result tables as the options shape them.
#include <gtest/gtest.h>

#include "calc/TablasResultado.h"

using namespace arbelio;

namespace {

std::vector<std::string> columnas(const EstadoAplicacion& e, calc::TablaResultado t) {
  std::vector<std::string> v;
  const store::TableDef def = calc::DefinicionTablaResultado(e, t);
  for (const auto& f : def.fields()) v.push_back(f.name);
  return v;
}

TEST(TablasResultado, PlainLayoutsWithoutOptions) {
  EstadoAplicacion e;
  e.SufijoTablas = "Ab";
  EXPECT_EQ(calc::NombreTabla(e, calc::TablaResultado::Cdsp_p), "Cdsp_pAb");
  EXPECT_EQ(
      columnas(e, calc::TablaResultado::AIndiv),
      (std::vector<std::string>{"PROVINCIA", "PARCELA", "NUMORDEN", "ESPECIE", "FORMA", "CALIDAD",
                                "PARAMESP", "FACTOREXP", "CD", "DN", "SN", "CN", "ALTURA"}));
  EXPECT_EQ(columnas(e, calc::TablaResultado::Parcel),
            (std::vector<std::string>{"PROVINCIA", "PARCELA", "N", "Dg", "Dm", "Do", "Hm", "Ho",
                                      "AB", "HART", "REINEKE"}));
  const auto def = calc::DefinicionTablaResultado(e, calc::TablaResultado::AIndiv);
  EXPECT_EQ(def.fields()[6].type, store::FieldType::Text);
  EXPECT_EQ(def.fields()[7].type, store::FieldType::Byte);
  EXPECT_EQ(def.fields()[0].type, store::FieldType::Integer);
  EXPECT_EQ(def.fields()[9].type, store::FieldType::Single);
}

TEST(TablasResultado, CorkAndVariableColumns) {
  EstadoAplicacion e;
  e.opciones.CalcularIDCH = true;
  EXPECT_EQ(columnas(e, calc::TablaResultado::AIndiv)[12], "LDCH");
  EXPECT_EQ(columnas(e, calc::TablaResultado::AIndiv)[13], "IDCH");
  EXPECT_EQ(columnas(e, calc::TablaResultado::AIndiv)[14], "ALTURA");
  e.opciones.CalcularSDCH = true;
  EXPECT_EQ(columnas(e, calc::TablaResultado::AIndiv).size(), 16u);
  e.VariablesUnidades[1].calcular = "SI";  // VSC
  e.VariablesUnidades[4].calcular = "SI";  // COR, from a user equation
  const auto parcel = columnas(e, calc::TablaResultado::Parcel);
  EXPECT_EQ(parcel,
            (std::vector<std::string>{"PROVINCIA", "PARCELA", "N", "Dg", "Dm", "Do", "Hm", "Ho",
                                      "AB", "SDCH", "IDM", "VSC", "COR", "HART", "REINEKE"}));
  for (auto t : calc::kTodasLasTablas) {
    const auto c = columnas(e, t);
    const bool parcela = t == calc::TablaResultado::Parcel;
    EXPECT_EQ(c[c.size() - (parcela ? 4 : 2)], "VSC") << calc::NombreBase(t);
    EXPECT_EQ(c[c.size() - (parcela ? 3 : 1)], "COR") << calc::NombreBase(t);
  }
}

}  // namespace
