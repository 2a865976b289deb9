#include "calc/CalculosParcela.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <optional>

#include "calc/AcumuladorGrupo.h"
#include "calc/ArbolesCalculo.h"
#include "calc/Dasometria.h"
#include "calc/TablasResultado.h"
#include "inventory/Constantes.h"
#include "shell/Progreso.h"
#include "store/StoreError.h"

namespace arbelio::calc {

namespace {

using inventory::kPi;

// Accumulators of one plot for each expansion-factor code 1-4 (index 0 unused). Sums are kept
// in single precision, as the per-code accumulators always were.
struct Acumulador {
  std::array<std::int32_t, 5> cuenta{};
  std::array<float, 5> sn{};
  std::array<std::array<float, 5>, 4> volumen{};
  std::array<float, 5> sdch{};
  std::array<bool, 4> incompleto{};
};

}  // namespace

ResultadoPasada CalculosParcela(EstadoAplicacion& e, shell::Interaccion& ui,
                                store::Database& salida, const ArbolesCalculo* compartidos) {
  shell::Progreso progreso(ui);
  const auto& o = e.opciones;
  // The trees of each plot as "ORDER BY Provincia, Parcela, DN" gives them: the sums follow that
  // order, and the dominant walks start from its last tree.
  std::optional<ArbolesCalculo> propios;
  const ArbolesCalculo& arboles = detalle::ArbolesDeLaPasada(salida, e, compartidos, propios);
  store::Cursor parcelas = salida.openCursor(NombreTabla(e, TablaResultado::Parcel));
  progreso.posicion("0");
  progreso.barra(0);
  progreso.calculos("cálculos de parcela");

  std::array<bool, 4> seleccionado{};
  for (std::size_t v = 0; v < kVolumenes.size(); ++v) {
    seleccionado[v] = VariableMarcada(e, kVolumenes[v]) && arboles.TieneVolumen(v);
  }
  const bool corcho = o.CalcularSDCH || o.CalcularIDCH;
  const bool conSDCH = arboles.TieneSDCH();
  const auto& f = e.FactoresExpansion;
  const int cProv = parcelas.fieldIndex("PROVINCIA"), cPar = parcelas.fieldIndex("PARCELA"),
            cN = parcelas.fieldIndex("N"), cAB = parcelas.fieldIndex("AB"),
            cSDCH = parcelas.fieldIndex("SDCH"), cIDM = parcelas.fieldIndex("IDM"),
            cDg = parcelas.fieldIndex("Dg"), cHo = parcelas.fieldIndex("Ho"),
            cHart = parcelas.fieldIndex("HART"), cReineke = parcelas.fieldIndex("REINEKE"),
            cDm = parcelas.fieldIndex("Dm"), cHm = parcelas.fieldIndex("Hm"),
            cDo = parcelas.fieldIndex("Do");
  std::array<int, 4> cVolumen{};
  for (std::size_t v = 0; v < kVolumenes.size(); ++v)
    cVolumen[v] = parcelas.fieldIndex(kVolumenes[v]);
  std::atomic<bool> incompleta{false};

  // The row of one plot, from its trees alone: the rows of a stretch of plots are built in two
  // halves at once and appended in plot order. A value that does not fit leaves its field blank
  // (the tolerant steps) or stops the pass (N, AB and Dg), as it did plot by plot.
  const auto fila = [&](const inventory::Parcela& parcela, char* registro) {
    const store::RegistroNuevo nuevo(parcelas, registro);
    Acumulador a;
    const detalle::Grupo grupo =
        arboles.DeParcela(OrdenArboles::ParcelaDN, parcela.provincia, parcela.estadillo);
    for (const ArbolLeido* t : grupo) {
      if (t->codigo == 0) continue;  // FACTOREXP empty or not 1-4
      const std::size_t k = t->codigo;
      a.cuenta[k] += 1;
      if (t->conSN) a.sn[k] += t->sn;
      for (std::size_t v = 0; v < kVolumenes.size(); ++v) {
        if (!seleccionado[v]) continue;
        if (!t->conVolumen[v]) {
          a.incompleto[v] = true;
        } else {
          a.volumen[v][k] += t->volumen[v];
        }
      }
      if (corcho && t->conEspecie && t->especie == 46) {
        if (conSDCH) {
          if (t->conSDCH) a.sdch[k] += t->sdch;
        } else if (t->conLDCH && t->conCN) {
          // Intensity without surface: the tree table has no SDCH column, so the cork oak's
          // surface is computed here as the tree pass would have stored it.
          a.sdch[k] += static_cast<float>(static_cast<double>(t->cn) / 10 * t->ldch);
        }
      }
    }

    // Per hectare: each product single x single added to a double.
    double N = 0, sumaSN = 0, S = 0;
    std::array<double, 4> vol{};
    for (std::size_t k = 1; k <= 4; ++k) {
      N += static_cast<float>(static_cast<float>(a.cuenta[k]) * f[k]);
      sumaSN += static_cast<float>(a.sn[k] * f[k]);
      S += static_cast<float>(a.sdch[k] * f[k]);
      for (std::size_t v = 0; v < kVolumenes.size(); ++v) {
        vol[v] += static_cast<float>(a.volumen[v][k] * f[k]);
      }
    }
    PasoTolerante([&] { nuevo.setValue(cProv, parcela.provincia); });
    PasoTolerante([&] { nuevo.setValue(cPar, parcela.estadillo); });
    nuevo.setValue(cN, N);
    nuevo.setValue(cAB, RedondeoPar(sumaSN / 10000, 5));
    for (std::size_t v = 0; v < kVolumenes.size(); ++v) {
      if (!seleccionado[v]) continue;
      if (a.incompleto[v]) {
        incompleta = true;
      } else {
        PasoTolerante([&] { nuevo.setValue(cVolumen[v], vol[v] / 1000); });
      }
    }
    const float nFila = nuevo.value(cN).toFloat();
    const float abFila = nuevo.value(cAB).toFloat();
    if (corcho) {
      if (o.CalcularSDCH) PasoTolerante([&] { nuevo.setValue(cSDCH, S); });
      if (o.CalcularIDCH && abFila != 0) PasoTolerante([&] { nuevo.setValue(cIDM, S / abFila); });
    }
    const double dg = nFila != 0 ? std::sqrt(40000.0 * abFila / (kPi * nFila)) : 0;
    nuevo.setValue(cDg, dg);
    const float dgFila = nuevo.value(cDg).toFloat();
    PasoTolerante([&] {
      nuevo.setValue(cHo, detalle::DominanteAltura(e, grupo));
      const float ho = nuevo.value(cHo).toFloat();
      nuevo.setValue(cHart, IndiceHart(o, nFila, ho));
    });
    PasoTolerante([&] { nuevo.setValue(cReineke, IndiceReineke(o, nFila, dgFila)); });
    PasoTolerante([&] { nuevo.setValue(cDm, detalle::MediaDiametro(e, grupo)); });
    PasoTolerante([&] { nuevo.setValue(cHm, detalle::MediaAltura(e, grupo)); });
    PasoTolerante([&] { nuevo.setValue(cDo, detalle::DominanteDiametro(e, grupo)); });
  };

  // The counter, the yield to the window and the cancel button go by stretches of plots.
  constexpr std::int32_t kParcelasPorTramo = 1 << 12;
  const std::int32_t numero = e.ListaParcelas.vacia() ? 0 : e.ListaParcelas.numero;
  for (std::int32_t desde = 1; desde <= numero; desde += kParcelasPorTramo) {
    if (!progreso.continuar()) return ResultadoPasada::Cancelada;
    const std::int32_t hasta = std::min(numero, desde + kParcelasPorTramo - 1);
    parcelas.appendRows(
        static_cast<std::size_t>(hasta - desde + 1), [&](std::size_t k, char* registro) {
          fila(e.ListaParcelas.entradas[static_cast<std::size_t>(desde) + k], registro);
        });
    if (incompleta) e.VolumenesIncompletos = true;
    progreso.posicion(std::to_string(hasta));
    if (hasta <= e.NumeroParcelas && e.NumeroParcelas > 0) {
      progreso.barra(static_cast<int>(RedondeoPar(100.0 * hasta / e.NumeroParcelas, 0)));
    }
    progreso.ceder();
  }
  return ResultadoPasada::Completa;
}

}  // namespace arbelio::calc
