#include "calc/Pasadas.h"

#include <memory>

#include "calc/ArbolesCalculo.h"
#include "calc/CalculosDesglose.h"
#include "calc/CalculosResumen.h"

namespace arbelio::calc {

EntornoCalculo EntornoInstalado() {
  EntornoCalculo entorno;
  // The tree table is read into memory once per run, after the tree pass (which is the only one
  // that writes it), and shared by the passes that walk the trees.
  auto arboles = std::make_shared<std::unique_ptr<ArbolesCalculo>>();
  entorno.soltarArboles = [arboles] { arboles->reset(); };
  const auto compartidos = [arboles](EstadoAplicacion& e, store::Database& salida) {
    if (!*arboles) *arboles = std::make_unique<ArbolesCalculo>(salida, e);
    return arboles->get();
  };
  entorno.arboles = compartidos;
  using F =
      void (*)(EstadoAplicacion&, shell::Interaccion&, store::Database&, const ArbolesCalculo*);
  const auto conArboles = [compartidos](F pasada) {
    return [compartidos, pasada](EstadoAplicacion& e, shell::Interaccion& ui,
                                 store::Database& salida) {
      pasada(e, ui, salida, compartidos(e, salida));
    };
  };
  // By TablasCalcular index (1 Parcel takes the trees through `entorno.arboles`): 2 Specie, 3
  // Cldiam, 4 Sp_par, 5 Cd_par, 6 Cd_esp, 7 Cdsp_p, 8 Totals (0 AIndiv and 1 Parcel are passes of
  // the run itself).
  entorno.pasadas[2] = CalculosEspecie;
  entorno.pasadas[3] = CalculosClaseDiametrica;
  entorno.pasadas[4] = conArboles(CalculosEspecieParcela);
  entorno.pasadas[5] = conArboles(CalculosClaseDiametricaParcela);
  entorno.pasadas[6] = conArboles(CalculosClaseDiametricaEspecie);
  entorno.pasadas[7] = conArboles(CalculosClaseEspecieParcela);
  entorno.pasadas[8] = CalculosTotales;
  return entorno;
}

}  // namespace arbelio::calc
