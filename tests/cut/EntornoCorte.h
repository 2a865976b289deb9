// A workspace for the cut tests: the import tests' program folder (templates, Hojas) with a
// working database written row by row into BDTemp, and a small designed one that tells the
// criteria's rules from their likely mistakes.
#pragma once

#include <string>
#include <vector>

#include "../import/EntornoImport.h"
#include "import/BaseDatosTrabajo.h"
#include "inventory/Parcelas.h"
#include "shell/EstadoMenus.h"
#include "store/FileOps.h"

namespace arbelio::pruebas_corte {

using pruebas_import::Fila;

// A plot summary row.
inline Fila Plot(int prov, int est, int huso, const char* x, const char* y, const char* munici,
                 int numpma, int numpme = 0) {
  return {{"PROVINCIA", prov}, {"ESTADILLO", est}, {"HUSO", huso},     {"COORDEX", x},
          {"COORDEY", y},      {"MUNICI", munici}, {"NUMPMA", numpma}, {"NumPme", numpme}};
}

// A species-per-plot row.
inline Fila Esp(int prov, int est, const char* especie, double numpm, double ab, double porcPm,
                double porcAb) {
  return {{"PROVINCIA", prov}, {"ESTADILLO", est},   {"ESPECIE", especie}, {"NUMPM", numpm},
          {"AREABASI", ab},    {"PORCENPM", porcPm}, {"PORCENAB", porcAb}};
}

class EntornoCorte : public pruebas_import::EntornoImport {
 public:
  EntornoCorte() {
    estado.menus.alIniciar();
    estado.SufijoTablas = "47";
  }

  // Writes the six working tables (those not given empty), each with the index "ProvEstInd",
  // replacing those there (no handle may have them open).
  void Trabajo(const std::vector<Fila>& datdef, const std::vector<Fila>& especi,
               const std::vector<Fila>& piesma = {}, const std::vector<Fila>& piesme = {},
               const std::vector<Fila>& tiposx = {}, const std::vector<Fila>& matorr = {}) {
    const std::string temp = ruta("BDTemp");
    const std::vector<std::pair<const char*, const std::vector<Fila>*>> tablas = {
        {"DatDef", &datdef}, {"Piesma", &piesma}, {"Piesme", &piesme},
        {"Tiposx", &tiposx}, {"Matorr", &matorr}, {"Especi", &especi}};
    for (const auto& [base, filas] : tablas) {
      const std::string archivo = store::findFileNoCase(temp, std::string(base) + "00.dbf");
      if (!archivo.empty()) store::deleteFile(archivo);
      EscribeTabla(temp, base, std::string(base) + "00", *filas);
      store::Database db = store::Database::open(temp);
      store::IndexDef idx;
      idx.name = import::kIndiceProvEst;
      idx.fields = {"Provincia", "Estadillo"};
      db.appendIndex(std::string(base) + "00", idx);
      db.close();
    }
  }

  // The designed working database (see the rows).
  void Mundo() {
    Trabajo(
        {
            // Coordinates of different widths: as text "30" <= x <= "310" holds 30, 300, 31 and
            // 310 but neither 95 nor 200.
            Plot(47, 1, 30, "30", "4600", "001", 10, 2),
            Plot(47, 2, 30, "300", "4610", "007", 5, 0),
            Plot(47, 3, 30, "95", "4620", "007", 0, 3),  // no large trees
            Plot(47, 4, 30, "200", "4630", "220", 8, 1),
            Plot(47, 5, 30, "31", "4640", "001", 12, 0),
            Plot(9, 7, 31, "310", "4650", "001", 3, 4),
            Plot(47, 0, 30, "310", "4600", "001", 6, 0),  // plot number 0
            Plot(9, 1, 30, "310", "4605", "007", 7, 0),
        },
        {
            Esp(47, 1, "21", 800, 20, 80, 60),
            Esp(47, 1, "45", 200, 15, 20, 40),
            Esp(47, 2, "45", 300, 25, 100, 100),
            Esp(47, 4, "21", 500, 10, 50, 50),  // a tie in PORCENAB: 21 comes first
            Esp(47, 4, "71", 500, 10, 50, 50),
            Esp(47, 5, "21", 1500, 30, 100, 100),
            Esp(9, 7, "71", 100, 5, 100, 100),
            Esp(47, 0, "21", 600, 8, 100, 100),
            Esp(9, 1, "45", 700, 20, 70, 70),
            Esp(9, 1, "21", 300, 9, 30, 30),
        });
  }

  // The plots of ListaParcelas as "prov-plot" texts, in list order.
  std::vector<std::string> Lista() const {
    std::vector<std::string> r;
    const auto& l = estado.ListaParcelas;
    if (l.vacia()) return r;
    for (std::int32_t k = 1; k <= l.numero; ++k) {
      const auto& p = l.entradas[static_cast<std::size_t>(k)];
      r.push_back(std::to_string(p.provincia) + "-" + std::to_string(p.estadillo));
    }
    return r;
  }
};

}  // namespace arbelio::pruebas_corte
