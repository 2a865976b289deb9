#include "results/GraficosCalculos.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "inventory/ModuleCodeInf.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/Text.h"

namespace arbelio::results {

namespace {

// A cursor over table `base` + code of BDOut, read-only; nullopt when the run did not compute
// it.
std::optional<store::Cursor> AbrirTabla(const EstadoAplicacion& e, const std::string& base) {
  const std::string tabla = base + e.SufijoCalculos;
  if (e.SufijoCalculos.empty() || store::findFileNoCase(e.rutas.BDOut, tabla + ".dbf").empty())
    return std::nullopt;
  store::OpenOptions soloLectura;
  soloLectura.readOnly = true;
  store::Database db = store::Database::open(e.rutas.BDOut, soloLectura);
  store::Cursor c = db.openCursor(tabla, store::CursorKind::ForwardOnly);
  db.close();
  return c;
}

std::string NotaSinTabla(const std::string& tablas, const std::string& grafico) {
  return "No se ha calculado " + tablas + ": no hay " + grafico +
         " que mostrar. Márquela en las opciones de cálculo y vuelva a calcular.";
}

std::optional<double> Numero(const store::Value& v) {
  if (!v.isNumber()) return std::nullopt;
  return v.number();
}

}  // namespace

std::string NombreEspecieGrafico(std::int16_t codigo) {
  const std::string nombre = ModuleCodeInf::NombreEspecie(codigo);
  const std::string numero = std::to_string(codigo);
  return nombre == numero ? numero : numero + " " + nombre;
}

DistribucionDiametrica LeeDistribucionDiametrica(const EstadoAplicacion& e) {
  DistribucionDiametrica d;
  d.titulo = "Distribución diamétrica";
  d.ejeX = "Clase diamétrica (cm)";
  d.ejeY = "N (pies/ha)";
  std::optional<store::Cursor> c = AbrirTabla(e, "Cd_esp");
  const bool porEspecie = c.has_value();
  if (!c) c = AbrirTabla(e, "Cldiam");
  if (!c) {
    d.nota = NotaSinTabla(
        "la tabla Clase Diamétrica por Especie (Cd_esp) ni la Clase "
        "Diamétrica (Cldiam)",
        "distribución diamétrica");
    return d;
  }
  const int cCd = c->fieldIndex("CD"), cN = c->fieldIndex("N");
  const int cEsp = porEspecie ? c->fieldIndex("ESPECIE") : -1;
  std::map<std::int32_t, std::map<double, double>> valores;  // species -> class -> N
  std::set<double> clases;
  for (; !c->eof(); c->moveNext()) {
    const auto cd = Numero(c->value(cCd));
    const auto n = Numero(c->value(cN));
    if (!cd || !n) continue;
    const std::int32_t especie = cEsp >= 0 && c->value(cEsp).isNumber()
                                     ? static_cast<std::int32_t>(c->value(cEsp).number())
                                     : 0;
    clases.insert(*cd);
    valores[especie][*cd] += *n;
  }
  d.clases.assign(clases.begin(), clases.end());
  d.titulo += porEspecie ? " por especie" : "";
  for (const auto& [especie, porClase] : valores) {
    SerieGrafico s;
    s.nombre = porEspecie ? NombreEspecieGrafico(static_cast<std::int16_t>(especie))
                          : "Todas las especies";
    for (double cd : d.clases) {
      const auto it = porClase.find(cd);
      s.valores.push_back(it == porClase.end() ? 0 : it->second);
    }
    d.series.push_back(std::move(s));
  }
  if (d.series.empty()) d.nota = "La tabla de clases diamétricas no tiene filas.";
  return d;
}

RepartoEspecies LeeRepartoEspecies(const EstadoAplicacion& e) {
  RepartoEspecies r;
  r.tituloN = "Reparto de N (pies/ha) por especie";
  r.tituloAB = "Reparto de AB (m2/ha) por especie";
  std::optional<store::Cursor> c = AbrirTabla(e, "Specie");
  if (!c) {
    r.nota = NotaSinTabla("la tabla Especie (Specie)", "reparto por especies");
    return r;
  }
  const int cEsp = c->fieldIndex("ESPECIE"), cN = c->fieldIndex("N"), cAb = c->fieldIndex("AB");
  for (; !c->eof(); c->moveNext()) {
    if (!c->value(cEsp).isNumber()) continue;
    const std::string nombre =
        NombreEspecieGrafico(static_cast<std::int16_t>(c->value(cEsp).number()));
    if (const auto n = Numero(c->value(cN)); n && *n > 0) r.n.push_back({nombre, *n});
    if (const auto ab = Numero(c->value(cAb)); ab && *ab > 0) r.ab.push_back({nombre, *ab});
  }
  const auto mayorPrimero = [](const auto& a, const auto& b) { return a.second > b.second; };
  std::stable_sort(r.n.begin(), r.n.end(), mayorPrimero);
  std::stable_sort(r.ab.begin(), r.ab.end(), mayorPrimero);
  if (r.n.empty() && r.ab.empty()) r.nota = "El corte no tiene pies mayores.";
  return r;
}

DispersionAlturas LeeDispersionAlturas(const EstadoAplicacion& e, std::int64_t maximo) {
  DispersionAlturas d;
  d.titulo = "Altura total frente a diámetro normal (pies mayores)";
  d.ejeX = "DN (cm)";
  d.ejeY = "Altura (m)";
  std::optional<store::Cursor> c = AbrirTabla(e, "AIndiv");
  if (!c) {
    d.nota = NotaSinTabla("la tabla Árbol Individual (AIndiv)", "diagrama altura-diámetro");
    return d;
  }
  const int cDn = c->fieldIndex("DN"), cH = c->fieldIndex("ALTURA");
  // Reservoir sampling (algorithm R) with a fixed seed: 64-bit draws reduced by modulo, whose
  // bias is below 1e-9 for any table size.
  std::mt19937_64 azar(20260101);
  for (; !c->eof(); c->moveNext()) {
    const auto dn = Numero(c->value(cDn));
    const auto h = Numero(c->value(cH));
    if (!dn || !h || *h <= 0) continue;
    const std::pair<float, float> p{static_cast<float>(*dn), static_cast<float>(*h)};
    ++d.arboles;
    if (static_cast<std::int64_t>(d.puntos.size()) < maximo) {
      d.puntos.push_back(p);
    } else {
      const auto j = static_cast<std::int64_t>(azar() % static_cast<std::uint64_t>(d.arboles));
      if (j < maximo) d.puntos[static_cast<std::size_t>(j)] = p;
    }
  }
  if (d.arboles > maximo) {
    d.titulo +=
        " (muestra de " + std::to_string(maximo) + " de " + std::to_string(d.arboles) + " pies)";
  }
  if (d.arboles == 0) d.nota = "Ningún pie mayor del corte tiene altura y diámetro.";
  return d;
}

DestinoGrafico DestinoDeArchivo(const std::string& elegido) {
  DestinoGrafico d{elegido, FormatoGrafico::Png};
  const std::string nombre = std::filesystem::path(elegido).filename().string();
  const auto punto = nombre.rfind('.');
  const std::string extension = punto == std::string::npos ? "" : nombre.substr(punto);
  if (store::equalsNoCase(extension, ".svg")) {
    d.formato = FormatoGrafico::Svg;
  } else if (extension.empty()) {
    d.ruta += ".png";
  }
  return d;
}

std::optional<DestinoGrafico> ElegirArchivoGrafico(shell::Interaccion& ui,
                                                   const std::string& nombreInicial) {
  shell::DialogoArchivo dialogo;
  dialogo.titulo = kCaptionGuardarGrafico;
  dialogo.filtro = kFiltroGrafico;
  dialogo.nombreInicial = nombreInicial;
  const std::optional<std::string> elegido = ui.guardarArchivo(dialogo);
  if (!elegido) return std::nullopt;
  return DestinoDeArchivo(*elegido);
}

void GuardarGrafico(const DestinoGrafico& destino, std::string_view bytes) {
  store::replaceFileContents(destino.ruta, bytes);
}

}  // namespace arbelio::results
