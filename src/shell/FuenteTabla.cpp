#include "shell/FuenteTabla.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace arbelio::shell {

std::string TextoPorDefecto(const store::Value& v) {
  return v.toString();
}

std::string FuenteTabla::texto(std::int64_t fila, int col) const {
  const ColumnaVista& c = columna(col);
  const store::Value v = valor(fila, col);
  return c.formato ? c.formato(v) : TextoPorDefecto(v);
}

std::vector<std::int64_t> FuenteTabla::ordenarPorColumna(int col, bool descendente) {
  (void)columna(col);
  const std::int64_t n = filas();
  // Three groups, each sorted on its own and ties broken by the row's place, which keeps the
  // sort stable without std::stable_sort's extra buffer (grids reach millions of rows).
  std::vector<std::pair<double, std::int64_t>> numeros;
  std::vector<std::pair<std::string, std::int64_t>> textos;
  std::vector<std::int64_t> vacias;
  numeros.reserve(static_cast<std::size_t>(n));
  for (std::int64_t f = 0; f < n; ++f) {
    const store::Value v = valor(f, col);
    double d = 0;
    if (v.isNumber() && !std::isnan(v.number())) {
      numeros.emplace_back(v.number(), f);
    } else if (v.isText() && store::parseNumber(v.text(), d) && !std::isnan(d)) {
      numeros.emplace_back(d, f);
    } else if (v.isText() && v.text().find_first_not_of(' ') != std::string::npos) {
      textos.emplace_back(v.text(), f);
    } else {
      vacias.push_back(f);
    }
  }
  const auto porClave = [descendente](const auto& a, const auto& b) {
    if (a.first != b.first) return descendente ? b.first < a.first : a.first < b.first;
    return a.second < b.second;
  };
  std::sort(numeros.begin(), numeros.end(), porClave);
  std::sort(textos.begin(), textos.end(), porClave);

  std::vector<std::int64_t> permutacion;
  permutacion.reserve(static_cast<std::size_t>(n));
  for (const auto& e : numeros) permutacion.push_back(e.second);
  numeros = {};
  for (const auto& e : textos) permutacion.push_back(e.second);
  permutacion.insert(permutacion.end(), vacias.begin(), vacias.end());

  bool identidad = true;
  for (std::int64_t f = 0; identidad && f < n; ++f)
    identidad = permutacion[static_cast<std::size_t>(f)] == f;
  if (!identidad) aplicarOrden(permutacion);
  return permutacion;
}

bool FuenteTabla::eliminarFilas(std::int64_t fila, std::int64_t cuantas) {
  if (fila < 0 || cuantas < 1 || cuantas > filas() - fila) return false;
  quitarFilas(fila, cuantas);
  return true;
}

std::int64_t FuenteTabla::filasQueFaltan() const {
  return std::max<std::int64_t>(filasMinimas() - filas(), 0);
}

void FuenteTabla::completarFilas() {
  const std::int64_t faltan = filasQueFaltan();
  if (faltan > 0) insertarFilas(filas(), faltan);
}

bool FuenteTabla::insertarFilas(std::int64_t, std::int64_t) {
  return false;
}

bool FuenteTabla::editable(std::int64_t, int) const {
  return false;
}

bool FuenteTabla::fijarTexto(std::int64_t, int, const std::string&) {
  return false;
}

}  // namespace arbelio::shell
