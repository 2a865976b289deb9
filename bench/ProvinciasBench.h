// Synthetic provinces of 10,000 plots (about 200,000 large trees each) for the benchmarks,
// written once and kept under the system's temporary folder: the provincial tables of each
// province, the ten provinces selected (their derived tables built), and the whole country's
// working database merged from them. Each benchmark works in a workspace of its own.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "import/BaseDatosTrabajo.h"
#include "import/SeleccionBaseDatos.h"
#include "inventory/BasesAuxiliares.h"
#include "inventory/GeneradorMuestra.h"
#include "inventory/MallaMTN50.h"
#include "inventory/TablasInventario.h"
#include "shell/EspacioTrabajo.h"
#include "shell/InteraccionLote.h"
#include "store/FileOps.h"

namespace arbelio::bench {

namespace fs = std::filesystem;

inline constexpr int kParcelas = 10000;
// Ten large provinces: their sheet grids hold 10,000 plots.
inline constexpr int kProvincias[] = {6, 9, 10, 13, 16, 19, 22, 24, 44, 50};
inline const fs::path kRaiz = fs::temp_directory_path() / "arbelio-bench-import";

inline void VaciaCarpeta(const std::string& carpeta) {
  for (const auto& f : store::listFiles(carpeta))
    if (store::fileExists(f.path)) store::deleteFile(f.path);
}

// Installed data (templates, Hojas) under kRaiz and a workspace in `espacio` (BDTemp,
// BDCorte, BDOut, created when missing).
inline EstadoAplicacion Estado(const fs::path& espacio = kRaiz) {
  EstadoAplicacion e;
  const std::string estruct = (kRaiz / "BDEstruct").string();
  if (!fs::exists(kRaiz / "BDEstruct" / "HusoHoja.sqlite")) {
    inventory::EscribePlantillas(estruct);
    std::stringstream csv;
    inventory::EscribeCsvHusoHoja(csv);
    inventory::CreaHusoHojaSqlite(inventory::LeeCsvHusoHoja(csv), estruct + "/HusoHoja.sqlite");
  }
  e.rutas.BDEstruct = estruct;
  e.rutas.carpetaTrabajo = espacio.string();
  e.rutas.BDTemp = (espacio / "BDTemp").string();
  e.rutas.BDCorte = (espacio / "BDCorte").string();
  e.rutas.BDOut = (espacio / "BDOut").string();
  for (const std::string* c : {&e.rutas.BDTemp, &e.rutas.BDCorte, &e.rutas.BDOut})
    fs::create_directories(*c);
  e.NombresTablas = shell::NombresTablasIniciales();
  e.FactoresExpansion = shell::FactoresExpansionIniciales();
  e.menus.alIniciar();
  return e;
}

// A province of kParcelas plots written once under kRaiz/pNN.
inline std::string Provincia(int codigo) {
  const fs::path carpeta = kRaiz / ("p" + std::to_string(codigo));
  if (!fs::exists(carpeta / inventory::NombreArchivoProvincial("Matorr", codigo))) {
    inventory::OpcionesMuestra o;
    o.provincia = codigo;
    o.parcelas = kParcelas;
    o.semilla = static_cast<std::uint64_t>(codigo);
    inventory::EscribeProvincia(inventory::GeneraProvincia(o), carpeta.string());
  }
  return carpeta.string();
}

inline std::vector<std::string> CodigosDiez() {
  std::vector<std::string> r;
  for (int c : kProvincias) r.push_back(c < 10 ? "0" + std::to_string(c) : std::to_string(c));
  return r;
}

// The ten provinces as a selection leaves them in BDTemp (copies and derived tables), kept in
// kRaiz/reserva10. Returns that folder, or "" when a selection failed.
inline std::string DiezProvinciasSeleccionadas() {
  const std::string reserva = (kRaiz / "reserva10").string();
  if (fs::exists(fs::path(reserva) / "Especi50.dbf")) return reserva;
  const fs::path espacio = kRaiz / "seleccion10";
  EstadoAplicacion e = Estado(espacio);
  std::ostringstream mensajes;
  shell::InteraccionLote ui(e.CalculoCancelado, &mensajes);
  VaciaCarpeta(e.rutas.BDTemp);
  import::ListaProvinciasEnMemoria lista;
  for (int c : kProvincias) {
    ui.archivos.push_back(Provincia(c) + "/" + inventory::NombreArchivoProvincial("Piesma", c));
    if (import::mnuAAgregarBD_Click(e, ui, lista) != import::ResultadoSeleccion::Anadida) return "";
  }
  fs::create_directories(reserva);
  VaciaCarpeta(reserva);
  for (const auto& f : store::listFiles(e.rutas.BDTemp))
    fs::copy_file(f.path, fs::path(reserva) / f.name);
  return reserva;
}

// The whole country's working database (the six tables "00" of the ten provinces merged),
// kept in kRaiz/trabajo10. Returns that folder, or "" on failure.
inline std::string BaseTrabajoPais() {
  const std::string trabajo = (kRaiz / "trabajo10").string();
  if (fs::exists(fs::path(trabajo) / "Especi00.dbf")) return trabajo;
  const std::string reserva = DiezProvinciasSeleccionadas();
  if (reserva.empty()) return "";
  const fs::path espacio = kRaiz / "generacion10";
  EstadoAplicacion e = Estado(espacio);
  std::ostringstream mensajes;
  shell::InteraccionLote ui(e.CalculoCancelado, &mensajes);
  VaciaCarpeta(e.rutas.BDTemp);
  for (const auto& f : store::listFiles(reserva))
    fs::copy_file(f.path, fs::path(e.rutas.BDTemp) / f.name);
  e.CodigosSeleccionados = CodigosDiez();
  e.HayBasesSeleccionadas = true;
  if (!import::mnuAGenerarBDT_Click(e, ui)) return "";
  fs::create_directories(trabajo);
  VaciaCarpeta(trabajo);
  for (const auto& f : store::listFiles(e.rutas.BDTemp))
    fs::copy_file(f.path, fs::path(trabajo) / f.name);
  VaciaCarpeta(e.rutas.BDTemp);
  return trabajo;
}

// Copies a kept folder's files into a workspace folder, emptied first.
inline void CopiaCarpeta(const std::string& origen, const std::string& destino) {
  VaciaCarpeta(destino);
  for (const auto& f : store::listFiles(origen)) fs::copy_file(f.path, fs::path(destino) / f.name);
}

}  // namespace arbelio::bench
