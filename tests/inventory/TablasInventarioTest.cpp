#include "inventory/TablasInventario.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "../comun/CarpetaTemporal.h"
#include "inventory/GeneradorMuestra.h"
#include "inventory/ModuleCodeInf.h"
#include "store/Database.h"
#include "store/FileOps.h"

using namespace arbelio::store;
using namespace arbelio::inventory;
using arbelio::pruebas::CarpetaTemporal;

namespace {

const CampoTabla& Campo(const LayoutTabla& l, const std::string& nombre) {
  const int p = l.posicion(nombre);
  EXPECT_GE(p, 0) << l.nombre << "." << nombre;
  static const CampoTabla vacio{};
  return p < 0 ? vacio : l.campos[static_cast<std::size_t>(p)];
}

bool Numerico(FieldType t) {
  return t == FieldType::Byte || t == FieldType::Integer || t == FieldType::Long ||
         t == FieldType::Single || t == FieldType::Double;
}

}  // namespace

TEST(Layouts, ResumenDeParcelaEsLaParcelaMasLosRecuentos) {
  const LayoutTabla datest = LayoutDatest();
  const LayoutTabla datdef = LayoutDatDef();
  ASSERT_EQ(datdef.campos.size(), datest.campos.size() + 5);
  for (std::size_t i = 0; i < datest.campos.size(); ++i) {
    EXPECT_EQ(datdef.campos[i].nombre, datest.campos[i].nombre);
    EXPECT_EQ(datdef.campos[i].tipo, datest.campos[i].tipo) << datest.campos[i].nombre;
    EXPECT_EQ(datdef.campos[i].tamano, datest.campos[i].tamano) << datest.campos[i].nombre;
  }
  const char* finales[] = {"NUMPMA", "NumPme", "NumTip", "NumMat", "Huso"};
  for (int i = 0; i < 5; ++i) {
    const CampoTabla& c = datdef.campos[datest.campos.size() + static_cast<std::size_t>(i)];
    EXPECT_EQ(c.nombre, finales[i]);
    EXPECT_TRUE(Numerico(c.tipo)) << c.nombre;
  }
}

TEST(Layouts, LaParcelaLlevaTodosLosCamposDescritosDelInventario) {
  const LayoutTabla datest = LayoutDatest();
  for (const char* c :
       {"PROVINCIA", "ESTADILLO", "ESTRATO", "FECHGR",   "CODGR",    "VERIFICA",  "FECHAVE",
        "CODVE",     "HOJA",      "COORDEX", "COORDEY",  "MUNICI",   "VUELO",     "FOTO",
        "ANO",       "CLASUELO",  "ESPESOR", "CLACOBER", "PROPIED1", "ESPECIA32", "EDADB3",
        "ESPECIE7",  "MEROSIVA4", "CORTAS",  "DANOS3",   "ORIENTA2", "MAXPEND1",  "MAXPEND2"}) {
    EXPECT_GE(datest.posicion(c), 0) << c;
  }
  // Every plot field is one the field-description lookup knows.
  for (const CampoTabla& c : datest.campos) {
    EXPECT_NE(arbelio::ModuleCodeInf::DescripcionCampo(c.nombre), "desconocido") << c.nombre;
  }
  // And the 68 free-text plot fields are all there.
  int texto = 0;
  for (const CampoTabla& c : datest.campos) {
    if (arbelio::ModuleCodeInf::DescripcionCampo(c.nombre) == "texto") ++texto;
  }
  EXPECT_EQ(texto, 68);
}

