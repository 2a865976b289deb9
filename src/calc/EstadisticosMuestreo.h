// Sampling statistics of a cut: the table "Estadi" + code, one row per plot variable per
// hectare (N, AB and each volume column of Parcel) and the same per species from Sp_par.
//
// The cut's plots are taken as a simple random sample of equal-area units (no finite-population
// correction). For each variable: n plots with a value (a plot without trees counts as 0, a plot
// with an empty value is left out of that variable), the mean, the sample standard deviation
// (divisor n - 1), the standard error s / sqrt(n), the relative standard error 100 SE / mean and
// the 95 % confidence interval mean -/+ t SE with Student's t on n - 1 degrees of freedom.
//
// Precision: the inputs are the single-precision values of Parcel and Sp_par, taken exactly as
// doubles; every sum, mean and deviation is computed in double (two passes: mean, then the sum
// of squared deviations), and the results are stored in single-precision columns like every
// other result table.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"
#include "store/Database.h"
#include "store/Schema.h"

namespace arbelio::calc {

// Base name of the table ("Estadi" + SufijoTablas in BDOut).
inline constexpr const char* kBaseEstadisticos = "Estadi";
std::string NombreTablaEstadisticos(const EstadoAplicacion& estado);

// The 0.975 quantile of Student's t with `gradosLibertad` (>= 1) degrees of freedom: the
// multiplier of the two-sided 95 % interval. Up to 1000 degrees of freedom it solves the exact
// closed form of the distribution for whole degrees of freedom by bisection; above, it uses the
// asymptotic expansion in 1/df around the normal quantile (error below 1e-12 there).
double CuantilStudent975(std::int64_t gradosLibertad);

// The statistics of one variable. Fields that cannot be computed are empty: everything but the
// count with no value; the deviation, errors and limits with fewer than 2 values; the relative
// error when the mean is 0.
struct EstadisticosVariable {
  std::int32_t n = 0;
  std::optional<double> media, desviacion, errorTipico, errorRelativo, limiteInferior,
      limiteSuperior;
};
EstadisticosVariable CalculaEstadisticos(const std::vector<double>& valores);

// Columns: VARIABLE (text), NPARCELAS (integer), MEDIA, DESVIACIO, ERRORTIP, ERRORREL, LIMINF,
// LIMSUP (single).
store::TableDef DefinicionTablaEstadisticos(const EstadoAplicacion& estado);

// Creates and fills the table from Parcel (which must be filled) and, when the run computed it,
// Sp_par. Rows: "N", "AB", then the volume variables Parcel has (VCC, VSC, IAVC, VLE, in that
// order); then for each species of Sp_par in ascending code, "N <code>", "AB <code>" and its
// volume variables. The sample is Parcel's rows (one per plot of the cut); a plot without a
// species counts 0 for that species.
void CalculosEstadisticos(EstadoAplicacion& estado, shell::Interaccion& ui,
                          store::Database& salida);

}  // namespace arbelio::calc
