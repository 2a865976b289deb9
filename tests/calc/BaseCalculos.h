// A calculation output database in a temporary folder for the tests of the breakdown and
// summary passes: the application state, a scripted interaction, and helpers that create the
// result tables and fill their input rows directly.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../comun/CarpetaTemporal.h"
#include "calc/TablasResultado.h"
#include "inventory/Constantes.h"
#include "shell/EspacioTrabajo.h"
#include "shell/InteraccionGuionada.h"
#include "store/Database.h"

namespace arbelio::pruebas {

// A tree of AIndiv. Negative height or volumes: empty.
struct Arbol {
  int parcela = 1;
  int especie = 21;
  int codigo = 1;  // FACTOREXP
  float cd = 10;
  float dn = 10;
  float sn = 0;  // 0: pi DN^2 / 4
  double altura = -1;
  double vcc = -1;
  double vsc = -1;
  int provincia = 47;
};

using Fila = std::map<std::string, store::Value>;

class BaseCalculos : public ::testing::Test {
 protected:
  void SetUp() override {
    estado.FactoresExpansion = shell::FactoresExpansionIniciales();
    estado.SufijoTablas = "Ts";
    estado.VariablesUnidades[0].calcular = "SI";  // VCC
    estado.VariablesUnidades[1].calcular = "SI";  // VSC
    db = store::Database::open(dir_.ruta());
  }
  void TearDown() override { db.close(); }

  // The plots of the cut (province 47 unless given), in list order.
  void Parcelas(const std::vector<int>& numeros, int provincia = 47) {
    estado.ListaParcelas.entradas.assign(1, inventory::Parcela{});
    for (int n : numeros) {
      estado.ListaParcelas.entradas.push_back(
          {static_cast<std::int16_t>(provincia), static_cast<std::int16_t>(n)});
    }
    estado.ListaParcelas.numero = static_cast<std::int32_t>(numeros.size());
    estado.NumeroParcelas = estado.ListaParcelas.numero;
  }

  void Crear(calc::TablaResultado t) {
    if (!db.hasTable(calc::NombreTabla(estado, t))) calc::CrearTablaResultado(db, estado, t);
  }

  void Arboles(const std::vector<Arbol>& arboles) {
    Crear(calc::TablaResultado::AIndiv);
    store::Cursor c = db.openCursor(calc::NombreTabla(estado, calc::TablaResultado::AIndiv));
    for (const auto& a : arboles) {
      c.addNew();
      c.setValue("PROVINCIA", a.provincia);
      c.setValue("PARCELA", a.parcela);
      c.setValue("NUMORDEN", ++numorden_);
      c.setValue("ESPECIE", a.especie);
      c.setValue("FACTOREXP", a.codigo);
      c.setValue("CD", a.cd);
      c.setValue("DN", a.dn);
      c.setValue("SN", a.sn != 0 ? a.sn : static_cast<float>(inventory::kPi * a.dn * a.dn / 4.0));
      if (a.altura >= 0) c.setValue("ALTURA", a.altura);
      if (a.vcc >= 0) c.setValue("VCC", a.vcc);
      if (a.vsc >= 0) c.setValue("VSC", a.vsc);
      c.update();
      ++estado.NumeroPies;
    }
  }

  // Adds rows to a result table: each row a list of (column, value).
  void Filas(calc::TablaResultado t, const std::vector<Fila>& filas) {
    Crear(t);
    store::Cursor c = db.openCursor(calc::NombreTabla(estado, t));
    for (const auto& f : filas) {
      c.addNew();
      for (const auto& [k, v] : f) c.setValue(k, v);
      c.update();
    }
  }

  // Every row of a table, in table order.
  std::vector<Fila> Leer(calc::TablaResultado t) {
    std::vector<Fila> filas;
    store::Cursor c = db.openCursor(calc::NombreTabla(estado, t));
    for (; !c.eof(); c.moveNext()) {
      Fila f;
      for (int i = 0; i < c.fieldCount(); ++i) f[c.fieldName(i)] = c.value(i);
      filas.push_back(std::move(f));
    }
    return filas;
  }

  double f(int k) const { return estado.FactoresExpansion[static_cast<std::size_t>(k)]; }
  // The basal section the fixture gives a tree of diameter dn, as stored.
  static float Seccion(float dn) { return static_cast<float>(inventory::kPi * dn * dn / 4.0); }
  static double Redondeo(double v, int decimales) {
    const double e = std::pow(10.0, decimales);
    return std::nearbyint(v * e) / e;
  }
  static float Simple(double v) { return static_cast<float>(v); }

  EstadoAplicacion estado;
  shell::InteraccionGuionada ui{estado};
  store::Database db;

 private:
  CarpetaTemporal dir_;
  int numorden_ = 0;
};

// Value of a column as a float, failing the test when it is empty.
inline float Num(const Fila& fila, const std::string& col) {
  auto it = fila.find(col);
  if (it == fila.end()) {
    ADD_FAILURE() << "no column " << col;
    return NAN;
  }
  if (!it->second.isNumber()) {
    ADD_FAILURE() << col << " is empty";
    return NAN;
  }
  return static_cast<float>(it->second.number());
}

inline bool Vacio(const Fila& fila, const std::string& col) {
  auto it = fila.find(col);
  return it != fila.end() && it->second.isNull();
}

}  // namespace arbelio::pruebas
