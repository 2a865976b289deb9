#include "calc/CalculosResumen.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calc/AcumuladorGrupo.h"
#include "calc/TablasResultado.h"
#include "store/Cursor.h"
#include "store/Paralelo.h"

namespace arbelio::calc {

using detalle::AcumuladorGrupo;
using detalle::ContadorPasada;
using detalle::Grupo;
using detalle::kVolumenes;
using store::CursorKind;

namespace {

// Column and alias of an aggregate copied into a summary row.
struct Copia {
  const char* columna;
  std::string alias;
};

// The marked volume variables among VCC, VSC, IAVC, VLE, in that order.
std::vector<std::string> VolumenesMarcados(const EstadoAplicacion& estado) {
  std::vector<std::string> v;
  for (const char* codigo : kVolumenes) {
    if (VariableMarcada(estado, codigo)) v.emplace_back(codigo);
  }
  return v;
}

// Plots with trees: the divisor of the species and class means.
std::int32_t LeerNumParcelas(store::Database& salida, const std::string& sufijo) {
  store::Cursor c = salida.openCursor(
      "SELECT count(PARCELA) AS NumParcelas FROM [Parcel" + sufijo + "] WHERE N > 0",
      CursorKind::Snapshot);
  if (c.eof()) return 0;
  const store::Value v = c.value("Numparcelas");
  return v.isNumber() ? v.toInt32() : 0;
}

// The cut's N and AB from Totals (empty when Totals has no row or no value).
void LeerTotales(store::Database& salida, const std::string& sufijo, store::Value& N,
                 store::Value& AB) {
  store::Cursor c =
      salida.openCursor("SELECT N, AB FROM [Totals" + sufijo + "]", CursorKind::Snapshot);
  if (c.eof()) return;
  N = c.value("N");
  AB = c.value("AB");
}

void CopiarFila(store::Cursor& fila, const store::Cursor& grupo, const std::vector<Copia>& copias) {
  for (const auto& c : copias) fila.setValue(c.columna, grupo.value(c.alias));
}

// Second sweep of Specie and Cldiam on the current row (being edited): N, AB and the volumes
// divided by the plots with trees, then the shares of the cut's N and AB from the new values as
// stored (single precision).
void Promediar(store::Cursor& fila, std::int32_t numParcelas, const store::Value& totalN,
               const store::Value& totalAB, const std::vector<std::string>& volumenes) {
  const double divisor = numParcelas;
  store::Value N = fila.value("N");
  store::Value AB = fila.value("AB");
  if (N.isNumber()) N = store::Value(static_cast<float>(N.number() / divisor));
  if (AB.isNumber()) AB = store::Value(static_cast<float>(AB.number() / divisor));
  fila.setValue("N", N);
  fila.setValue("AB", AB);
  detalle::EscribirParte(fila, "NTP", N, totalN);
  detalle::EscribirParte(fila, "ABTP", AB, totalAB);
  for (const auto& v : volumenes) {
    const store::Value x = fila.value(v);
    if (x.isNumber()) fila.setValue(v, static_cast<float>(x.number() / divisor));
  }
}

}  // namespace

void CalculosTotales(EstadoAplicacion& estado, shell::Interaccion& ui, store::Database& salida) {
  ContadorPasada progreso(estado, ui, "cálculos del total de la masa");
  const std::vector<std::string> volumenes = VolumenesMarcados(estado);
  std::string sql =
      "SELECT Avg(N) AS Nmedio , Avg(AB) as ABmedio  ,"
      " Avg(Dg) as Dgmedio, Avg(Dm) as Dmmedio, Avg(Do) as Domedio,";
  for (const auto& v : volumenes) sql += " Avg(" + v + ") as " + v + "medio,";
  sql +=
      " Avg(Hm) as Hmmedio,"
      " Avg(Ho) as Homedio, Avg(HART) as Hartmedio,"
      " Avg(REINEKE) as SDImedio "
      " FROM [Parcel" +
      estado.SufijoTablas + "] WHERE N > 0";
  store::Cursor medias = salida.openCursor(sql, CursorKind::Snapshot);
  store::Cursor tabla = salida.openCursor(NombreTabla(estado, TablaResultado::Totals));
  if (medias.eof()) return;
  std::vector<Copia> copias = {{"N", "Nmedio"},   {"AB", "ABmedio"}, {"Dg", "Dgmedio"},
                               {"Dm", "Dmmedio"}, {"Do", "Domedio"}, {"Hm", "Hmmedio"},
                               {"Ho", "Homedio"}};
  tabla.addNew();
  CopiarFila(tabla, medias, copias);
  for (const auto& v : volumenes) tabla.setValue(v, medias.value(v + "medio"));
  tabla.update();
}

void CalculosEspecie(EstadoAplicacion& estado, shell::Interaccion& ui, store::Database& salida) {
  ContadorPasada progreso(estado, ui, "cálculos de especie");
  const std::string& sufijo = estado.SufijoTablas;
  const std::int32_t numParcelas = LeerNumParcelas(salida, sufijo);
  store::Value totalN, totalAB;
  LeerTotales(salida, sufijo, totalN, totalAB);

  const std::vector<std::string> volumenes = VolumenesMarcados(estado);
  std::string sql =
      "SELECT  ESPECIE, Sum(N) AS Ne,"
      "Sum(AB) as ABe,"
      " Avg(Dg) as Dge, Avg(Dm)as Dme, Avg(Do) as Doe,";
  for (const auto& v : volumenes) sql += " Sum(" + v + ") as " + v + "e,";
  sql += " Avg(Hm) as Hme, Avg(Ho) as Hoe FROM [Sp_Par" + sufijo + "]  GROUP BY ESPECIE";
  store::Cursor grupos = salida.openCursor(sql, CursorKind::Snapshot);
  store::Cursor tabla = salida.openCursor(NombreTabla(estado, TablaResultado::Specie));

  const std::vector<Copia> copias = {{"ESPECIE", "ESPECIE"}, {"N", "Ne"},   {"AB", "ABe"},
                                     {"Dg", "Dge"},          {"Dm", "Dme"}, {"Do", "Doe"},
                                     {"Hm", "Hme"},          {"Ho", "Hoe"}};
  for (; !grupos.eof(); grupos.moveNext()) {
    if (progreso.Cancelado()) return;
    tabla.addNew();
    CopiarFila(tabla, grupos, copias);
    for (const auto& v : volumenes) tabla.setValue(v, grupos.value(v + "e"));
    tabla.update();
  }
  // Without plots with trees there is nothing to divide by; Sp_par is then empty anyway.
  if (numParcelas == 0) return;
  for (tabla.moveFirst(); !tabla.eof(); tabla.moveNext()) {
    if (progreso.Cancelado()) return;
    tabla.edit();
    Promediar(tabla, numParcelas, totalN, totalAB, volumenes);
    tabla.update();
  }
}

void CalculosClaseDiametrica(EstadoAplicacion& estado, shell::Interaccion& ui,
                             store::Database& salida) {
  ContadorPasada progreso(estado, ui, "cálculos de clase diamétrica");
  const std::string& sufijo = estado.SufijoTablas;
  const std::int32_t numParcelas = LeerNumParcelas(salida, sufijo);
  store::Value totalN, totalAB;
  LeerTotales(salida, sufijo, totalN, totalAB);

  const std::vector<std::string> volumenes = VolumenesMarcados(estado);
  std::string sql =
      "SELECT  CD, Sum(N) as NCD,"
      " Sum(AB) as ABCD,"
      " Avg(Dm) as DmCD,";
  for (const auto& v : volumenes) sql += " Sum(" + v + ") as " + v + "CD,";
  sql += " Avg(Hm) as HmCD FROM [Cd_par" + sufijo + "] GROUP BY CD";
  store::Cursor grupos = salida.openCursor(sql, CursorKind::Snapshot);
  store::Cursor tabla = salida.openCursor("SELECT * FROM [Cldiam" + sufijo + "]");

  const std::vector<Copia> copias = {
      {"CD", "CD"}, {"N", "NCD"}, {"AB", "ABCD"}, {"Dm", "DmCD"}, {"Hm", "HmCD"}};
  for (; !grupos.eof(); grupos.moveNext()) {
    tabla.addNew();
    CopiarFila(tabla, grupos, copias);
    for (const auto& v : volumenes) tabla.setValue(v, grupos.value(v + "CD"));
    tabla.update();
  }
  if (numParcelas == 0) return;
  for (tabla.moveFirst(); !tabla.eof(); tabla.moveNext()) {
    tabla.edit();
    Promediar(tabla, numParcelas, totalN, totalAB, volumenes);
    tabla.update();
    if (progreso.Cancelado()) return;
  }
}

void CalculosClaseDiametricaEspecie(EstadoAplicacion& estado, shell::Interaccion& ui,
                                    store::Database& salida, const ArbolesCalculo* compartidos) {
  ContadorPasada progreso(estado, ui, "cálculos de clase diamétrica por especie");
  const std::string& sufijo = estado.SufijoTablas;
  std::optional<ArbolesCalculo> propios;
  const ArbolesCalculo& arboles = detalle::ArbolesDeLaPasada(salida, estado, compartidos, propios);
  constexpr OrdenArboles kOrden = OrdenArboles::ParcelaDN;
  store::Cursor tabla = salida.openCursor(NombreTabla(estado, TablaResultado::Cd_esp));
  const detalle::ColumnasResultado col(tabla);
  // "GROUP BY ESPECIE, CD": the groups by species then class mark, each with its trees in the
  // order of the tree cursor. Trees without a species or a mark form no group. Each half of the
  // trees is grouped at once, and a group's trees are then its first half's followed by its
  // second's: the order of one walk.
  using Grupos = std::map<std::pair<int, float>, Grupo>;
  const Grupo todos = arboles.Todos(kOrden);
  std::array<Grupos, 2> mitades;
  store::EnPartes(todos.size(), 2, [&](std::size_t k, std::size_t desde, std::size_t hasta) {
    Grupos& grupos = mitades[k];
    for (std::size_t i = desde; i < hasta; ++i) {
      const ArbolLeido* a = todos[i];
      if (a->conEspecie && a->conCD) grupos[{a->especie, a->cd}].push_back(a);
    }
  });
  Grupos& grupos = mitades[0];
  for (auto& [clave, segunda] : mitades[1]) {
    Grupo& g = grupos[clave];
    g.insert(g.end(), segunda.begin(), segunda.end());
  }
  // Each group's row depends on its trees alone: the rows are computed on both cores, then
  // stored in the groups' order.
  struct FilaGrupo {
    int especie = 0;
    float clase = 0;
    const Grupo* grupo = nullptr;
    AcumuladorGrupo::Valores valores;
    float Dg = 0, Dm = 0, Hm = 0;
  };
  std::vector<FilaGrupo> filas;
  for (const auto& [clave, grupo] : grupos) filas.push_back({clave.first, clave.second, &grupo});
  store::EnParalelo(filas.size(), [&](std::size_t k) {
    FilaGrupo& f = filas[k];
    AcumuladorGrupo acumulador(estado);
    acumulador.Acumular(*f.grupo);
    f.valores = acumulador.Calcular();
    f.Dg = static_cast<float>(detalle::DiametroCuadratico(f.valores.N, f.valores.AB));
    // DiametroMedio and AlturaMedia of (all plots, species e, class m).
    const Grupo medias =
        f.especie != 0 && f.clase != 0 ? *f.grupo : detalle::Seleccion(todos, f.especie, f.clase);
    f.Dm = static_cast<float>(detalle::MediaDiametro(estado, medias));
    f.Hm = static_cast<float>(detalle::MediaAltura(estado, medias));
  });
  for (const FilaGrupo& f : filas) {
    progreso.Arboles(static_cast<std::int64_t>(f.grupo->size()));
    tabla.addNew();
    tabla.setValue(col.especie, f.especie);
    tabla.setValue(col.cd, f.clase);
    AcumuladorGrupo::Escribir(tabla, col, f.valores);
    tabla.setValue(col.Dg, f.Dg);
    tabla.setValue(col.Dm, f.Dm);
    tabla.setValue(col.Hm, f.Hm);
    tabla.update();
    progreso.Fila();
    progreso.Ceder();
  }

  // Each class's share of its species' total over all classes.
  store::Cursor totales = salida.openCursor(
      "SELECT ESPECIE, Sum(N) as NTotalEstaEspecie,"
      " Sum(AB) as ABTotalestaEspecie FROM [Cd_esp" +
          sufijo + "]" + "GROUP BY ESPECIE",
      CursorKind::Snapshot);
  for (; !totales.eof(); totales.moveNext()) {
    const store::Value esp = totales.value("Especie");
    if (esp.isNumber()) {
      const std::string criterio = "ESPECIE=" + std::to_string(esp.toInt32());
      const store::Value nTotal = totales.value("NTotalEstaEspecie");
      const store::Value abTotal = totales.value("ABTotalestaEspecie");
      for (tabla.findFirst(criterio); !tabla.noMatch(); tabla.findNext(criterio)) {
        tabla.edit();
        detalle::EscribirParte(tabla, "NTP", tabla.value("N"), nTotal);
        detalle::EscribirParte(tabla, "ABTP", tabla.value("AB"), abTotal);
        tabla.update();
      }
    }
    if (progreso.Cancelado()) return;
  }
}

}  // namespace arbelio::calc
