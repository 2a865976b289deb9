#include "import/MEspeci.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "import/ConstructorDatDef.h"
#include "import/PiesPorParcela.h"
#include "inventory/Constantes.h"
#include "inventory/TablasInventario.h"
#include "shell/Progreso.h"
#include "store/Database.h"
#include "store/Paralelo.h"
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
  const std::size_t largo = especi.recordLength();

  // The trees of each plot, in table order, taken in one walk instead of a find per plot.
  PiesPorParcela porParcela(pies);

  // Each plot's rows depend on its own trees alone, so a stretch of plots is built in two halves
  // at once, each into its own records, and the records are then appended in plot order: the
  // table a plot-by-plot build writes. A tree whose value cannot be read, or a value that does
  // not fit its field, stops the build with the rows built before it appended, as plot by plot.
  struct Parcela {
    std::int16_t provincia = 0, estadillo = 0;
    std::size_t desde = 0, hasta = 0;  // its trees in `filas`
  };
  // A tree that stops the build: where it is in the cursor and the field that could not be read.
  struct PieIlegible {
    std::int64_t posicion = -1;
    int campo = -1;
    std::int16_t parcela = 0;
  };
  // Each half on its own cache lines: the two threads fill their lists at once.
  struct alignas(64) Mitad {
    std::vector<char> registros;
    std::size_t filas = 0;  // rows whole in `registros`
    std::vector<PiePequeno> pequenos;
    std::int64_t numPequenos = 0;
    std::exception_ptr fallo;
    PieIlegible ilegible;
  };
  std::vector<Parcela> tramo;
  std::vector<std::uint32_t> filas;      // the stretch's trees as row ids, plot after plot
  std::vector<std::int64_t> posiciones;  // and as positions in the cursor
  std::array<Mitad, 2> mitades;
  std::vector<PiePequeno> pequenos;
  std::int64_t numPequenos = 0;
  std::int32_t hechas = 0;

  const auto parcela = [&](const Parcela& p, Mitad& m) {
    if (p.desde == p.hasta) return;
    std::vector<std::int16_t> especies;
    std::vector<float> piesHa, basal;
    std::int16_t ultimaEspecie = 0;
    std::size_t actual = 0;
    bool primero = true;
    for (std::size_t k = p.desde; k < p.hasta; ++k) {
      const std::uint32_t fila = filas[k];
      const auto numero = [&](int campo) {
        // Each field is read once, so no column is decoded for the build.
        store::Value v = pies.valueOfRow(fila, campo, true);
        if (!v.isNumber()) {
          m.ilegible = {posiciones[k], campo, p.estadillo};
          throw store::StoreError(store::err::kTipoNoCoincide, "");
        }
        return v;
      };
      const std::int16_t sp = static_cast<std::int16_t>(numero(cEspecie).toInt16());
      const float d = static_cast<float>((numero(cD2).toDouble() + numero(cD1).toDouble()) / 20.0);
      const int clase = std::isfinite(d) ? ClaseDiametrica(d) : 0;
      if (clase == 0) {
        // An inventory error: the tree has no class and adds nothing to its plot.
        if (m.pequenos.size() < kPiesPequenosListados)
          m.pequenos.push_back({std::to_string(p.provincia), std::to_string(p.estadillo),
                                pies.valueOfRow(fila, cNum, true).toString()});
        ++m.numPequenos;
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
      m.registros.resize((m.filas + 1) * largo, ' ');
      const store::RegistroNuevo nuevo(especi, m.registros.data() + m.filas * largo);
      nuevo.setValue(oProv, store::Value(static_cast<int>(p.provincia)));
      nuevo.setValue(oEst, store::Value(static_cast<int>(p.estadillo)));
      nuevo.setValue(oEsp, store::Value(std::to_string(especies[i])));
      nuevo.setValue(oNum, store::Value(Redondea2(piesHa[i])));
      nuevo.setValue(oAb, store::Value(basal[i] / 10000.0f));
      nuevo.setValue(oPnum, store::Value(una ? 100.0f : Redondea2(piesHa[i] / totPies * 100.0f)));
      nuevo.setValue(oPab, store::Value(una ? 100.0f : Redondea2(basal[i] / totBasal * 100.0f)));
      ++m.filas;
    }
  };
  // Builds the stretch, appends its rows and gives the progress; false when the user cancels.
  const auto construirTramo = [&] {
    for (Mitad& m : mitades) {
      m.registros.clear();
      m.filas = 0;
      m.pequenos.clear();
      m.numPequenos = 0;
      m.fallo = nullptr;
      m.ilegible = {};
    }
    // Halves of about as many trees each.
    std::size_t corte = 0;
    while (corte < tramo.size() && tramo[corte].hasta <= filas.size() / 2) ++corte;
    store::EnParalelo(2, [&](std::size_t k) {
      Mitad& m = mitades[k];
      try {
        for (std::size_t i = k == 0 ? 0 : corte; i < (k == 0 ? corte : tramo.size()); ++i)
          parcela(tramo[i], m);
      } catch (...) {
        m.fallo = std::current_exception();
      }
    });
    // The rows built before the first failure, in plot order.
    especi.appendRecords({{mitades[0].registros.data(), mitades[0].filas},
                          {mitades[1].registros.data(), mitades[0].fallo ? 0 : mitades[1].filas}});
    for (Mitad& m : mitades) {
      if (m.fallo) {
        if (m.ilegible.posicion < 0) std::rethrow_exception(m.fallo);
        // A value the build cannot read ends it, naming the tree (the selection's check refuses
        // such a province before this runs).
        pies.setAbsolutePosition(m.ilegible.posicion);
        throw store::StoreError(store::err::kTipoNoCoincide,
                                "el pie " + pies.rawText(cNum) + " de la parcela " +
                                    std::to_string(m.ilegible.parcela) + " de la tabla Piesma" +
                                    codigo + " no tiene un valor válido en el campo " +
                                    pies.fieldName(m.ilegible.campo) + " ('" +
                                    pies.rawText(m.ilegible.campo) + "').");
      }
      for (PiePequeno& p : m.pequenos) {
        if (pequenos.size() < kPiesPequenosListados) pequenos.push_back(std::move(p));
      }
      numPequenos += m.numPequenos;
    }
    hechas += static_cast<std::int32_t>(tramo.size());
    tramo.clear();
    filas.clear();
    posiciones.clear();
    if (!progreso.continuar()) return false;
    const int porcentaje = shell::Progreso::Porcentaje(hechas, total);
    progreso.barra(porcentaje);
    progreso.posicion(TextoPosicionParcela(hechas, total, porcentaje));
    progreso.ceder();
    return true;
  };

  constexpr std::size_t kPiesPorTramo = 1u << 15;
  for (; !parcelas.eof(); parcelas.moveNext()) {
    // A plot row without a usable key belongs to no plot (reported at the selection).
    const auto clave = inventory::ClaveDeParcela(parcelas.value("Provincia"));
    const auto estadillo = inventory::ClaveDeParcela(parcelas.value("Estadillo"));
    if (!clave || !estadillo) continue;
    Parcela p{*clave, *estadillo, filas.size(), filas.size()};
    const auto [desde, hasta] = porParcela.De(p.provincia, p.estadillo);
    for (auto pie = desde; pie != hasta; ++pie) {
      filas.push_back(pies.rowIdAt(pie->second));
      posiciones.push_back(pie->second);
    }
    p.hasta = filas.size();
    tramo.push_back(p);
    if (filas.size() >= kPiesPorTramo && !construirTramo()) return;
  }
  if (!tramo.empty() && !construirTramo()) return;
  parcelas.close();
  pies.close();
  especi.close();
  db.close();
  if (numPequenos > 0)
    ui.aviso(MensajePiesPequenos(codigo, pequenos, numPequenos), shell::IconoMensaje::Exclamacion);
}

}  // namespace arbelio::import
