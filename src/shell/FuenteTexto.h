// A small grid of texts held in memory: the lists and the editable criteria grids. Rows can be
// set, read, edited, inserted and removed; a grid that keeps a minimum number of rows (the
// criteria grids start with 20 empty rows) is refilled with empty rows at its end after a
// removal (completarFilas), so removing a row moves the later rows up and leaves the last one
// empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/FuenteTabla.h"

namespace arbelio::shell {

class FuenteTexto : public FuenteTabla {
 public:
  using Fila = std::vector<std::string>;

  // One column per entry of `columnas`; `filasMinimas` empty rows to start with.
  explicit FuenteTexto(std::vector<ColumnaVista> columnas, std::int64_t filasMinimas = 0,
                       bool editable = false);

  // Replaces every row; each is cut or padded with empty cells to the column count. The grid is
  // then padded to its minimum rows.
  void fijarFilas(std::vector<Fila> filas);
  const std::vector<Fila>& todas() const { return filas_; }
  const std::string& celda(std::int64_t fila, int col) const;
  // Rows holding any non-blank cell.
  std::int64_t filasConDatos() const;

  std::int64_t filas() const override { return static_cast<std::int64_t>(filas_.size()); }
  store::Value valor(std::int64_t fila, int col) const override { return celda(fila, col); }
  bool admiteInsertar() const override { return true; }
  bool insertarFilas(std::int64_t fila, std::int64_t cuantas = 1) override;
  std::int64_t filasMinimas() const override { return filasMinimas_; }
  bool editable(std::int64_t fila, int col) const override;
  bool fijarTexto(std::int64_t fila, int col, const std::string& texto) override;

 protected:
  void aplicarOrden(const std::vector<std::int64_t>& permutacion) override;
  void quitarFilas(std::int64_t fila, std::int64_t cuantas) override;

 private:
  std::vector<Fila> filas_;
  std::int64_t filasMinimas_;
  bool editable_;
};

}  // namespace arbelio::shell
