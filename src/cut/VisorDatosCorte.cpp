#include "cut/VisorDatosCorte.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cut/GuardarCorte.h"
#include "cut/ListaParcelasCorte.h"
#include "import/ArchivosImport.h"
#include "inventory/ModuleCodeInf.h"
#include "inventory/TablasInventario.h"
#include "shell/EjecutarOrden.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

namespace arbelio::cut {

namespace fs = std::filesystem;

namespace {

// The folder in BDTemp where "Guardar esta Tabla" writes the table before it is put in place.
constexpr const char* kCarpetaTemporal = "VisorCorte.tmp";

bool MismaCarpeta(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  const bool iguales = fs::equivalent(a, b, ec);
  return !ec && iguales;
}

// Removes the temporary folder of a save and what it holds, however the save ended.
class CarpetaDeTrabajo {
 public:
  explicit CarpetaDeTrabajo(std::string ruta) : ruta_(std::move(ruta)) {
    Vaciar();
    store::createFolder(ruta_);
  }
  ~CarpetaDeTrabajo() { Vaciar(); }
  CarpetaDeTrabajo(const CarpetaDeTrabajo&) = delete;
  CarpetaDeTrabajo& operator=(const CarpetaDeTrabajo&) = delete;
  const std::string& ruta() const { return ruta_; }