TEST(Layouts, TiposQueElProgramaNecesita) {
  const LayoutTabla datest = LayoutDatest();
  for (const char* c : {"COORDEX", "COORDEY", "MUNICI"}) {
    EXPECT_EQ(Campo(datest, c).tipo, FieldType::Text) << c;
  }
  EXPECT_EQ(Campo(datest, "ESTADILLO").tipo, FieldType::Integer);  // 16-bit values
  EXPECT_TRUE(Numerico(Campo(datest, "PROVINCIA").tipo));
  EXPECT_TRUE(Numerico(Campo(datest, "HOJA").tipo));

  const LayoutTabla piesma = LayoutPiesma();
  for (const char* c : {"PROVINCIA", "ESTADILLO", "NUMORDEN", "ESPECIE", "DIAMETRO1", "DIAMETRO2",
                        "ALTURA", "FORMA", "CALIDAD"}) {
    EXPECT_TRUE(Numerico(Campo(piesma, c).tipo)) << c;
  }
  // Heights keep their decimal value exactly: no single-precision column.
  EXPECT_EQ(Campo(piesma, "ALTURA").tipo, FieldType::Double);
  EXPECT_EQ(Campo(piesma, "PARAMESP").tipo, FieldType::Text);

  for (auto l : {LayoutPiesme(), LayoutTiposx(), LayoutMatorr()}) {
    EXPECT_EQ(l.campos[0].nombre, "PROVINCIA");
    EXPECT_EQ(l.campos[1].nombre, "ESTADILLO");
    EXPECT_EQ(l.campos[2].nombre, "NUMORDEN");
    EXPECT_TRUE(Numerico(Campo(l, "ESPECIE").tipo)) << l.nombre;
  }
}

TEST(Layouts, EspeciesPorParcelaTieneExactamenteSusSieteCampos) {
  const LayoutTabla e = LayoutEspeci();
  std::vector<std::string> nombres;
  for (const auto& c : e.campos) nombres.push_back(c.nombre);
  EXPECT_EQ(nombres, (std::vector<std::string>{"PROVINCIA", "ESTADILLO", "ESPECIE", "NUMPM",
                                               "AREABASI", "PORCENPM", "PORCENAB"}));
  EXPECT_EQ(Campo(e, "ESPECIE").tipo, FieldType::Text);
  EXPECT_GE(Campo(e, "ESPECIE").tamano, 3);
  for (const char* c : {"NUMPM", "AREABASI", "PORCENPM", "PORCENAB"}) {
    EXPECT_TRUE(Numerico(Campo(e, c).tipo)) << c;
  }
}

TEST(Layouts, InformacionDeCorteYTablasDeEcuaciones) {
  const LayoutTabla inf = LayoutInfCor();
  EXPECT_EQ(Campo(inf, "CRITERIOS").tipo, FieldType::Memo);
  EXPECT_EQ(Campo(inf, "DESCRIPCIO").tipo, FieldType::Text);
  EXPECT_EQ(Campo(inf, "DESCRIPCIO").tamano, 254);
  EXPECT_EQ(Campo(inf, "FECHACREAC").tipo, FieldType::Date);
  EXPECT_GE(Campo(inf, "HORACREAC").tamano, 5);
  // Counts of whole merged inventories exceed 16 bits.
  EXPECT_EQ(Campo(inf, "NUMESTADIS").tipo, FieldType::Long);
  EXPECT_EQ(Campo(inf, "NUMPIESMAS").tipo, FieldType::Long);

  const LayoutTabla ecuas = LayoutEcuas();
  for (const char* c : {"Especie", "forma", "calidad", "idmodelo", "idecuacion"}) {
    EXPECT_TRUE(Numerico(Campo(ecuas, c).tipo)) << c;
  }
  EXPECT_EQ(Campo(ecuas, "variable").tipo, FieldType::Text);
  EXPECT_GE(Campo(ecuas, "variable").tamano, 4);
  EXPECT_EQ(Campo(LayoutModels(), "modelo").tipo, FieldType::Text);
  EXPECT_EQ(Campo(LayoutModels(), "modelo").tamano, 254);
  EXPECT_EQ(Campo(LayoutParams(), "valorparam").tipo, FieldType::Double);
  EXPECT_EQ(Campo(LayoutParams(), "parametro").tipo, FieldType::Text);
  EXPECT_GE(Campo(LayoutParams(), "parametro").tamano, 4);
}

