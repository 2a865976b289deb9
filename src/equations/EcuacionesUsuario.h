// The user equation store: three dBASE IV tables in the output folder BDOut per table suffix,
// "Ecuas" + suffix (one row per equation: Especie, forma, calidad, variable, idmodelo,
// idecuacion), "Models" + suffix (one row per distinct formula text: idmodelo, modelo) and
// "Params" + suffix (one row per parameter: idecuacion, parametro, valorparam).
//
// Rules kept here:
//  - at most one equation per (species, form, quality, variable); form or quality 0 is "Todas";
//  - equations with the same formula text share its "Models" row; "Models" rows are never
//    removed, so a new formula gets idmodelo = number of rows + 1;
//  - a new equation gets idecuacion = largest idecuacion + 1 (1 for an empty table);
//  - the parameters of an equation are stored in the order of first occurrence in its formula
//    and are bound to the formula by that position; the placeholder "X1" is never stored.
//  - formula texts are compared exactly, blanks around them ignored; quotes need no escaping.
//
// Every operation opens BDOut as a dBASE IV database and closes it before returning. A table
// missing when an equation is written is first created from its empty template in BDEstruct
// (or from the layout when the template is missing too). Store failures throw
// store::StoreError.
//
// The writing operations (add, replace, delete) change the three tables as a unit: the change
// is made on copies in a folder of its own inside BDOut, and the copies replace the tables
// (each moved aside, its copy renamed in) only once all three are whole. Any failure, in the
// change or in the renames, leaves the three tables as they were, and the StoreError's
// description says so ("Las tablas EcuasXX, ModelsXX y ParamsXX quedan como estaban.").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "equations/Ecuaciones.h"

namespace arbelio::equations {

// Where the user tables are: the output folder, the templates folder and the table suffix.
struct UbicacionEcuacionesUsuario {
  std::string BDOut;
  std::string BDEstruct;
  std::string sufijo;  // SufijoTablas
};

// The set of trees and the variable an equation is for.
struct ConjuntoEcuacion {
  int especie = 0;
  int forma = 0;    // 0 = "Todas"
  int calidad = 0;  // 0 = "Todas"
  std::string variable;
};

struct EcuacionUsuario {
  ConjuntoEcuacion conjunto;
  std::int32_t idmodelo = 0;
  std::int32_t idecuacion = 0;
  std::string formula;                  // trimmed; "" when its "Models" row is missing
  std::vector<std::string> parametros;  // names, in stored order
  std::vector<double> valores;          // values, same order
};

// "Ecuas" / "Models" / "Params" + suffix.
std::string TablaEcuas(const std::string& sufijo);
std::string TablaModels(const std::string& sufijo);
std::string TablaParams(const std::string& sufijo);

// Numeric value of the editor's form or quality text: "Todas" -> 0, "3" -> 3.
int ValorFormaCalidad(std::string_view texto);
// Variable name of the editor's variable item: the text before " (", trimmed ("VCC (dm3)" ->
// "VCC").
std::string VariableDeItem(std::string_view item);

// Preparation of a calculation: for each of "Ecuas", "Models", "Params" whose file name +
// suffix + ".dbf" is not in BDOut, copies the template of BDEstruct there (or creates the
// table from its layout when there is no template). Existing tables stay as they are.
void CrearTablasEcuacionesUsuario(const UbicacionEcuacionesUsuario& u);

// CargarEcuacionesUsuario: every "Ecuas" row in stored order with its formula and parameters.
// Missing tables give no rows.
std::vector<EcuacionUsuario> CargarEcuacionesUsuario(const UbicacionEcuacionesUsuario& u);

// ExisteCálculoenBDQ: an equation for the set exists.
bool ExisteCalculoenBDQ(const UbicacionEcuacionesUsuario& u, const ConjuntoEcuacion& c);

// AñadeCálculoaBDQ: adds an equation; returns its idecuacion. It does not look for an equation
// of the same set: the editor asks first (ExisteCalculoenBDQ) and replaces it instead. `parametros`
// are the names of the formula in order of first occurrence (a list holding only "X1" is empty),
// `valores` their values in the same order.
std::int32_t AnadeCalculoaBDQ(const UbicacionEcuacionesUsuario& u, const ConjuntoEcuacion& c,
                              const std::string& formula,
                              const std::vector<std::string>& parametros,
                              const std::vector<double>& valores);

// ModificaCálculodeBDQ: replaces the formula and parameters of the equation of the set, keeping
// its idecuacion. Throws StoreError 3021 when the set has no equation (nothing is written).
void ModificaCalculodeBDQ(const UbicacionEcuacionesUsuario& u, const ConjuntoEcuacion& c,
                          const std::string& formula, const std::vector<std::string>& parametros,
                          const std::vector<double>& valores);

// QuitaCálculodeBDQ: deletes the equation of the set and its parameters (its "Models" row
// stays). Returns false when there was none.
bool QuitaCalculodeBDQ(const UbicacionEcuacionesUsuario& u, const ConjuntoEcuacion& c);

// Test seam: the n-th rename (0-based) of the next writing operation's commit fails, as a
// rename refused by the system would (-1: never).
void FallarRenombradoEcuacionesParaPruebas(int n);

// A user equation ready to be evaluated per tree, as the equation pass applies it: the formula
// checked and compiled once into its own engine, the parameter values bound by position. Each
// call passes the values a call text "EGS(...)" would carry: every argument goes through its
// decimal text (15 significant digits for the parameters, 7 for the tree's single fields) and
// is read back.
class EcuacionUsuarioPreparada {
 public:
  // Checks the formula with the valid variables of `e` (ComprobarEcuacion) and compiles it.
  // When the check or the engine refuses it, valida() is false and `mensaje` says why.
  EcuacionUsuarioPreparada(EstadoEcuaciones& e, const EcuacionUsuario& ecuacion,
                           const VariablesMarcadas& marcadas);

  bool valida() const { return valida_; }
  const std::string& mensaje() const { return mensaje_; }
  // The tree variables of the formula in argument order (after the parameters).
  const std::vector<std::string>& variables() const { return variables_; }
  // The AIndiv field of each variable (CampoDeVariable: HT -> ALTURA).
  const std::vector<std::string>& campos() const { return campos_; }
  // Value for one tree: `valoresVariables` in the order of variables(); a missing value or an
  // evaluation error gives nullopt (the field stays as it was: empty).
  std::optional<double> Evaluar(const std::vector<std::optional<double>>& valoresVariables);
  // The error of the last failed evaluation.
  const ErrorScript& error() const { return motor_.error(); }

 private:
  MotorScript motor_;
  bool valida_ = false;
  std::string mensaje_;
  std::vector<double> parametros_;
  std::vector<std::string> variables_;
  std::vector<std::string> campos_;
  std::vector<double> args_;
};

}  // namespace arbelio::equations
