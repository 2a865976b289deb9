#include "calc/CalculosDesglose.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "calc/AcumuladorGrupo.h"
#include "calc/Dasometria.h"
#include "calc/TablasResultado.h"
#include "cut/ListaParcelasCorte.h"
#include "store/Cursor.h"
#include "store/Memoria.h"
#include "store/Paralelo.h"

namespace arbelio::calc {

using detalle::AcumuladorGrupo;
using detalle::ColumnasResultado;
using detalle::ContadorPasada;
using detalle::Grupo;

namespace {

// A breakdown row computed but not yet stored: the plot at a position of ListaParcelas, the
// group's sums, and the values its table takes (an empty one is left empty).
struct FilaDesglose {
  std::int32_t posicion = 0;
  std::int32_t arboles = 0;  // trees the group's sums visited (the pass's counter)
  std::optional<int> especie;
  std::optional<float> clase;
  AcumuladorGrupo::Valores valores;
  std::optional<float> Dg, Ho, Dm, Hm, Do;
  std::optional<double> NTP, ABTP;  // shares in percent
};
// A pass's rows (a million and more over a country), in pieces of the store's kept memory.
using FilasDesglose = store::TrozosGrandes<FilaDesglose>;

// Appends the rows in order; each depends on its own values alone, so they are built in two
// halves at once.
void AnadirFilas(store::Cursor& tabla, const ColumnasResultado& col, const EstadoAplicacion& estado,
                 const FilasDesglose& filas) {
  tabla.appendRows(filas.size(), [&](std::size_t k, char* registro) {
    const store::RegistroNuevo fila(tabla, registro);
    const FilaDesglose& f = filas[k];
    const auto& p = estado.ListaParcelas.entradas[static_cast<std::size_t>(f.posicion)];
    fila.setValue(col.provincia, static_cast<int>(p.provincia));
    fila.setValue(col.parcela, static_cast<int>(p.estadillo));
    if (f.especie) fila.setValue(col.especie, *f.especie);
    if (f.clase) fila.setValue(col.cd, *f.clase);
    AcumuladorGrupo::Escribir(fila, col, f.valores);
    const std::pair<int, const std::optional<float>&> medidas[] = {
        {col.Dg, f.Dg}, {col.Ho, f.Ho}, {col.Dm, f.Dm}, {col.Hm, f.Hm}, {col.Do, f.Do}};
    for (const auto& [columna, valor] : medidas) {
      if (valor) fila.setValue(columna, *valor);
    }
    if (f.NTP) fila.setValue(col.NTP, *f.NTP);
    if (f.ABTP) fila.setValue(col.ABTP, *f.ABTP);
  });
}

// A pass's rows stored stretch by stretch (FilasPorParcela's `almacenar`): appended to its table.
std::function<void(const FilasDesglose&)> EnLaTabla(store::Cursor& tabla,
                                                    const ColumnasResultado& col,
                                                    const EstadoAplicacion& estado) {
  return [&tabla, &col, &estado](const FilasDesglose& f) { AnadirFilas(tabla, col, estado, f); };
}

// The distinct class marks of a plot's trees, ascending (the plot's rows of "SELECT DISTINCT
// Provincia, Parcela, CD ... ORDER BY Provincia, Parcela, CD"). A tree without a mark forms no
// group: no criterion can name it.
std::vector<float> Clases(const Grupo& parcela) {
  std::vector<float> v;
  for (const ArbolLeido* a : parcela) {
    if (a->conCD) v.push_back(a->cd);
  }
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

std::vector<int> Especies(const Grupo& parcela) {
  std::vector<int> v;
  for (const ArbolLeido* a : parcela) {
    if (a->conEspecie) v.push_back(a->especie);
  }
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

// Distinct (class mark, species) pairs, by class then species.
std::vector<std::pair<float, int>> ClasesEspecies(const Grupo& parcela) {
  std::vector<std::pair<float, int>> v;
  for (const ArbolLeido* a : parcela) {
    if (a->conCD && a->conEspecie) v.emplace_back(a->cd, a->especie);
  }
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

// The trees a group's criterion finds: " AND CD=m" matches the mark by value (single
// precision), " AND ESPECIE=e" the code exactly.
Grupo DeClase(const Grupo& base, float m) {
  Grupo g;
  for (const ArbolLeido* a : base) {
    if (a->conCD && a->cd == m) g.push_back(a);
  }
  return g;
}

Grupo DeEspecie(const Grupo& base, int e) {
  Grupo g;
  for (const ArbolLeido* a : base) {
    if (a->conEspecie && a->especie == e) g.push_back(a);
  }
  return g;
}

// When a pass yields to the window: after each plot's rows (class by plot, which does not look at
// Cancelar), or before each plot, stopping when Cancelar was pressed (the species passes).
enum class Cesion { TrasLaParcela, AntesDeLaParcela };

// The rows of the plots of ListaParcelas, in plot order. A plot's rows depend on its own trees
// alone, so they are computed a stretch of plots at a time in two halves at once, each half with
// its own accumulator (`calcular(acumulador, i, filas)` appends the rows of the plot at position
// i); then the pass's progress is given plot by plot and row by row as a walk plot after plot
// gives it: the yield, a step of the counter per tree the row's sums visited, the counter after
// the row. With `almacenar`, each whole stretch's rows are handed to it and leave `filas` (a
// pass over a country then holds one stretch of rows, not all). False when Cancelar stopped the
// pass: `filas` then holds the rows of the plots before that were not handed over.
template <class Calcular>
bool FilasPorParcela(const EstadoAplicacion& estado, ContadorPasada& progreso, Cesion cesion,
                     const Calcular& calcular, FilasDesglose& filas,
                     const std::function<void(const FilasDesglose&)>& almacenar = nullptr) {
  constexpr std::int32_t kParcelasPorTramo = 2048;
  struct alignas(64) Mitad {
    explicit Mitad(const EstadoAplicacion& e) : acumulador(e) {}
    AcumuladorGrupo acumulador;
    FilasDesglose filas;
  };
  std::array<Mitad, 2> mitades{Mitad(estado), Mitad(estado)};
  const std::int32_t n = detalle::PosicionesParcelas(estado);
  for (std::int32_t desde = 1; desde <= n; desde += kParcelasPorTramo) {
    const std::int32_t cuantas = std::min(kParcelasPorTramo, n + 1 - desde);
    for (Mitad& m : mitades) m.filas.clear();
    store::EnPartes(static_cast<std::size_t>(cuantas), 2,
                    [&](std::size_t k, std::size_t a, std::size_t b) {
                      Mitad& m = mitades[k];
                      for (std::size_t i = a; i < b; ++i) {
                        calcular(m.acumulador, desde + static_cast<std::int32_t>(i), m.filas);
                      }
                    });
    std::array<std::size_t, 2> siguiente{};
    for (std::int32_t i = desde; i < desde + cuantas; ++i) {
      if (cesion == Cesion::AntesDeLaParcela && progreso.Cancelado()) return false;
      // A plot's rows are all in the half that computed it, in plot order.
      for (std::size_t h = 0; h < mitades.size(); ++h) {
        const FilasDesglose& v = mitades[h].filas;
        for (std::size_t& j = siguiente[h]; j < v.size() && v[j].posicion == i; ++j) {
          progreso.Arboles(v[j].arboles);
          progreso.Fila();
          filas.push_back(v[j]);
        }
      }
      if (cesion == Cesion::TrasLaParcela) progreso.Ceder();
    }
    if (almacenar) {
      almacenar(filas);
      filas.clear();
    }
  }
  return true;
}

}  // namespace

void CalculosClaseDiametricaParcela(EstadoAplicacion& estado, shell::Interaccion& ui,
                                    store::Database& salida, const ArbolesCalculo* compartidos) {
  ContadorPasada progreso(estado, ui, "cálculos de clase diamétrica por parcela");
  std::optional<ArbolesCalculo> propios;
  const ArbolesCalculo& arboles = detalle::ArbolesDeLaPasada(salida, estado, compartidos, propios);
  constexpr OrdenArboles kOrden = OrdenArboles::ParcelaDN;
  store::Cursor tabla = salida.openCursor(NombreTabla(estado, TablaResultado::Cd_par));
  const ColumnasResultado col(tabla);
  FilasDesglose filas;
  const auto calcular = [&](AcumuladorGrupo& acumulador, std::int32_t i,
                            FilasDesglose& deLaParcela) {
    const Grupo parcela = arboles.DeParcela(kOrden, estado, i);
    for (const float m : Clases(parcela)) {
      const Grupo grupo = DeClase(parcela, m);
      acumulador.Acumular(grupo);
      // DiametroMedio and AlturaMedia of (plot, all species, class m).
      const Grupo& medias = m != 0 ? grupo : parcela;
      FilaDesglose f;
      f.posicion = i;
      f.arboles = static_cast<std::int32_t>(grupo.size());
      f.clase = m;
      f.valores = acumulador.Calcular();
      f.Dm = static_cast<float>(detalle::MediaDiametro(estado, medias));
      f.Hm = static_cast<float>(detalle::MediaAltura(estado, medias));
      deLaParcela.push_back(f);
    }
  };
  FilasPorParcela(estado, progreso, Cesion::TrasLaParcela, calcular, filas,
                  EnLaTabla(tabla, col, estado));
}

void CalculosEspecieParcela(EstadoAplicacion& estado, shell::Interaccion& ui,
                            store::Database& salida, const ArbolesCalculo* compartidos) {
  ContadorPasada progreso(estado, ui, "cálculos de especie por parcela");
  std::optional<ArbolesCalculo> propios;
  const ArbolesCalculo& arboles = detalle::ArbolesDeLaPasada(salida, estado, compartidos, propios);
  constexpr OrdenArboles kOrden = OrdenArboles::ParcelaDN;
  store::Cursor tabla = salida.openCursor("Sp_Par" + estado.SufijoTablas);
  const ColumnasResultado col(tabla);

  // The AB and N of each plot's row of Parcel: the first row "PROVINCIA=p AND PARCELA=q" finds,
  // taken from one walk over the table instead of a find per plot. Empty values count as 0.
  struct TotalesParcela {
    float AB = 0, N = 0;
  };
  std::unordered_map<std::uint32_t, TotalesParcela> deParcel;
  {
    store::Cursor parcelas = salida.openCursor(NombreTabla(estado, TablaResultado::Parcel));
    const int iProv = parcelas.fieldIndex("PROVINCIA"), iPar = parcelas.fieldIndex("PARCELA"),
              iAB = parcelas.fieldIndex("AB"), iN = parcelas.fieldIndex("N");
    const auto entero = [](const store::Value& v) {
      return v.isNumber() && std::trunc(v.number()) == v.number() && std::fabs(v.number()) <= 32767;
    };
    for (; !parcelas.eof(); parcelas.moveNext()) {
      const store::Value p = parcelas.value(iProv), q = parcelas.value(iPar);
      if (!entero(p) || !entero(q)) continue;  // no plot number equals it
      const auto [it, nueva] = deParcel.try_emplace(cut::ClaveParcela(
          static_cast<std::int16_t>(p.number()), static_cast<std::int16_t>(q.number())));
      if (!nueva) continue;
      const store::Value ab = parcelas.value(iAB), nt = parcelas.value(iN);
      it->second.AB = ab.isNumber() ? static_cast<float>(ab.number()) : 0.0f;
      it->second.N = nt.isNumber() ? static_cast<float>(nt.number()) : 0.0f;
    }
  }

  // The rows are computed in plot order, then appended; a cancelled pass stores the rows
  // computed so far.
  FilasDesglose filas;
  const auto calcular = [&](AcumuladorGrupo& acumulador, std::int32_t i,
                            FilasDesglose& deLaParcela) {
    const auto enParcel = deParcel.find(
        cut::ClaveParcela(estado.ListaParcelas.entradas[static_cast<std::size_t>(i)]));
    if (enParcel == deParcel.end()) return;
    const Grupo parcela = arboles.DeParcela(kOrden, estado, i);
    for (const int e : Especies(parcela)) {
      const Grupo grupo = DeEspecie(parcela, e);
      acumulador.Acumular(grupo);
      FilaDesglose f;
      f.posicion = i;
      f.arboles = static_cast<std::int32_t>(grupo.size());
      f.especie = e;
      f.valores = acumulador.Calcular();
      f.Dg = static_cast<float>(detalle::DiametroCuadratico(f.valores.N, f.valores.AB));
      // The mean and dominant functions of (plot, species e, all classes).
      const Grupo& medias = e != 0 ? grupo : parcela;
      f.Ho = static_cast<float>(detalle::DominanteAltura(estado, medias));
      f.Dm = static_cast<float>(detalle::MediaDiametro(estado, medias));
      f.Hm = static_cast<float>(detalle::MediaAltura(estado, medias));
      f.Do = static_cast<float>(detalle::DominanteDiametro(estado, medias));
      // Shares of the plot's basal area and trees per hectare; empty when the plot's is 0.
      const TotalesParcela& t = enParcel->second;
      if (t.AB != 0) f.ABTP = static_cast<double>(f.valores.AB) / static_cast<double>(t.AB) * 100;
      if (t.N != 0) f.NTP = static_cast<double>(f.valores.N) / static_cast<double>(t.N) * 100;
      deLaParcela.push_back(f);
    }
  };
  // A cancelled pass stores the rows of the plots before (the stretches already stored, then
  // the rest).
  if (!FilasPorParcela(estado, progreso, Cesion::AntesDeLaParcela, calcular, filas,
                       EnLaTabla(tabla, col, estado)))
    AnadirFilas(tabla, col, estado, filas);
}

namespace {

// Each class's share of its species' total in the same plot: the totals are the sums of the
// stored N and AB over the rows of each (province, plot, species), in row order.
struct TotalesEspecie {
  double N = 0, AB = 0;
  void Sumar(const FilaDesglose& f) {
    N += static_cast<double>(f.valores.N);
    AB += static_cast<double>(f.valores.AB);
  }
};

void PonerPartes(FilaDesglose& f, const TotalesEspecie& t) {
  if (t.N != 0) {
    f.NTP = static_cast<float>(RedondeoPar(static_cast<double>(f.valores.N) * 100 / t.N, 2));
  }
  if (t.AB != 0) {
    f.ABTP = static_cast<float>(RedondeoPar(static_cast<double>(f.valores.AB) * 100 / t.AB, 2));
  }
}

void PartesDeLaEspecie(const EstadoAplicacion& estado, FilasDesglose& filas) {
  std::unordered_map<std::uint64_t, TotalesEspecie> totales;
  auto clave = [&](const FilaDesglose& f) {
    return (static_cast<std::uint64_t>(cut::ClaveParcela(
                estado.ListaParcelas.entradas[static_cast<std::size_t>(f.posicion)]))
            << 32) |
           static_cast<std::uint32_t>(*f.especie);
  };
  for (std::size_t i = 0; i < filas.size(); ++i) totales[clave(filas[i])].Sumar(filas[i]);
  for (std::size_t i = 0; i < filas.size(); ++i) PonerPartes(filas[i], totales.at(clave(filas[i])));
}

// The same for the rows [desde, size) of one plot, when no other position of the list is that
// plot: the totals are then those of these rows alone (a plot has a few rows).
void PartesDeLaParcela(FilasDesglose& filas, std::size_t desde) {
  for (std::size_t i = desde; i < filas.size(); ++i) {
    TotalesEspecie t;
    for (std::size_t j = desde; j < filas.size(); ++j) {
      if (*filas[j].especie == *filas[i].especie) t.Sumar(filas[j]);
    }
    PonerPartes(filas[i], t);
  }
}

// True when every position of the cut's list is a different plot.
bool ParcelasDistintas(const EstadoAplicacion& estado) {
  std::vector<std::uint32_t> claves;
  const std::int32_t n = detalle::PosicionesParcelas(estado);
  for (std::int32_t i = 1; i <= n; ++i)
    claves.push_back(cut::ClaveParcela(estado.ListaParcelas.entradas[static_cast<std::size_t>(i)]));
  std::sort(claves.begin(), claves.end());
  return std::adjacent_find(claves.begin(), claves.end()) == claves.end();
}

}  // namespace

void CalculosClaseEspecieParcela(EstadoAplicacion& estado, shell::Interaccion& ui,
                                 store::Database& salida, const ArbolesCalculo* compartidos) {
  ContadorPasada progreso(estado, ui, "cálculos de clase diamétrica y especie por parcela");
  // The trees in table order: the sums of a group follow it.
  std::optional<ArbolesCalculo> propios;
  const ArbolesCalculo& arboles = detalle::ArbolesDeLaPasada(salida, estado, compartidos, propios);
  constexpr OrdenArboles kOrden = OrdenArboles::Tabla;
  store::Cursor tabla = salida.openCursor(NombreTabla(estado, TablaResultado::Cdsp_p));
  const ColumnasResultado col(tabla);

  // A row's shares need the totals of every class of the species in the plot. A cancelled pass
  // stores the rows computed so far without shares.
  FilasDesglose filas;
  // A plot's shares are computed with its rows, on both cores, and each stretch of plots is
  // stored when done, unless the list names a plot twice: the totals then gather the rows of
  // every position of that plot, after all rows, and every row is stored at the end.
  const bool porParcela = ParcelasDistintas(estado);
  const auto calcular = [&](AcumuladorGrupo& acumulador, std::int32_t i,
                            FilasDesglose& deLaParcela) {
    const std::size_t primera = deLaParcela.size();
    const Grupo parcela = arboles.DeParcela(kOrden, estado, i);
    for (const auto& [m, e] : ClasesEspecies(parcela)) {
      const Grupo grupo = DeEspecie(DeClase(parcela, m), e);
      acumulador.Acumular(grupo);
      FilaDesglose f;
      f.posicion = i;
      f.arboles = static_cast<std::int32_t>(grupo.size());
      f.especie = e;
      f.clase = m;
      f.valores = acumulador.Calcular();
      f.Dg = static_cast<float>(detalle::DiametroCuadratico(f.valores.N, f.valores.AB));
      const Grupo medias = e != 0 && m != 0 ? grupo : detalle::Seleccion(parcela, e, m);
      f.Dm = static_cast<float>(detalle::MediaDiametro(estado, medias));
      f.Hm = static_cast<float>(detalle::MediaAltura(estado, medias));
      deLaParcela.push_back(f);
    }
    if (porParcela) PartesDeLaParcela(deLaParcela, primera);
  };
  if (!FilasPorParcela(estado, progreso, Cesion::AntesDeLaParcela, calcular, filas,
                       porParcela ? EnLaTabla(tabla, col, estado) : nullptr)) {
    // The stretches already stored lose their shares, and the rest is stored without them.
    for (tabla.moveFirst(); !tabla.eof(); tabla.moveNext()) {
      tabla.edit();
      for (const int c : {col.NTP, col.ABTP}) {
        if (c >= 0) tabla.setValue(c, store::Value());
      }
      tabla.update();
    }
    for (std::size_t k = 0; k < filas.size(); ++k) {
      filas[k].NTP.reset();
      filas[k].ABTP.reset();
    }
    AnadirFilas(tabla, col, estado, filas);
    return;
  }
  if (!porParcela) PartesDeLaEspecie(estado, filas);
  AnadirFilas(tabla, col, estado, filas);
}

}  // namespace arbelio::calc