TEST(Layouts, NombresValidosParaDBase) {
  for (const char* base : {"Datest", "DatDef", "Piesma", "Piesme", "Tiposx", "Matorr", "Especi",
                           "InfCor", "Ecuas", "Models", "Params"}) {
    const LayoutTabla l = LayoutPorNombre(base);
    std::set<std::string> vistos;
    for (const auto& c : l.campos) {
      EXPECT_LE(c.nombre.size(), 10u) << base << "." << c.nombre;
      std::string m = c.nombre;
      for (auto& ch : m) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      EXPECT_TRUE(vistos.insert(m).second) << base << "." << c.nombre;
      if (c.tipo == FieldType::Text) {
        EXPECT_GE(c.tamano, 1);
        EXPECT_LE(c.tamano, 254);
      }
    }
  }
  EXPECT_EQ(LayoutPorNombre("PIESMA").nombre, "Piesma");
  EXPECT_THROW(LayoutPorNombre("Piesma47"), std::invalid_argument);
  EXPECT_EQ(LayoutDatest().posicion("coordex"), LayoutDatest().posicion("COORDEX"));
  EXPECT_EQ(LayoutDatest().posicion("NUMPMA"), -1);
}

TEST(Plantillas, UnaTablaVaciaPorNombreBaseConElMemoDeInfCor) {
  CarpetaTemporal dir;
  const std::string carpeta = dir.archivo("BDEstruct");
  EscribePlantillas(carpeta);
  for (const char* base : kNombresTablas) {
    EXPECT_TRUE(fileExists(carpeta + "/" + base + ".dbf")) << base;
  }
  EXPECT_TRUE(fileExists(carpeta + "/InfCor.dbt"));
  Database db = Database::open(carpeta);
  for (const char* base : kNombresTablas) {
    const LayoutTabla l = LayoutPorNombre(base);
    const TableDef def = db.tableDef(base);
    ASSERT_EQ(def.fields().size(), l.campos.size()) << base;
    for (std::size_t i = 0; i < l.campos.size(); ++i) {
      EXPECT_EQ(def.fields()[i].type, l.campos[i].tipo) << base << "." << l.campos[i].nombre;
    }
    EXPECT_EQ(db.openCursor(base).recordCount(), 0) << base;
  }
  db.close();
  // Writing again replaces the templates.
  EXPECT_NO_THROW(EscribePlantillas(carpeta));
}

TEST(Plantillas, ElResumenDeParcelaAdmiteLaCopiaDeLaTablaDeParcelas) {
  CarpetaTemporal dir;
  EscribePlantillas(dir.archivo("BDEstruct"));
  OpcionesMuestra o;
  o.provincia = 24;
  o.parcelas = 40;
  const auto provincia = arbelio::inventory::GeneraProvincia(o);
  arbelio::inventory::EscribeProvincia(provincia, dir.archivo("BDTemp"));
  copyFile(dir.archivo("BDEstruct/DatDef.dbf"), dir.archivo("BDTemp/DatDef24.dbf"));

  Database db = Database::open(dir.archivo("BDTemp"), OpenOptions{false, false, "DBASE III"});
  const TableDef datest = db.tableDef("Datest24");
  const TableDef datdef = db.tableDef("DatDef24");
  for (const FieldDef& f : datest.fields()) {
    EXPECT_GE(datdef.fieldIndex(f.name), 0) << f.name;
  }
  db.execute("INSERT INTO DatDef24 SELECT * FROM Datest24 ;");
  Cursor c = db.openCursor("SELECT * FROM DATDEF24 ORDER BY Estadillo;");
  ASSERT_EQ(c.recordCount(), 40);
  c.moveFirst();
  EXPECT_EQ(c.value("COORDEX").toString(),
            provincia.datest.valor(0, "COORDEX").text());  // text kept as text
  EXPECT_TRUE(c.value("NUMPMA").isNull());
  db.close();
}
