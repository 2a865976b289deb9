#include "import/MEspeci.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "import/ConstructorDatDef.h"
#include "import/PiesPorParcela.h"
#include "inventory/Constantes.h"
#include "inventory/TablasInventario.h"
#include "shell/Progreso.h"
#include "store/Database.h"
#include "store/StoreError.h"

namespace arbelio::import {

namespace {

struct PiePequeno {
  std::string provincia, parcela, numorden;
};

std::string MensajePiesPequenos(const std::string& codigo, const std::vector<PiePequeno>& lista,
                                std::int64_t cuantos) {
  std::string t =
      "Hay " + std::to_string(cuantos) + (cuantos == 1 ? " pie mayor" : " pies mayores") +
      " con diámetro normal menor de 7,5 cm en la tabla Piesma" + codigo +
      ". Es un error de los datos del inventario: no se " + (cuantos == 1 ? "ha" : "han") +
      " tenido en cuenta en la tabla Especi" + codigo + ".";
  t += cuantos > static_cast<std::int64_t>(lista.size()) ? "\nLos primeros:" : "\n";
  for (const PiePequeno& p : lista)
    t += "\nProvincia " + p.provincia + ", parcela " + p.parcela + ", pie " + p.numorden;
  return t;
}

}  // namespace

int ClaseDiametrica(float d) {
  // Tested in the order of the most frequent classes.
  if (d >= 12.5f && d < 22.5f) return 2;
  if (d >= 22.5f && d < 42.5f) return 3;
  if (d >= 7.5f && d < 12.5f) return 1;
  if (d >= 42.5f) return 4;
  return 0;
}

float Redondea2(float valor) {
  // A float times 100 is exact in double precision, so the half test is exact too.
  const double centesimas = std::nearbyint(static_cast<double>(valor) * 100.0);
  return static_cast<float>(centesimas / 100.0);
}

void MEspeci(EstadoAplicacion& estado, shell::Interaccion& ui, const std::string& codigo) {
  // A step of the selection's progress dialog (see CreaDatDef).
  shell::Progreso progreso(ui);
  store::Database db = store::Database::open(estado.rutas.BDTemp);
  if (!progreso.continuar() || !progreso.continuar()) return;
  store::Cursor especi = db.openCursor("Especi" + codigo, store::CursorKind::Table);
  if (!progreso.continuar()) return;
  db.execute("DELETE * FROM Especi" + codigo + " ;");
  if (!progreso.continuar()) return;

  store::Cursor parcelas = db.openCursor(
      "SELECT PROVINCIA, ESTADILLO, NUMPMA FROM Datdef" + codigo +
      " WHERE NUMPMA>0 GROUP BY PROVINCIA, ESTADILLO, NUMPMA" + " ORDER BY PROVINCIA, ESTADILLO");
  if (!progreso.continuar()) return;
  std::int32_t total = 0;
  if (!parcelas.eof()) {
    parcelas.moveLast();
    total = static_cast<std::int32_t>(parcelas.recordCount());
    parcelas.moveFirst();
  }
  if (!progreso.continuar()) return;
  store::Cursor pies = db.openCursor("Piesma" + codigo, store::CursorKind::Snapshot);
  if (!progreso.continuar()) return;

  const int cEspecie = pies.fieldIndex("Especie"), cD1 = pies.fieldIndex("DIAMETRO1"),
            cD2 = pies.fieldIndex("DIAMETRO2"), cNum = pies.fieldIndex("NUMORDEN");
  const int oProv = especi.fieldIndex("Provincia"), oEst = especi.fieldIndex("Estadillo"),
            oEsp = especi.fieldIndex("Especie"), oNum = especi.fieldIndex("NUMPM"),
            oAb = especi.fieldIndex("AREABASI"), oPnum = especi.fieldIndex("PORCENPM"),
            oPab = especi.fieldIndex("PORCENAB");
  const auto& factores = estado.FactoresExpansion;

  // The trees of each plot, in table order, taken in one walk instead of a find per plot.
  PiesPorParcela porParcela(pies);

  std::vector<std::int16_t> especies;
  std::vector<float> piesHa, basal;
  std::vector<PiePequeno> pequenos;
  std::int64_t numPequenos = 0;
  std::int32_t hechas = 0;

  for (; !parcelas.eof(); parcelas.moveNext()) {
    // A plot row without a usable key belongs to no plot (reported at the selection).
    const auto clave = inventory::ClaveDeParcela(parcelas.value("Provincia"));
    const auto estadillo = inventory::ClaveDeParcela(parcelas.value("Estadillo"));
    if (!clave || !estadillo) continue;
    const std::int16_t prov = *clave;
    const std::int16_t parcela = *estadillo;
    const auto [desde, hasta] = porParcela.De(prov, parcela);
    if (desde != hasta) {
      especies.clear();
      piesHa.clear();
      basal.clear();
      std::int16_t ultimaEspecie = 0;
      std::size_t actual = 0;
      bool primero = true;
      for (auto pie = desde; pie != hasta; ++pie) {
        pies.setAbsolutePosition(pie->second);
        // A value the build cannot read ends it, naming the tree (the selection's check
        // refuses such a province before this runs).
        const auto numero = [&](int campo) {
          const store::Value v = pies.value(campo);
          if (!v.isNumber()) {
            throw store::StoreError(
                store::err::kTipoNoCoincide,
                "el pie " + pies.rawText(cNum) + " de la parcela " + std::to_string(parcela) +
                    " de la tabla Piesma" + codigo + " no tiene un valor válido en el campo " +
                    pies.fieldName(campo) + " ('" + pies.rawText(campo) + "').");
          }
          return v;
        };
        const std::int16_t sp = static_cast<std::int16_t>(numero(cEspecie).toInt16());
        const float d =
            static_cast<float>((numero(cD2).toDouble() + numero(cD1).toDouble()) / 20.0);
        const int clase = std::isfinite(d) ? ClaseDiametrica(d) : 0;
        if (clase == 0) {
          // An inventory error: the tree has no class and adds nothing to its plot.
          if (pequenos.size() < kPiesPequenosListados)
            pequenos.push_back(
                {std::to_string(prov), std::to_string(parcela), pies.value(cNum).toString()});
          ++numPequenos;
          continue;
        }
        if (primero || sp != ultimaEspecie) {
          const auto it = std::find(especies.begin(), especies.end(), sp);
          if (it == especies.end()) {
            especies.push_back(sp);
            piesHa.push_back(0.0f);
            basal.push_back(0.0f);
            actual = especies.size() - 1;
          } else {
            actual = static_cast<std::size_t>(it - especies.begin());
          }
        }
        primero = false;
        const float g = static_cast<float>((static_cast<double>(d) * d / 4) * inventory::kPi);
        const float f = factores[static_cast<std::size_t>(clase)];
        basal[actual] = basal[actual] + g * f;
        piesHa[actual] = piesHa[actual] + f;
        ultimaEspecie = sp;
      }

      float totPies = 0.0f, totBasal = 0.0f;
      for (std::size_t i = 0; i < especies.size(); ++i) {
        totPies = totPies + piesHa[i];
        totBasal = totBasal + basal[i];
      }
      const bool una = especies.size() == 1;
      for (std::size_t i = 0; i < especies.size(); ++i) {
        especi.addNew();
        especi.setValue(oProv, store::Value(static_cast<int>(prov)));
        especi.setValue(oEst, store::Value(static_cast<int>(parcela)));
        especi.setValue(oEsp, store::Value(std::to_string(especies[i])));
        especi.setValue(oNum, store::Value(Redondea2(piesHa[i])));
        especi.setValue(oAb, store::Value(basal[i] / 10000.0f));
        especi.setValue(oPnum,
                        store::Value(una ? 100.0f : Redondea2(piesHa[i] / totPies * 100.0f)));
        especi.setValue(oPab, store::Value(una ? 100.0f : Redondea2(basal[i] / totBasal * 100.0f)));
        especi.update();
      }
      if (!progreso.continuar()) return;
    }
    ++hechas;
    const int porcentaje = shell::Progreso::Porcentaje(hechas, total);
    progreso.barra(porcentaje);
    progreso.posicion(TextoPosicionParcela(hechas, total, porcentaje));
    progreso.ceder();
  }
  parcelas.close();
  pies.close();
  especi.close();
  db.close();
  if (numPequenos > 0)
    ui.aviso(MensajePiesPequenos(codigo, pequenos, numPequenos), shell::IconoMensaje::Exclamacion);
}

}  // namespace arbelio::import
