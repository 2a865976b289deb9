// A complete calculation run (HazCalculos) and its preparation (PrepararCalculo).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "calc/CalculosArbol.h"
#include "calc/TablasResultado.h"

namespace arbelio::calc {

// A filling pass of a result table: reads the open output database, writes its table.
using Pasada = std::function<void(EstadoAplicacion&, shell::Interaccion&, store::Database& salida)>;

class ArbolesCalculo;

// What the run needs from other subsystems.
struct EntornoCalculo {
  // Generates the working database when BDTemp has no DATDEF00 (mnuAGenerarBDT_Click).
  std::function<void()> generarBaseTrabajo;
  // The inventory equations, called where the run needs them (they may have been opened ahead:
  // AbrirFuenteKAVAntes); empty: the installed EcuacionesKAV of the program folder, opened while
  // the run is prepared.
  EcuacionesKAVAbiertas abrirEcuacionesKAV;
  // Filling passes by TablasCalcular index (AIndiv and Parcel are built in; the others are the
  // class and species breakdowns and the whole-cut summaries). An empty pass leaves its table
  // created and empty.
  std::array<Pasada, 9> pasadas;
  // The trees of AIndiv read into memory once per run and shared by the passes that walk them
  // (valid until `soltarArboles`); empty: the plot pass reads its own.
  std::function<const ArbolesCalculo*(EstadoAplicacion&, store::Database& salida)> arboles;
  // Drops the trees `arboles` read: once the last pass that walks them is done, and at the end
  // of every run.
  std::function<void()> soltarArboles;
  // Random source of fresh table codes (tests); empty: the clock.
  std::function<double()> aleatorio;
  // The results viewer of the window; empty in batch runs. It is unloaded at the start of every
  // run, before BDOut is emptied (it keeps the table it shows loaded), and shown after a run
  // that finished.
  std::function<void()> descargarVisor;
  std::function<void()> mostrarVisor;
  // Called once the tree pass has read the working database, which no later step of the run
  // reads; empty: nothing is done.
  std::function<void()> trabajoLeido;
};

struct ResultadoCalculo {
  bool cancelado = false;              // the run did not finish: Cancelar, or a failure it reported
  std::vector<TablaResultado> tablas;  // created, in creation order
  std::int64_t piesCalculados = 0;     // rows of AIndiv
};

// Run order of the tables after AIndiv, by TablasCalcular index.
inline constexpr std::array<int, 8> kOrdenPasadas = {1, 5, 4, 8, 2, 3, 6, 7};

// The selected tables plus those their passes read (Sp_par, Totals need Parcel; Specie needs
// Sp_par, Parcel and Totals; Cldiam needs Cd_par, Parcel and Totals). AIndiv always.
std::array<bool, 9> TablasNecesarias(const std::array<bool, 9>& seleccion);

// Every plot of the working database (DATDEF00 of `trabajo`), in table order.
std::vector<inventory::Parcela> ParcelasDeDatDef00(store::Database& trabajo);

// Builds the plot list from DATDEF00 when it is empty (with a fresh SufijoTablas) and puts the
// empty tables of BDEstruct into BDOut. The working database is generated first when BDTemp
// has none (then a plot list left from before cannot be of it and is rebuilt too). From here on
// no other database can be selected: "Seleccionar base de datos..." is disabled.
void PrepararCalculo(EstadoAplicacion& estado, shell::Interaccion& ui,
                     const EntornoCalculo& entorno);

// One run: unloads the results viewer, cleans BDOut, prepares, creates and fills the tables,
// warns about incomplete volumes and trees left out, enables "Guardar Cálculos..." and, unless
// the run was cancelled, shows the results viewer. Any failure ends the run with "Error " + its
// description.
ResultadoCalculo HazCalculos(EstadoAplicacion& estado, shell::Interaccion& ui,
                             const EntornoCalculo& entorno);

// "&Calcular" of the menu: AIndiv, Parcel and Sp_par only, then HazCalculos.
ResultadoCalculo mnuCalCalcular_Click(EstadoAplicacion& estado, shell::Interaccion& ui,
                                      const EntornoCalculo& entorno);

// "&Opciones...": the preparation of a run (PrepararCalculo), under the hourglass, before the
// options dialog shows. False when it failed (its "Error " message shown): no dialog then.
bool mnuCalOpciones_Click(EstadoAplicacion& estado, shell::Interaccion& ui,
                          const EntornoCalculo& entorno);

inline constexpr const char* kAvisoVolumenesIncompletos =
    "Advertencia: En alguna parcela no se pudieron calcular todos los volumenes. Esto es debido a "
    "que existe algun conjunto (combinación de especie, forma, calidad) para el que el KAV no "
    "dispone de ecuaciones en alguna de las variables (VCC,VSC,...). Los valores no calculados "
    "son espacios en blanco en la base de datos. Si lo desea, puede configurar sus propias "
    "ecuaciones para obtener datos válidos para los árboles individuales de aquellos conjuntos, "
    "y así poder obtener los datos por hectárea completos.";

// "N pies mayores sin diámetro válido (nulo o menor de 7,5 cm) no se han incluido en los
// cálculos."
std::string AvisoPiesSinDiametro(std::int32_t n);

}  // namespace arbelio::calc
