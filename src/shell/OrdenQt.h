// Window commands through the command barrier: a window connects a control's signal to a core
// command with ConectarOrden, so any failure of the command shows the command's message and ends
// it instead of crossing the event loop.
//
//   ConectarOrden(CommandAplicar, &QPushButton::clicked, principal.interaccion(),
//                 [this] { AplicarCriterios(...); });
#pragma once

#include <QObject>
#include <functional>
#include <utility>

#include "shell/EjecutarOrden.h"

namespace arbelio::shell {

template <typename Emisor, typename Senal>
QMetaObject::Connection ConectarOrden(Emisor* emisor, Senal senal, Interaccion& ui,
                                      std::function<void()> orden,
                                      FalloOrden fallo = FalloOrden::Prefijo("Error ")) {
  return QObject::connect(emisor, senal, emisor,
                          [&ui, orden = std::move(orden), fallo = std::move(fallo)] {
                            EjecutarOrden(ui, fallo, orden);
                          });
}

}  // namespace arbelio::shell