 private:
  void Vaciar() noexcept {
    try {
      if (!store::folderExists(ruta_)) return;
      for (const store::FileEntry& f : store::listFiles(ruta_)) store::deleteFile(f.path);
      std::error_code ec;
      fs::remove(ruta_, ec);
    } catch (...) {
      // A leftover temporary file is harmless: the next save starts by removing it.
    }
  }
  std::string ruta_;
};

}  // namespace

std::string TextoCeldaCorte(const store::Value& valor) {
  if (!valor.isNumber()) return valor.toString();
  std::string t = valor.toString();
  std::replace(t.begin(), t.end(), '.', ',');
  return t;
}

std::string NotaResumenCorte(const EstadoCorte& corte) {
  if (!corte.CorteRetocado) return "";
  return "(Resumen del corte tal como se aplicó: después se quitaron parcelas o pies mayores a "
         "mano en el visor de datos.)";
}

ModeloVisorCorte::ModeloVisorCorte(EstadoAplicacion& estado) : estado_(estado) {
  MuestraCorte(0);
}

void ModeloVisorCorte::MuestraCorte(int vista) {
  const VistaDatosCorte& v = kVistasCorte.at(static_cast<std::size_t>(vista));
  store::OpenOptions soloLectura;
  soloLectura.readOnly = true;
  store::Database trabajo = store::Database::open(estado_.rutas.BDTemp, soloLectura);
  store::Cursor tabla = trabajo.openCursor(std::string("SELECT ") + v.columnas + " FROM " + v.tabla,
                                           store::CursorKind::Snapshot);
  trabajo.close();
  auto fuente = std::make_shared<shell::FuenteCursor>(
      tabla, FilasDelCorte(estado_, tabla, VistaDePies(vista)));
  for (int c = 0; c < fuente->columnas(); ++c) {
    shell::ColumnaVista& col = fuente->columna(c);
    col.ayuda = ModuleCodeInf::DescripcionCampo(col.cabecera);
    col.alineacion = shell::Alineacion::Derecha;
    col.formato = TextoCeldaCorte;
  }
  fuente_ = std::move(fuente);
  vista_ = vista;
  seleccion_.Limpiar();
}

std::string ModeloVisorCorte::textoRegistros() const {
  return std::to_string(fuente_->filas());
}

void ModeloVisorCorte::PulsarCabecera(int columna) {
  seleccion_.PulsarCabecera(*fuente_, columna);
}

void ModeloVisorCorte::PulsarFila(std::int64_t fila) {
  seleccion_.PulsarFila(*fuente_, fila);
}

bool ModeloVisorCorte::eliminarHabilitado() const {
  return seleccion_.fila() && (VistaDeParcelas(vista_) || VistaDePies(vista_));
}

bool ModeloVisorCorte::CommandOrdenarColumna_Click() {
  return seleccion_.Ordenar(*fuente_);
}

bool ModeloVisorCorte::CommandEliminarFila_Click(shell::Interaccion& ui) {
  if (!eliminarHabilitado()) return false;
  const std::int64_t fila = seleccion_.indice();
  if (fuente_->filas() <= 1) {
    ui.aviso(kNoMasFilas);
    return false;
  }
  const bool parcela = VistaDeParcelas(vista_);
  if (!ui.preguntaSiNo(parcela ? kPreguntaEliminarParcela : kPreguntaEliminarPie)) return false;
  const auto provincia = inventory::ClaveDeParcela(fuente_->valor(fila, "PROVINCIA"));
  const auto estadillo = inventory::ClaveDeParcela(fuente_->valor(fila, "ESTADILLO"));
  if (!provincia || !estadillo) {
    throw store::StoreError(store::err::kElementoNoEncontrado,
                            "La fila no tiene un código de provincia y de parcela válido.");
  }
  if (parcela) {
    if (QuitarParcela(estado_, *provincia, *estadillo)) {
      // The tree total follows the plot: its large trees still in the cut leave with it.
      const store::Value numpma = fuente_->valor(fila, "NUMPMA");
      std::int64_t pies = numpma.isNumber() ? static_cast<std::int64_t>(numpma.number()) : 0;
      pies -= std::count_if(estado_.PiesExcluidos.begin(), estado_.PiesExcluidos.end(),
                            [&](const inventory::Pie& p) {
                              return p.provincia == *provincia && p.estadillo == *estadillo;
                            });
      if (pies > 0)
        estado_.NumeroPies =
            static_cast<std::int32_t>(std::max<std::int64_t>(0, estado_.NumeroPies - pies));
    }
  } else {
    const auto numorden = inventory::ClaveDeParcela(fuente_->valor(fila, "NUMORDEN"));
    if (!numorden) {
      throw store::StoreError(store::err::kElementoNoEncontrado,
                              "La fila no tiene un número de orden de pie válido.");
    }
    // A view opened before the cut was applied anew may show a plot the cut no longer holds:
    // its tree leaves the grid but is not counted out of a cut it is not part of.
    const auto plots = ParcelasDeLista(estado_.ListaParcelas);
    if (std::find(plots.begin(), plots.end(), inventory::Parcela{*provincia, *estadillo}) !=
        plots.end())
      ExcluirPie(estado_, *provincia, *estadillo, *numorden);
  }
  fuente_->eliminarFilas(fila);
  seleccion_.Limpiar();
  CorteCambiado();
  return true;
}

void ModeloVisorCorte::CorteCambiado() {
  // A cut emptied by hand has nothing to save.
  if (estado_.CorteVaciado()) estado_.menus.alAplicarCriteriosSinParcelas();
  if (alCambiarCorte) alCambiarCorte();
}

std::string ModeloVisorCorte::nombreGuardar() const {
  const char* base = kVistasCorte.at(vistaIndice()).guardarComo;
  return base == nullptr ? "" : std::string(base) + estado_.SufijoTablas + ".dbf";
}

bool ModeloVisorCorte::CommandGuardarEstaTabla_Click(shell::Interaccion& ui) {
  if (!guardarHabilitado()) return false;
  const VistaDatosCorte& v = kVistasCorte.at(vistaIndice());
  const std::string nombre = nombreGuardar();
  const std::optional<std::string> elegido = shell::ElegirDestinoTabla(ui, nombre);
  if (!elegido) return false;
  const auto& rutas = estado_.rutas;
  if (MismaCarpeta(fs::path(*elegido).parent_path(), rutas.BDTemp)) {
    ui.aviso(kNoGuardarEnBDTemp);
    return false;
  }
  bool guardada = false;
  shell::EjecutarOrden(ui, shell::FalloOrden::Prefijo("Error "), [&] {
    shell::RelojArena reloj(ui);
    CarpetaDeTrabajo temporal(rutas.BDTemp + "/" + kCarpetaTemporal);
    const std::string tabla = std::string(v.guardarComo) + estado_.SufijoTablas;
    const std::string archivo = temporal.ruta() + "/" + tabla + ".dbf";
    // The working table's layout (its template widened as the merge widened it), so every
    // value fits and the fields keep their positions.
    std::string plantilla =
        store::findFileNoCase(rutas.BDEstruct, std::string(v.guardarComo) + ".dbf");
    if (plantilla.empty()) plantilla = rutas.BDEstruct + "/" + v.guardarComo + ".dbf";
    import::CreaTablaParaFuentes(
        plantilla, {import::RutaTabla(rutas.BDTemp, v.tabla + std::string(".dbf"))}, archivo);
    {
      store::OpenOptions lectura;
      lectura.readOnly = true;
      store::Database trabajo = store::Database::open(rutas.BDTemp, lectura);
      store::Cursor fuente = trabajo.openCursor(v.tabla, store::CursorKind::Snapshot);
      store::Database destino = store::Database::open(temporal.ruta());
      destino.appendRows(tabla, fuente.withRows(FilasDelCorte(estado_, fuente, false)));
      destino.close();
    }
    // Only a whole table replaces what the chosen path held.
    store::replaceFile(archivo, *elegido);
    guardada = true;
  });
  return guardada;
}

}  // namespace arbelio::cut
