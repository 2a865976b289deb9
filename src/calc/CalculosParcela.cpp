#include "calc/CalculosParcela.h"

#include <array>
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
  const std::int32_t numero = e.ListaParcelas.vacia() ? 0 : e.ListaParcelas.numero;
  for (std::int32_t i = 1; i <= numero; ++i) {
    if (!progreso.continuar()) return ResultadoPasada::Cancelada;
    const auto& parcela = e.ListaParcelas.entradas[static_cast<std::size_t>(i)];
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
    parcelas.addNew();
    bool incompleta = false;
    PasoTolerante([&] { parcelas.setValue("PROVINCIA", parcela.provincia); });
    PasoTolerante([&] { parcelas.setValue("PARCELA", parcela.estadillo); });
    parcelas.setValue("N", N);
    parcelas.setValue("AB", RedondeoPar(sumaSN / 10000, 5));
    for (std::size_t v = 0; v < kVolumenes.size(); ++v) {
      if (!seleccionado[v]) continue;
      if (a.incompleto[v]) {
        incompleta = true;
      } else {
        PasoTolerante([&] { parcelas.setValue(kVolumenes[v], vol[v] / 1000); });
      }
    }
    const float nFila = parcelas.value("N").toFloat();
    const float abFila = parcelas.value("AB").toFloat();
    if (corcho) {
      if (o.CalcularSDCH) PasoTolerante([&] { parcelas.setValue("SDCH", S); });
      if (o.CalcularIDCH && abFila != 0)
        PasoTolerante([&] { parcelas.setValue("IDM", S / abFila); });
    }
    const double dg = nFila != 0 ? std::sqrt(40000.0 * abFila / (kPi * nFila)) : 0;
    parcelas.setValue("Dg", dg);
    const float dgFila = parcelas.value("Dg").toFloat();
    PasoTolerante([&] {
      parcelas.setValue("Ho", detalle::DominanteAltura(e, grupo));
      const float ho = parcelas.value("Ho").toFloat();
      parcelas.setValue("HART", IndiceHart(o, nFila, ho));
    });
    PasoTolerante([&] { parcelas.setValue("REINEKE", IndiceReineke(o, nFila, dgFila)); });
    PasoTolerante([&] { parcelas.setValue("Dm", detalle::MediaDiametro(e, grupo)); });
    PasoTolerante([&] { parcelas.setValue("Hm", detalle::MediaAltura(e, grupo)); });
    PasoTolerante([&] { parcelas.setValue("Do", detalle::DominanteDiametro(e, grupo)); });
    parcelas.update();
    if (incompleta) e.VolumenesIncompletos = true;
    progreso.posicion(std::to_string(i));
    if (i <= e.NumeroParcelas && e.NumeroParcelas > 0) {
      progreso.barra(static_cast<int>(RedondeoPar(100.0 * i / e.NumeroParcelas, 0)));
    }
    progreso.ceder();
  }
  return ResultadoPasada::Completa;
}

}  // namespace arbelio::calc
