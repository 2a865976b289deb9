// A program folder for the import tests: BDEstruct with the templates and a small Hojas table,
// a workspace, the application state, and helpers that write hand-made provincial tables.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "../comun/CarpetaTemporal.h"
#include "inventory/BasesAuxiliares.h"
#include "inventory/TablasInventario.h"
#include "shell/EspacioTrabajo.h"
#include "state/EstadoAplicacion.h"
#include "store/Database.h"

namespace arbelio::pruebas_import {

using Fila = std::map<std::string, store::Value>;

class EntornoImport {
 public:
  EntornoImport() {
    std::filesystem::create_directory(ruta("BDTemp"));
    std::filesystem::create_directory(ruta("BDOut"));
    std::filesystem::create_directory(ruta("BDCorte"));
    inventory::EscribePlantillas(ruta("BDEstruct"));
    // Sheet 100 in one zone, sheet 200 across two.
    inventory::CreaHusoHojaSqlite({{100, 1, 30, 0}, {200, 2, 30, 31}},
                                  ruta("BDEstruct/HusoHoja.sqlite"));
    estado.rutas.carpetaTrabajo = raiz_.ruta();
    estado.rutas.BDTemp = ruta("BDTemp");
    estado.rutas.BDOut = ruta("BDOut");
    estado.rutas.BDCorte = ruta("BDCorte");
    estado.rutas.BDEstruct = ruta("BDEstruct");
    estado.NombresTablas = shell::NombresTablasIniciales();
    estado.FactoresExpansion = shell::FactoresExpansionIniciales();
  }
  EntornoImport(const EntornoImport&) = delete;
  EntornoImport& operator=(const EntornoImport&) = delete;

  std::string ruta(const std::string& relativa) const { return raiz_.archivo(relativa); }

  // Writes a table of a known layout with the given rows (fields by name) into a folder.
  static void EscribeTabla(const std::string& carpeta, const std::string& base,
                           const std::string& nombre, const std::vector<Fila>& filas) {
    std::filesystem::create_directories(carpeta);
    store::Database db = store::Database::open(carpeta);
    db.appendTableDef(inventory::DefinicionTabla(inventory::LayoutPorNombre(base), nombre));
    store::Cursor c = db.openCursor(nombre, store::CursorKind::Table);
    for (const Fila& f : filas) {
      c.addNew();
      for (const auto& [campo, valor] : f) c.setValue(campo, valor);
      c.update();
    }
    c.close();
    db.close();
  }

  // Rows of a query over a folder, each row its values as texts joined by "|".
  static std::vector<std::string> Filas(const std::string& carpeta, const std::string& sql) {
    store::OpenOptions o;
    o.readOnly = true;
    store::Database db = store::Database::open(carpeta, o);
    store::Cursor c = db.openCursor(sql, store::CursorKind::Snapshot);
    std::vector<std::string> r;
    for (; !c.eof(); c.moveNext()) {
      std::string s;
      for (int i = 0; i < c.fieldCount(); ++i) s += (i ? "|" : "") + c.value(i).toString();
      r.push_back(s);
    }
    return r;
  }

  EstadoAplicacion estado;

 private:
  pruebas::CarpetaTemporal raiz_;
};

inline Fila Parcela(int prov, int est, store::Value hoja, const char* x, const char* y = "4600") {
  return {{"PROVINCIA", prov}, {"ESTADILLO", est}, {"HOJA", hoja},
          {"COORDEX", x},      {"COORDEY", y},     {"MUNICI", "001"}};
}
inline Fila Arbol(int prov, int est, int num, int especie, int d1, int d2, double altura = 10) {
  return {{"PROVINCIA", prov}, {"ESTADILLO", est}, {"NUMORDEN", num}, {"ESPECIE", especie},
          {"DIAMETRO1", d1},   {"DIAMETRO2", d2},  {"ALTURA", altura}};
}
inline Fila Registro(int prov, int est, int num) {
  return {{"PROVINCIA", prov}, {"ESTADILLO", est}, {"NUMORDEN", num}};
}

}  // namespace arbelio::pruebas_import
