#include "import/ListaProvincias.h"

#include <algorithm>
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

namespace {
// Room around a text in a header cell or a status panel.
constexpr int kMargenTexto = 240;
}  // namespace

GeometriaListaProvincias GeometriaParaTamano(int anchoTwips, int altoTwips,
                                             const TextosListaProvincias& textos) {
  GeometriaListaProvincias g;
  g.alturaGrid = altoTwips - 420;
  const std::array<int, 4> diseno = {700, 0, 800, 1100};
  for (std::size_t c = 0; c < 4; ++c) {
    const int texto = textos.cabeceras[c] > 0 ? textos.cabeceras[c] + kMargenTexto : 0;
    g.anchosColumnas[c] = std::max(diseno[c], texto);
  }
  const int resto = anchoTwips - 2850 - (g.anchosColumnas[0] - 700) - (g.anchosColumnas[2] - 800) -
                    (g.anchosColumnas[3] - 1100);
  const int cabeceraDescripcion = textos.cabeceras[1] > 0 ? textos.cabeceras[1] + kMargenTexto : 0;
  g.anchosColumnas[1] = std::max(resto, cabeceraDescripcion);
  // Each panel stands under its columns: the caption under code and description.
  const int panel = textos.panelTotales > 0 ? textos.panelTotales + kMargenTexto : 0;
  g.anchosPaneles = {std::max(g.anchosColumnas[0] + g.anchosColumnas[1], panel),
                     g.anchosColumnas[2], g.anchosColumnas[3]};
  return g;
}

int AnchoInicialListaProvincias(const TextosListaProvincias& textos) {
  // At the design's width the description gets 3150 twips and 250 are left for the frame. The
  // window grows by what wider columns take, and by what the description needs for its header
  // or for the caption of the totals beneath it.
  const GeometriaListaProvincias g = GeometriaParaTamano(kAnchoListaProvincias, 0, textos);
  const auto& c = g.anchosColumnas;
  const int descripcion = std::max(3150, g.anchosPaneles[0] - c[0]);
  return std::max(kAnchoListaProvincias, c[0] + std::max(descripcion, c[1]) + c[2] + c[3] + 250);
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
