#include "import/ConstructorDatDef.h"

#include <array>
#include <cmath>
#include <limits>

#include "import/ArchivosImport.h"
#include "inventory/TablasInventario.h"
#include "shell/Progreso.h"
#include "store/Database.h"
#include "store/FileOps.h"

namespace arbelio::import {

namespace {

// The numeric value of a field read as text, or nothing when it is empty or not a number.
std::optional<double> NumeroDeTexto(const store::Value& v) {
  if (v.isNull()) return std::nullopt;
  if (v.isNumber()) return v.number();
  double d = 0;
  if (!store::parseNumber(v.text(), d)) return std::nullopt;
  return d;
}

template <typename Entero>
std::optional<Entero> Redondeado(std::optional<double> d) {
  if (!d) return std::nullopt;
  const double r = std::nearbyint(*d);  // halves to even
  if (!(r >= std::numeric_limits<Entero>::min() && r <= std::numeric_limits<Entero>::max()))
    return std::nullopt;
  return static_cast<Entero>(r);
}

}  // namespace

std::string TextoPosicionParcela(std::int32_t hechas, std::int32_t total, int porcentaje) {
  return "Parcela " + std::to_string(hechas) + "/" + std::to_string(total) + ".   (" +
         std::to_string(porcentaje) + "%)";
}

std::int32_t CuentaPorParcela(store::Cursor& cuentas, std::int16_t parcela) {
  // An empty Estadillo sorts before every plot: passing over it keeps the walk going.
  while (!cuentas.eof()) {
    const store::Value e = cuentas.value("Estadillo");
    if (!e.isNull() && e.toDouble() >= parcela) break;
    cuentas.moveNext();
  }
  if (!cuentas.eof() && cuentas.value("Estadillo").toDouble() == parcela)
    return cuentas.value("Num").toInt32();
  return 0;
}

std::int16_t HusoDeHoja(store::Cursor& hojas, std::int16_t hoja, std::optional<std::int32_t> x,
                        std::int32_t /*y*/) {
  hojas.seek("=", {store::Value(static_cast<int>(hoja))});
  if (hojas.noMatch()) return 0;
  const store::Value n = hojas.value("nHusos");
  auto huso = [&](const char* campo) -> std::int16_t {
    const store::Value v = hojas.value(campo);
    return v.isNull() ? std::int16_t{0} : static_cast<std::int16_t>(v.toInt16());
  };
  if (!n.isNull() && n.toDouble() == 1) return huso("Huso1");
  if (!x) return 0;  // two zones and no X to tell them apart
  return *x < 500 ? huso("Huso2") : huso("Huso1");
}

void CreaDatDef(EstadoAplicacion& estado, shell::Interaccion& ui, const std::string& codigo,
                const std::string& carpeta) {
  // A step of the selection's progress dialog: Cancelar hides it and leaves CalculoCancelado set
  // for the selection.
  shell::Progreso progreso(ui);
  if (!progreso.continuar()) return;
  const std::string tabla = "DatDef" + codigo;
  // Every field of the plot table, at the widths it has there, and the summary fields.
  CreaTablaParaFuentes(estado.rutas.BDEstruct + "/DatDef.dbf",
                       {RutaTabla(carpeta, "Datest" + codigo + ".dbf")},
                       carpeta + "/" + tabla + ".dbf");
  if (!progreso.continuar()) return;

  store::OpenOptions opciones;
  opciones.connect = "DBASE III";
  store::Database db = store::Database::open(carpeta, opciones);
  store::OpenOptions auxiliar;
  auxiliar.connect = "";
  store::Database husos =
      store::Database::open(estado.rutas.BDEstruct + "/" + kArchivoHusoHoja, auxiliar);

  db.execute("DELETE * FROM " + tabla + " ;");
  if (!progreso.continuar()) return;
  db.execute("INSERT INTO " + tabla + " SELECT * FROM Datest" + codigo + " ;");
  if (!progreso.continuar()) return;

  store::Cursor parcelas = db.openCursor("SELECT * From DATDEF" + codigo + " ORDER BY Estadillo;");
  if (!progreso.continuar()) return;
  std::array<store::Cursor, 4> cuentas;
  const std::array<const char*, 4> arboles = {"PIESMA", "PIESME", "TIPOSX", "MATORR"};
  for (std::size_t i = 0; i < arboles.size(); ++i) {
    cuentas[i] =
        db.openCursor(std::string("SELECT Estadillo, Count(NumOrden) AS Num") + " From " +
                      arboles[i] + codigo + " GROUP BY Estadillo" + " ORDER BY Estadillo;");
    if (!progreso.continuar()) return;
  }
  store::Cursor hojas = husos.openCursor("Hojas", store::CursorKind::Table);
  hojas.setIndex("PrimaryKey");
  if (!progreso.continuar()) return;

  parcelas.moveLast();
  const std::int32_t total = static_cast<std::int32_t>(parcelas.recordCount());
  parcelas.moveFirst();
  std::int32_t hechas = 0;

  const int cPma = parcelas.fieldIndex("NUMPMA"), cPme = parcelas.fieldIndex("NumPme"),
            cTip = parcelas.fieldIndex("NumTip"), cMat = parcelas.fieldIndex("NumMat"),
            cHuso = parcelas.fieldIndex("Huso");
  for (; !parcelas.eof(); parcelas.moveNext()) {
    // A row without a usable plot number (reported at the selection) is left unchanged.
    const auto est = inventory::ClaveDeParcela(parcelas.value("Estadillo"));
    if (!est) continue;
    const std::int16_t parcela = *est;
    if (!progreso.continuar()) return;
    ++hechas;
    const int porcentaje = shell::Progreso::Porcentaje(hechas, total);
    progreso.barra(porcentaje);
    progreso.posicion(TextoPosicionParcela(hechas, total, porcentaje));

    const std::int32_t nPma = CuentaPorParcela(cuentas[0], parcela);
    const std::int32_t nPme = CuentaPorParcela(cuentas[1], parcela);
    const std::int32_t nTip = CuentaPorParcela(cuentas[2], parcela);
    const std::int32_t nMat = CuentaPorParcela(cuentas[3], parcela);

    // An empty or unreadable sheet number is a sheet not in Hojas: zone 0.
    const auto hoja = Redondeado<std::int16_t>(NumeroDeTexto(parcelas.value("Hoja")));
    const auto x = Redondeado<std::int32_t>(NumeroDeTexto(parcelas.value("CoordeX")));
    const auto y = Redondeado<std::int32_t>(NumeroDeTexto(parcelas.value("CoordeY")));
    const std::int16_t huso = hoja ? HusoDeHoja(hojas, *hoja, x, y.value_or(0)) : 0;

    parcelas.edit();
    parcelas.setValue(cPma, store::Value(nPma));
    parcelas.setValue(cPme, store::Value(nPme));
    parcelas.setValue(cTip, store::Value(nTip));
    parcelas.setValue(cMat, store::Value(nMat));
    parcelas.setValue(cHuso, store::Value(static_cast<int>(huso)));
    parcelas.update();
  }
  parcelas.close();
  for (auto& c : cuentas) c.close();
  hojas.close();
  husos.close();
  db.close();
}

}  // namespace arbelio::import
