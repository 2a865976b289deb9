#include "import/ListaProvincias.h"

#include <cctype>

#include "import/ArchivosImport.h"
#include "inventory/ModuleCodeInf.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::import {

std::array<std::string, 3> ListaProvincias::paneles() const {
  if (!hayTotales) return {kPanelTotales, "", ""};
  return {kPanelTotales, std::to_string(totalParcelas), std::to_string(totalPies)};
}

std::vector<std::vector<std::string>> ListaProvincias::filasRejilla() const {
  std::vector<std::vector<std::string>> v;
  for (const auto& f : filas) v.emplace_back(f.begin(), f.end());
  return v;
}

std::vector<shell::ColumnaVista> ColumnasListaProvincias() {
  std::vector<shell::ColumnaVista> v;
  for (const char* c : kCabeceraListaProvincias)
    v.push_back(shell::ColumnaVista{c, "", shell::Alineacion::Izquierda, {}});
  return v;
}

GeometriaListaProvincias GeometriaParaTamano(int anchoTwips, int altoTwips) {
  GeometriaListaProvincias g;
  g.alturaGrid = altoTwips - 420;
  g.anchosColumnas = {700, anchoTwips - 2850, 800, 1100};
  // Each panel stands under its columns: the caption under code and description.
  g.anchosPaneles = {g.anchosColumnas[0] + g.anchosColumnas[1], 800, 1100};
  return g;
}

namespace {

bool EsNumerico(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

std::int64_t Entero(const store::Value& v) {
  if (v.isNull()) return 0;
  return static_cast<std::int64_t>(v.toDouble());
}

}  // namespace

void MuestraProvinciasSeleccionadas(EstadoAplicacion& estado, shell::Interaccion& ui,
                                    const std::string& carpeta, std::size_t indice,
                                    ListaProvincias& lista) {
  try {
    if (estado.CodigosSeleccionados.size() > lista.filas.size()) lista.filas.emplace_back();
    if (indice < 1 || indice > estado.CodigosSeleccionados.size() || indice > lista.filas.size())
      return;  // no such entry: nothing to show
    const std::string codigo = store::trimSpaces(estado.CodigosSeleccionados[indice - 1]);

    std::string descripcion;
    if (EsNumerico(codigo)) {
      descripcion = ModuleCodeInf::NombreProvincia(static_cast<std::int16_t>(std::stoi(codigo)));
    } else {
      store::OpenOptions o;
      o.readOnly = true;
      store::Database db = store::Database::open(carpeta, o);
      store::Cursor c = db.openCursor("InfCor" + codigo, store::CursorKind::Snapshot);
      if (!c.eof()) descripcion = store::trimSpaces(c.value("DESCRIPCIO").toString());
    }

    // The plot summary of the database always has its copy in BDTemp (the chosen folder holds
    // one only when it came with the database or was saved there).
    std::int64_t parcelas = 0, pies = 0;
    {
      store::OpenOptions o;
      o.readOnly = true;
      store::Database db = store::Database::open(estado.rutas.BDTemp, o);
      store::Cursor c = db.openCursor(
          "SELECT Count(ESTADILLO) AS TantasParcelas, Sum(NUMPMA) AS TantosPies FROM Datdef" +
              codigo,
          store::CursorKind::Snapshot);
      if (!c.eof()) {
        parcelas = Entero(c.value("TantasParcelas"));
        pies = Entero(c.value("TantosPies"));
      }
    }

    estado.SufijoTablas = codigo;
    lista.filas[indice - 1] = {codigo, descripcion, std::to_string(parcelas), std::to_string(pies)};
    lista.totalParcelas += parcelas;
    lista.totalPies += pies;
    lista.hayTotales = true;
  } catch (const store::StoreError& e) {
    ui.aviso(std::to_string(e.number()) + "  " + e.description(), shell::IconoMensaje::Critico);
  } catch (const std::exception& e) {
    ui.aviso(e.what(), shell::IconoMensaje::Critico);
  }
}

}  // namespace arbelio::import
