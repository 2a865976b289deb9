#include "cut/MapaCorte.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <unordered_map>

#include "inventory/ModuleCodeInf.h"
#include "inventory/TablasInventario.h"
#include "shell/EjecutarOrden.h"
#include "store/FileOps.h"
#include "store/Query.h"
#include "store/Text.h"

namespace arbelio::cut {

namespace {

using shell::Color;

std::uint32_t Clave(std::int16_t provincia, std::int16_t estadillo) {
  return (static_cast<std::uint32_t>(static_cast<std::uint16_t>(provincia)) << 16) |
         static_cast<std::uint16_t>(estadillo);
}

// Colours told apart on white and from each other; the legend takes them in order.
constexpr std::array<Color, kMaxEspeciesLeyenda> kPaleta = {{{31, 119, 180},
                                                             {255, 127, 14},
                                                             {44, 160, 44},
                                                             {214, 39, 40},
                                                             {148, 103, 189},
                                                             {140, 86, 75},
                                                             {227, 119, 194},
                                                             {188, 189, 34},
                                                             {23, 190, 207},
                                                             {0, 70, 0},
                                                             {120, 0, 90},
                                                             {250, 200, 0}}};
constexpr Color kColorOtras{127, 127, 127};
constexpr Color kColorSinPies{0, 0, 0};
constexpr Color kColorFuera{205, 205, 205};
constexpr Color kColorTexto{20, 20, 20};
constexpr Color kColorMarco{90, 90, 90};

// A number held as a number or as text (the coordinates of DATDEF00, in km; the species codes
// of ESPECI00); nullopt when it is not one.
std::optional<double> NumeroDe(const store::Value& v) {
  if (v.isNumber()) return v.number();
  if (!v.isText()) return std::nullopt;
  double d = 0;
  const std::string t(store::trimView(v.text()));
  if (t.empty() || !store::parseNumber(t, d)) return std::nullopt;
  return d;
}

std::string Numero(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.0f", v);
  return buf;
}

}  // namespace

MapaCorte CalculaMapaCorte(store::Database& trabajo, const inventory::ListaDeParcelas& lista) {
  MapaCorte mapa;
  // The cut's plots, and their dominant species (0: none in ESPECI00).
  std::unordered_map<std::uint32_t, std::int16_t> dominante;
  if (!lista.vacia()) {
    for (std::int32_t i = 1; i <= lista.numero; ++i) {
      const auto& p = lista.entradas[static_cast<std::size_t>(i)];
      dominante.emplace(Clave(p.provincia, p.estadillo), 0);
    }
  }
  {
    // One pass over ESPECI00: a record replaces the plot's species only with a strictly larger
    // share (numbers before empties), so ties keep the earliest record.
    std::unordered_map<std::uint32_t, store::Value> mejor;
    store::Cursor e = trabajo.openCursor("ESPECI00", store::CursorKind::ForwardOnly);
    const int cProv = e.fieldIndex("PROVINCIA"), cEst = e.fieldIndex("ESTADILLO"),
              cEsp = e.fieldIndex("ESPECIE"), cAb = e.fieldIndex("PORCENAB");
    for (; !e.eof(); e.moveNext()) {
      const auto prov = inventory::ClaveDeParcela(e.value(cProv));
      const auto est = inventory::ClaveDeParcela(e.value(cEst));
      if (!prov || !est) continue;
      const auto it = dominante.find(Clave(*prov, *est));
      if (it == dominante.end()) continue;
      const store::Value ab = e.value(cAb);
      const auto m = mejor.find(it->first);
      if (m != mejor.end() && store::query::compareValues(ab, m->second) <= 0) continue;
      mejor[it->first] = ab;
      const auto especie = NumeroDe(e.value(cEsp));
      it->second = especie && *especie >= 1 && *especie <= 32767
                       ? static_cast<std::int16_t>(*especie)
                       : std::int16_t{0};
    }
  }

  // The legend: species by the number of cut plots they colour.
  std::map<std::int16_t, std::int32_t> cuenta;
  for (const auto& [clave, especie] : dominante) ++cuenta[especie];
  std::vector<std::pair<std::int16_t, std::int32_t>> especies;
  std::int32_t sinPies = 0;
  for (const auto& [especie, n] : cuenta) {
    if (especie == 0) {
      sinPies = n;
    } else {
      especies.push_back({especie, n});
    }
  }
  std::stable_sort(especies.begin(), especies.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  std::unordered_map<std::int16_t, std::int32_t> entradaDe;
  std::int32_t otras = -1;
  for (std::size_t i = 0; i < especies.size(); ++i) {
    if (i < kMaxEspeciesLeyenda - (especies.size() > kMaxEspeciesLeyenda ? 1 : 0)) {
      entradaDe[especies[i].first] = static_cast<std::int32_t>(mapa.leyenda.size());
      mapa.leyenda.push_back({especies[i].first,
                              std::to_string(especies[i].first) + " " +
                                  ModuleCodeInf::NombreEspecie(especies[i].first),
                              kPaleta[i], 0});
    } else {
      if (otras < 0) {
        otras = static_cast<std::int32_t>(mapa.leyenda.size());
        mapa.leyenda.push_back({0, kLeyendaOtras, kColorOtras, 0});
      }
      entradaDe[especies[i].first] = otras;
    }
  }
  if (sinPies > 0) {
    entradaDe[0] = static_cast<std::int32_t>(mapa.leyenda.size());
    mapa.leyenda.push_back({0, kLeyendaSinPies, kColorSinPies, 0});
  }

  // Every plot of the working database, by zone.
  std::map<std::int32_t, PanelMapa> paneles;
  std::int32_t total = 0;
  store::Cursor d = trabajo.openCursor("DATDEF00", store::CursorKind::ForwardOnly);
  const int cProv = d.fieldIndex("PROVINCIA"), cEst = d.fieldIndex("ESTADILLO"),
            cHuso = d.fieldIndex("HUSO"), cX = d.fieldIndex("COORDEX"),
            cY = d.fieldIndex("COORDEY");
  std::unordered_map<std::uint32_t, bool> vistas;
  for (; !d.eof(); d.moveNext()) {
    const auto prov = inventory::ClaveDeParcela(d.value(cProv));
    const auto est = inventory::ClaveDeParcela(d.value(cEst));
    if (!prov || !est || !vistas.emplace(Clave(*prov, *est), true).second) continue;
    ++total;
    const store::Value huso = cHuso >= 0 ? d.value(cHuso) : store::Value();
    const auto x = cX >= 0 ? NumeroDe(d.value(cX)) : std::nullopt;
    const auto y = cY >= 0 ? NumeroDe(d.value(cY)) : std::nullopt;
    if (!huso.isNumber() || !x || !y) {
      ++mapa.parcelasSinCoordenadas;
      continue;
    }
    PanelMapa& panel = paneles[static_cast<std::int32_t>(huso.number())];
    panel.huso = static_cast<std::int32_t>(huso.number());
    PuntoMapa punto{*x, *y, *prov, *est, kFueraDelCorte};
    const auto it = dominante.find(Clave(*prov, *est));
    if (it != dominante.end()) {
      punto.leyenda = entradaDe.at(it->second);
      ++mapa.leyenda[static_cast<std::size_t>(punto.leyenda)].parcelas;
      ++panel.parcelasCorte;
      ++mapa.parcelasCorte;
    }
    if (panel.puntos.empty()) {
      panel.xMin = panel.xMax = *x;
      panel.yMin = panel.yMax = *y;
    }
    panel.xMin = std::min(panel.xMin, *x);
    panel.xMax = std::max(panel.xMax, *x);
    panel.yMin = std::min(panel.yMin, *y);
    panel.yMax = std::max(panel.yMax, *y);
    panel.puntos.push_back(punto);
  }
  for (auto& [huso, panel] : paneles) {
    // The cut's plots are drawn over the others.
    std::stable_partition(panel.puntos.begin(), panel.puntos.end(),
                          [](const PuntoMapa& p) { return p.leyenda == kFueraDelCorte; });
    mapa.paneles.push_back(std::move(panel));
  }
  for (auto& e : mapa.leyenda) e.texto += " (" + std::to_string(e.parcelas) + ")";
  mapa.leyenda.push_back(
      {0,
       kLeyendaFueraCorte + std::string(" (") +
           std::to_string(total - mapa.parcelasSinCoordenadas - mapa.parcelasCorte) + ")",
       kColorFuera, total - mapa.parcelasSinCoordenadas - mapa.parcelasCorte});
  mapa.titulo = std::string(kTituloMapaCorte) + ": " + std::to_string(mapa.parcelasCorte) + " de " +
                std::to_string(total) + " parcelas";
  if (mapa.parcelasSinCoordenadas > 0)
    mapa.titulo += " (" + std::to_string(mapa.parcelasSinCoordenadas) + " sin coordenadas)";
  return mapa;
}

shell::ImagenRgba DibujaMapa(const MapaCorte& mapa, int ancho, int alto) {
  shell::ImagenRgba img(ancho, alto);
  ancho = img.ancho();
  alto = img.alto();
  const int letra = std::clamp(std::min(ancho, alto) / 50, 9, 16);
  const int margen = letra;
  const int linea = letra + letra / 2;
  img.texto(margen, margen + letra, mapa.titulo, letra + 2, kColorTexto);

  // The legend on the right, as wide as its longest line (at most a third of the image); in a
  // tall image, under the panels.
  const bool debajo = ancho < alto;
  int anchoLeyenda = 0;
  for (const auto& e : mapa.leyenda)
    anchoLeyenda = std::max(anchoLeyenda, shell::ImagenRgba::anchoTexto(e.texto, letra));
  anchoLeyenda = std::min(anchoLeyenda + 3 * letra, debajo ? ancho - 2 * margen : ancho / 3);
  const int altoLeyenda = static_cast<int>(mapa.leyenda.size()) * linea;
  const int xLeyenda = debajo ? margen : ancho - anchoLeyenda - margen;
  int yLinea = debajo ? alto - margen - altoLeyenda + letra : 3 * margen + letra;
  for (const auto& e : mapa.leyenda) {
    const double r = letra * 0.4;
    img.disco(xLeyenda + r, yLinea - r, e.color == kColorFuera ? r * 0.6 : r, e.color);
    img.texto(xLeyenda + 3 * static_cast<int>(r) + 4, yLinea, e.texto, letra, kColorTexto);
    yLinea += linea;
  }

  const int arriba = 2 * margen + 2 * letra;
  const int abajo = (debajo ? alto - altoLeyenda - margen : alto) - margen - 2 * letra;
  const int izquierda = margen, derecha = debajo ? ancho - margen : xLeyenda - margen;
  if (mapa.paneles.empty()) {
    img.texto(izquierda, (arriba + abajo) / 2, kMapaSinCoordenadas, letra, kColorTexto);
    return img;
  }
  const int n = static_cast<int>(mapa.paneles.size());
  const int hueco = margen;
  const int anchoHueco = std::max(10, (derecha - izquierda - (n - 1) * hueco) / n);
  const int altoHueco = std::max(10, abajo - arriba);
  for (int k = 0; k < n; ++k) {
    const PanelMapa& p = mapa.paneles[static_cast<std::size_t>(k)];
    // One scale for both axes; the frame takes the shape of the panel's plots, with a margin
    // of a point's size inside it.
    const double radio = std::clamp(std::min(anchoHueco, altoHueco) / 120.0, 1.5, 4.0);
    const double borde = 2 * radio + 2;
    const double ex = std::max(p.xMax - p.xMin, 1.0), ey = std::max(p.yMax - p.yMin, 1.0);
    const double escala =
        std::max(0.0, std::min((anchoHueco - 2 * borde) / ex, (altoHueco - 2 * borde) / ey));
    const int anchoPanel = static_cast<int>(std::ceil(ex * escala + 2 * borde));
    const int altoPanel = static_cast<int>(std::ceil(ey * escala + 2 * borde));
    const int x0 = izquierda + k * (anchoHueco + hueco) + (anchoHueco - anchoPanel) / 2;
    img.marco(x0, arriba, anchoPanel, altoPanel, kColorMarco);
    img.texto(x0 + 4, arriba - letra / 2, "Huso " + std::to_string(p.huso), letra, kColorTexto);
    const double ox = x0 + anchoPanel / 2.0 - escala * (p.xMin + p.xMax) / 2;
    const double oy = arriba + altoPanel / 2.0 + escala * (p.yMin + p.yMax) / 2;
    for (const PuntoMapa& q : p.puntos) {
      const double px = ox + escala * q.x, py = oy - escala * q.y;
      if (q.leyenda == kFueraDelCorte) {
        img.disco(px, py, radio * 0.6, kColorFuera);
      } else {
        const auto& e = mapa.leyenda[static_cast<std::size_t>(q.leyenda)];
        img.disco(px, py, radio, e.color);
        if (e.color == kColorSinPies) img.anillo(px, py, radio, kColorSinPies);
      }
    }
    // The extent of the panel's plots, in km.
    const std::string extension = "X " + Numero(p.xMin) + "-" + Numero(p.xMax) + "  Y " +
                                  Numero(p.yMin) + "-" + Numero(p.yMax) + " km";
    img.texto(x0 + 4, arriba + altoPanel + letra + 2, extension, letra - 2, kColorTexto);
  }
  return img;
}

void GuardarMapaPng(const MapaCorte& mapa, const std::string& ruta, int ancho, int alto) {
  store::replaceFileContents(ruta, shell::CodificaPng(DibujaMapa(mapa, ancho, alto)));
}

bool GuardarMapaComo(const MapaCorte& mapa, shell::Interaccion& ui) {
  shell::DialogoArchivo dialogo;
  dialogo.titulo = kCaptionGuardarMapa;
  dialogo.filtro = kFiltroMapa;
  dialogo.nombreInicial = "MapaCorte.png";
  const std::optional<std::string> elegido = ui.guardarArchivo(dialogo);
  if (!elegido) return false;
  return shell::EjecutarOrden(ui, shell::FalloOrden::Prefijo("Error "),
                              [&] { GuardarMapaPng(mapa, *elegido); });
}

bool ModeloMapaCorte::actualizar(store::Database& trabajo,
                                 const inventory::ListaDeParcelas& lista) {
  std::vector<std::int32_t> firma;
  {
    store::Cursor d = trabajo.openCursor("DATDEF00", store::CursorKind::ForwardOnly);
    firma.push_back(static_cast<std::int32_t>(d.recordCount()));
  }
  firma.push_back(lista.vacia() ? 0 : lista.numero);
  if (!lista.vacia()) {
    for (std::int32_t i = 1; i <= lista.numero; ++i) {
      const auto& p = lista.entradas[static_cast<std::size_t>(i)];
      firma.push_back(static_cast<std::int32_t>(Clave(p.provincia, p.estadillo)));
    }
  }
  if (firma == firma_) return false;
  mapa_ = CalculaMapaCorte(trabajo, lista);
  firma_ = std::move(firma);
  return true;
}

}  // namespace arbelio::cut
