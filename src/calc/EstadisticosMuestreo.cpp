#include "calc/EstadisticosMuestreo.h"

#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <tuple>
#include <utility>

#include "calc/TablasResultado.h"
#include "shell/Progreso.h"

namespace arbelio::calc {

namespace {

using store::FieldType;

// P(|T| < t) for Student's t with nu (whole) degrees of freedom, from its closed form in
// theta = atan(t / sqrt(nu)): for odd nu (2/pi)(theta + sin cos (1 + 2/3 cos^2 + 2.4/(3.5) cos^4
// + ... up to cos^(nu-3))), for even nu sin (1 + 1/2 cos^2 + 1.3/(2.4) cos^4 + ... up to
// cos^(nu-2)).
double ProbabilidadCentral(double t, std::int64_t nu) {
  const double theta = std::atan(t / std::sqrt(static_cast<double>(nu)));
  const double s = std::sin(theta), c = std::cos(theta), c2 = c * c;
  double suma = 1, termino = 1;
  if (nu % 2 == 1) {
    if (nu == 1) return 2 * theta / std::numbers::pi;
    for (std::int64_t k = 1; 2 * k + 1 <= nu - 2; ++k) {
      termino *= c2 * static_cast<double>(2 * k) / static_cast<double>(2 * k + 1);
      suma += termino;
    }
    return 2 / std::numbers::pi * (theta + s * c * suma);
  }
  for (std::int64_t k = 1; 2 * k <= nu - 2; ++k) {
    termino *= c2 * static_cast<double>(2 * k - 1) / static_cast<double>(2 * k);
    suma += termino;
  }
  return s * suma;
}

// The statistics of `valores` plus `ceros` further values that are 0.
EstadisticosVariable Estadisticos(const std::vector<double>& valores, std::int64_t ceros) {
  EstadisticosVariable r;
  const std::int64_t n = static_cast<std::int64_t>(valores.size()) + ceros;
  r.n = static_cast<std::int32_t>(n);
  if (n == 0) return r;
  double suma = 0;
  for (double v : valores) suma += v;
  const double media = suma / static_cast<double>(n);
  r.media = media;
  if (n < 2) return r;
  double cuadrados = static_cast<double>(ceros) * media * media;
  for (double v : valores) cuadrados += (v - media) * (v - media);
  const double s = std::sqrt(cuadrados / static_cast<double>(n - 1));
  const double se = s / std::sqrt(static_cast<double>(n));
  r.desviacion = s;
  r.errorTipico = se;
  if (media != 0) r.errorRelativo = 100 * se / std::abs(media);
  const double t = CuantilStudent975(n - 1);
  r.limiteInferior = media - t * se;
  r.limiteSuperior = media + t * se;
  return r;
}

// The values of one variable over the sample, and the number of plots that gave a value or an
// empty one (the others of a species' sample are plots without it: zeros).
struct Muestra {
  std::vector<double> valores;
  std::int64_t presentes = 0;
};

void EscribirFila(store::Cursor& tabla, const std::string& variable,
                  const EstadisticosVariable& s) {
  tabla.addNew();
  tabla.setValue("VARIABLE", variable);
  tabla.setValue("NPARCELAS", s.n);
  const std::pair<const char*, const std::optional<double>*> columnas[] = {
      {"MEDIA", &s.media},           {"DESVIACIO", &s.desviacion},
      {"ERRORTIP", &s.errorTipico},  {"ERRORREL", &s.errorRelativo},
      {"LIMINF", &s.limiteInferior}, {"LIMSUP", &s.limiteSuperior}};
  for (const auto& [campo, valor] : columnas) {
    if (*valor) tabla.setValue(campo, **valor);
  }
  tabla.update();
}

}  // namespace

std::string NombreTablaEstadisticos(const EstadoAplicacion& estado) {
  return kBaseEstadisticos + estado.SufijoTablas;
}

double CuantilStudent975(std::int64_t gl) {
  if (gl < 1) return std::nan("");
  if (gl > 1000) {
    // Cornish-Fisher type expansion of the t quantile in powers of 1/df around z(0.975).
    const double x = 1.959963984540054, nu = static_cast<double>(gl);
    const double x2 = x * x, x3 = x2 * x, x5 = x3 * x2, x7 = x5 * x2, x9 = x7 * x2;
    const double g1 = (x3 + x) / 4;
    const double g2 = (5 * x5 + 16 * x3 + 3 * x) / 96;
    const double g3 = (3 * x7 + 19 * x5 + 17 * x3 - 15 * x) / 384;
    const double g4 = (79 * x9 + 776 * x7 + 1482 * x5 - 1920 * x3 - 945 * x) / 92160;
    return x + g1 / nu + g2 / (nu * nu) + g3 / (nu * nu * nu) + g4 / (nu * nu * nu * nu);
  }
  // The central probability grows with t: bisection until the bracket stops shrinking.
  double bajo = 0, alto = 64;
  for (int i = 0; i < 200; ++i) {
    const double medio = (bajo + alto) / 2;
    if (medio <= bajo || medio >= alto) break;
    (ProbabilidadCentral(medio, gl) < 0.95 ? bajo : alto) = medio;
  }
  return (bajo + alto) / 2;
}

EstadisticosVariable CalculaEstadisticos(const std::vector<double>& valores) {
  return Estadisticos(valores, 0);
}

store::TableDef DefinicionTablaEstadisticos(const EstadoAplicacion& estado) {
  store::TableDef d(NombreTablaEstadisticos(estado));
  d.appendField("VARIABLE", FieldType::Text, 10);
  d.appendField("NPARCELAS", FieldType::Long);
  for (const char* n : {"MEDIA", "DESVIACIO", "ERRORTIP", "ERRORREL", "LIMINF", "LIMSUP"})
    d.appendField(n, FieldType::Single);
  return d;
}

void CalculosEstadisticos(EstadoAplicacion& estado, shell::Interaccion& ui,
                          store::Database& salida) {
  shell::Progreso progreso(ui);
  progreso.calculos("estadísticos del muestreo");
  salida.appendTableDef(DefinicionTablaEstadisticos(estado));
  store::Cursor tabla = salida.openCursor(NombreTablaEstadisticos(estado));
  if (!progreso.continuar()) return;

  // The whole-plot variables, over Parcel's rows (one per plot of the cut).
  store::Cursor parcelas = salida.openCursor(NombreTabla(estado, TablaResultado::Parcel),
                                             store::CursorKind::ForwardOnly);
  std::vector<std::string> variables = {"N", "AB"};
  for (const char* v : kVolumenes)
    if (parcelas.fieldIndex(v) >= 0) variables.push_back(v);
  std::vector<int> columnas;
  for (const auto& v : variables) columnas.push_back(parcelas.fieldIndex(v));
  const int cProv = parcelas.fieldIndex("PROVINCIA"), cParc = parcelas.fieldIndex("PARCELA");
  std::vector<Muestra> muestras(variables.size());
  std::set<std::pair<double, double>> plots;
  for (; !parcelas.eof(); parcelas.moveNext()) {
    plots.insert({parcelas.value(cProv).toDouble(), parcelas.value(cParc).toDouble()});
    for (std::size_t i = 0; i < variables.size(); ++i) {
      const store::Value x = parcelas.value(columnas[i]);
      if (x.isNumber()) muestras[i].valores.push_back(x.number());
    }
  }
  const auto numeroPlots = static_cast<std::int64_t>(plots.size());
  for (std::size_t i = 0; i < variables.size(); ++i)
    EscribirFila(tabla, variables[i], Estadisticos(muestras[i].valores, 0));

  // Per species, from Sp_par when the run computed it.
  const std::string spPar = NombreTabla(estado, TablaResultado::Sp_par);
  if (!salida.hasTable(spPar)) return;
  store::Cursor filas = salida.openCursor(spPar, store::CursorKind::ForwardOnly);
  std::vector<int> columnasSp;
  for (const auto& v : variables) columnasSp.push_back(filas.fieldIndex(v));
  const int sProv = filas.fieldIndex("PROVINCIA"), sParc = filas.fieldIndex("PARCELA"),
            sEsp = filas.fieldIndex("ESPECIE");
  std::map<double, std::vector<Muestra>> especies;
  std::set<std::tuple<double, double, double>> vistas;
  for (; !filas.eof(); filas.moveNext()) {
    if (!progreso.continuar()) return;
    const std::pair<double, double> plot{filas.value(sProv).toDouble(),
                                         filas.value(sParc).toDouble()};
    const store::Value especie = filas.value(sEsp);
    // Only rows of the cut's plots, each plot and species once.
    if (!especie.isNumber() || !plots.count(plot) ||
        !vistas.insert({plot.first, plot.second, especie.number()}).second)
      continue;
    auto& m = especies.try_emplace(especie.number(), variables.size()).first->second;
    for (std::size_t i = 0; i < variables.size(); ++i) {
      ++m[i].presentes;
      const store::Value x = columnasSp[i] >= 0 ? filas.value(columnasSp[i]) : store::Value();
      if (x.isNumber()) m[i].valores.push_back(x.number());
    }
  }
  for (const auto& [especie, m] : especies) {
    if (!progreso.continuar()) return;
    const std::string codigo = std::to_string(static_cast<std::int64_t>(especie));
    for (std::size_t i = 0; i < variables.size(); ++i) {
      // A plot without the species counts 0; one whose value is empty is left out.
      EscribirFila(tabla, variables[i] + " " + codigo,
                   Estadisticos(m[i].valores, numeroPlots - m[i].presentes));
    }
  }
}

}  // namespace arbelio::calc
