// The map panel of the cut tool: shows the core's drawing of the cut (MapaCorte) at the panel's
// size and saves it ("Guardar mapa..."). The map is recomputed only when the cut changed.
#pragma once

#include <QWidget>
#include <string>

#include "cut/MapaCorte.h"

class QPushButton;

namespace arbelio::cut {

class PanelMapaCorteQt : public QWidget {
  Q_OBJECT

 public:
  PanelMapaCorteQt(shell::Interaccion& ui, QWidget* padre = nullptr);

  // Recomputes the map when the cut or the working database in `BDTemp` changed, and redraws.
  // Without a working database the panel is left empty.
  void actualizar(const std::string& BDTemp, const inventory::ListaDeParcelas& lista);
  const MapaCorte& mapa() const { return modelo_.mapa(); }
  bool vacio() const { return !hayMapa_; }

  QWidget* lienzo;
  QPushButton* CommandGuardarMapa;

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override;

 private:
  shell::Interaccion& ui_;
  ModeloMapaCorte modelo_;
  bool hayMapa_ = false;
};

}  // namespace arbelio::cut
