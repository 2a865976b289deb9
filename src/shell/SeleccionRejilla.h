// The selection of a viewer's grid, as the viewers keep it: a click on the header row selects a
// column (and enables sorting by it), a click on a data row selects the row. The grid's tag
// names it ("col" or "row" followed by the index). Shared by the results viewer and the cut data
// viewer; the window paints it (PintarSeleccion in TablaModeloQt.h).
#pragma once

#include <cstdint>
#include <string>

#include "shell/FuenteTabla.h"

namespace arbelio::shell {

class SeleccionRejilla {
 public:
  enum class Tipo { Ninguna, Columna, Fila };

  // A header click on column c of `fuente` (ignored outside its columns).
  void PulsarCabecera(const FuenteTabla& fuente, int columna) {
    if (columna < 0 || columna >= fuente.columnas()) return;
    tipo_ = Tipo::Columna;
    indice_ = columna;
  }
  // A click on data row f of `fuente` (ignored outside its rows).
  void PulsarFila(const FuenteTabla& fuente, std::int64_t fila) {
    if (fila < 0 || fila >= fuente.filas()) return;
    tipo_ = Tipo::Fila;
    indice_ = fila;
  }
  void Limpiar() {
    tipo_ = Tipo::Ninguna;
    indice_ = -1;
  }

  Tipo tipo() const { return tipo_; }
  std::int64_t indice() const { return indice_; }
  bool columna() const { return tipo_ == Tipo::Columna; }
  bool fila() const { return tipo_ == Tipo::Fila; }
  // The grid's tag: "col" + column, "row" + row, or "".
  std::string etiqueta() const {
    switch (tipo_) {
      case Tipo::Columna:
        return "col" + std::to_string(indice_);
      case Tipo::Fila:
        return "row" + std::to_string(indice_);
      case Tipo::Ninguna:
        break;
    }
    return "";
  }
  // Sorts every row of `fuente` by the selected column, numerically ascending; the column stays
  // selected. False (nothing done) while no column is selected.
  bool Ordenar(FuenteTabla& fuente) const {
    if (!columna()) return false;
    fuente.ordenarPorColumna(static_cast<int>(indice_));
    return true;
  }

 private:
  Tipo tipo_ = Tipo::Ninguna;
  std::int64_t indice_ = -1;
};

}  // namespace arbelio::shell
