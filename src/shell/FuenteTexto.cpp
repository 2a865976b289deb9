#include "shell/FuenteTexto.h"

#include <algorithm>
#include <stdexcept>

namespace arbelio::shell {

FuenteTexto::FuenteTexto(std::vector<ColumnaVista> columnas, std::int64_t filasMinimas,
                         bool editable)
    : FuenteTabla(std::move(columnas)),
      filasMinimas_(std::max<std::int64_t>(filasMinimas, 0)),
      editable_(editable) {
  completarFilas();
}

void FuenteTexto::fijarFilas(std::vector<Fila> filas) {
  filas_ = std::move(filas);
  for (auto& f : filas_) f.resize(columnas_.size());
  completarFilas();
}

const std::string& FuenteTexto::celda(std::int64_t fila, int col) const {
  if (fila < 0 || fila >= filas() || col < 0 || col >= columnas())
    throw std::out_of_range("celda fuera de la rejilla");
  return filas_[static_cast<std::size_t>(fila)][static_cast<std::size_t>(col)];
}

std::int64_t FuenteTexto::filasConDatos() const {
  return std::count_if(filas_.begin(), filas_.end(), [](const Fila& f) {
    return std::any_of(f.begin(), f.end(), [](const std::string& s) {
      return s.find_first_not_of(' ') != std::string::npos;
    });
  });
}

bool FuenteTexto::insertarFilas(std::int64_t fila, std::int64_t cuantas) {
  if (fila < 0 || fila > filas() || cuantas < 1) return false;
  filas_.insert(filas_.begin() + fila, static_cast<std::size_t>(cuantas), Fila(columnas_.size()));
  return true;
}

bool FuenteTexto::editable(std::int64_t fila, int col) const {
  return editable_ && fila >= 0 && fila < filas() && col >= 0 && col < columnas();
}

bool FuenteTexto::fijarTexto(std::int64_t fila, int col, const std::string& texto) {
  if (!editable(fila, col)) return false;
  filas_[static_cast<std::size_t>(fila)][static_cast<std::size_t>(col)] = texto;
  return true;
}

void FuenteTexto::aplicarOrden(const std::vector<std::int64_t>& permutacion) {
  std::vector<Fila> ordenadas;
  ordenadas.reserve(filas_.size());
  for (const std::int64_t f : permutacion)
    ordenadas.push_back(std::move(filas_[static_cast<std::size_t>(f)]));
  filas_ = std::move(ordenadas);
}

void FuenteTexto::quitarFilas(std::int64_t fila, std::int64_t cuantas) {
  filas_.erase(filas_.begin() + fila, filas_.begin() + fila + cuantas);
}

}  // namespace arbelio::shell
