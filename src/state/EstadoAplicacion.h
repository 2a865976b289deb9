// The application state: one instance for the whole run of the program, owned by main() (or by
// arbelio-batch, or by a test) and passed by reference to every command that reads or writes it.
//
// It is made of the parts each subsystem declares in its own folder, so the shared variables
// keep their names (estado.SufijoTablas, estado.ListaParcelas...) while the shell, which only
// knows EstadoComun, never includes a subsystem. A function that needs one part only may take
// that part. This header sits above the subsystems: the shell must not include it.
#pragma once

#include "calc/EstadoCalculo.h"
#include "cut/EstadoCorte.h"
#include "equations/EstadoEcuaciones.h"
#include "import/EstadoImportacion.h"
#include "shell/EstadoComun.h"

namespace arbelio {

struct EstadoAplicacion : shell::EstadoComun,
                          import::EstadoImportacion,
                          cut::EstadoCorte,
                          calc::EstadoCalculo {
  // Lists and script engine of the equation texts (checked formula, parameters, variables).
  equations::EstadoEcuaciones ecuaciones;

  void ReiniciarSubsistemas() override {
    import::EstadoImportacion::Reiniciar();
    cut::EstadoCorte::Reiniciar();
    calc::EstadoCalculo::Reiniciar();
  }
};

}  // namespace arbelio
