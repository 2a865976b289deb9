// The first two passes of a calculation run: the tree pass fills the individual-tree table
// AIndiv + SufijoTablas from PIESMA00 (diameter, expansion-factor code, section, circumference,
// class, height, cork), then the equation pass fills the variable columns with the user's and
// the inventory's equations.
//
// Trees without a usable diameter (an empty DIAMETRO1/DIAMETRO2, or DN below 7.5 cm) get no
// expansion-factor code; they are kept out of AIndiv (and so of every sum) and counted in
// EstadoAplicacion::PiesSinDiametroValido for one warning at the end of the run.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "equations/Ecuaciones.h"
#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "store/Value.h"

namespace arbelio::calc {

// What the inventory's equations need of a tree.
struct ArbolKAV {
  store::Value provincia, especie, forma, paramesp, dn, altura, vcc;
};

// The inventory's equations: the value of a variable for a tree, or nullopt when the inventory
// has no equation for it (or its model cannot be evaluated for the tree).
class FuenteEcuacionesKAV {
 public:
  virtual ~FuenteEcuacionesKAV() = default;
  virtual std::optional<double> Valor(const ArbolKAV& arbol, const std::string& variable) = 0;
  // A second source of the same equations that another thread may use while this one is in use
  // (each keeps its own caches); null when there is none, and the trees are then taken on one
  // thread.
  virtual std::unique_ptr<FuenteEcuacionesKAV> OtraFuente() const { return nullptr; }
};

// The inventory equations installed in the program folder (EcuacionesKAV.sqlite). Throws
// StoreError when the database cannot be opened.
std::unique_ptr<FuenteEcuacionesKAV> AbrirFuenteKAV(const std::string& carpetaPrograma);
// The same, opened ahead: the opening starts now on another thread, and the function returned
// gives the equations when called (once), or throws the failure to open them.
using EcuacionesKAVAbiertas = std::function<std::unique_ptr<FuenteEcuacionesKAV>()>;
EcuacionesKAVAbiertas AbrirFuenteKAVAntes(const std::string& carpetaPrograma);
// The same, opened by the first of two calls: `abrir` (run where a core is free; it never
// throws) or `tomar`, which gives the equations (once), waiting for an opening under way, or
// throws the failure to open them.
struct AperturaKAV {
  EcuacionesKAVAbiertas tomar;
  std::function<void()> abrir;
};
AperturaKAV PrepararAperturaKAV(const std::string& carpetaPrograma);

// Runs one step of a pass. A step that fails on one tree or plot (an empty field read as a
// number, a value that does not fit) is skipped and leaves its field empty; the pass goes on.
template <class F>
void PasoTolerante(F&& paso) {
  try {
    paso();
  } catch (const store::StoreError&) {
  }
}

enum class ResultadoPasada { Completa, Cancelada, SinRegistros };

// PIESMA00 is read from `trabajo` (BDTemp); AIndiv + SufijoTablas must exist in `salida`.
// The equation pass (CalculosEcuaciones) follows a complete pass.
ResultadoPasada CalculosArbolIndividual(EstadoAplicacion& estado, shell::Interaccion& ui,
                                        store::Database& trabajo, store::Database& salida);

// Fills the variable columns of AIndiv: user equations ("Ecuas"/"Models"/"Params" +
// SufijoTablas in `salida`) unless MetodoCalculo is 1, then inventory equations for the columns
// still empty unless MetodoCalculo is 3. `kav` may be null when the method uses user equations
// only.
void CalculosEcuaciones(EstadoAplicacion& estado, shell::Interaccion& ui, store::Database& salida,
                        FuenteEcuacionesKAV* kav);

// The volume variables whose boxes are ticked in the options (rows 1-4 marked "SI"): the
// variables an equation text may use besides HT and DN.
equations::VariablesMarcadas VariablesDeOpciones(const EstadoAplicacion& estado);

}  // namespace arbelio::calc
