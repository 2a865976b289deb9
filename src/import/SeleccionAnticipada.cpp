#include "import/SeleccionAnticipada.h"

#include <filesystem>
#include <utility>

#include "import/ArchivosImport.h"
#include "import/ConstructorDatDef.h"
#include "import/SeleccionBaseDatos.h"
#include "shell/InteraccionLote.h"
#include "store/Database.h"
#include "store/FileOps.h"

namespace arbelio::import {

namespace {

// The interaction of a build made ahead: no dialog, its messages kept to be given again. A
// question cannot be kept (its answer would be needed now): the build is then not used.
class Grabadora : public shell::InteraccionLote {
 public:
  explicit Grabadora(bool& cancelado) : InteraccionLote(cancelado) {}
  std::vector<MensajeGrabado> mensajes;
  bool pregunto = false;
  shell::Respuesta mensaje(const std::string& texto, const std::string& titulo,
                           shell::IconoMensaje icono, shell::BotonesMensaje botones) override {
    if (botones != shell::BotonesMensaje::Aceptar) pregunto = true;
    mensajes.push_back({texto, titulo, icono});
    return shell::Respuesta::Aceptar;
  }
};

}  // namespace

SeleccionAnticipada::SeleccionAnticipada(const EstadoAplicacion& estado,
                                         std::vector<std::pair<std::string, std::string>> bases,
                                         std::function<void()> despues)
    : raiz_(estado.rutas.BDTemp + "/Anticipadas"),
      bdEstruct_(estado.rutas.BDEstruct),
      nombresTablas_(estado.NombresTablas),
      factores_(estado.FactoresExpansion),
      bases_(std::move(bases)),
      promesasInforme_(bases_.size()),
      promesasTablas_(bases_.size()),
      despues_(std::move(despues)) {
  std::error_code ec;
  std::filesystem::remove_all(raiz_, ec);  // left by a run that did not end
  for (auto& p : promesasInforme_) informes_.push_back(p.get_future());
  for (auto& p : promesasTablas_) tablas_.push_back(p.get_future());
  // Two jobs per database, in database order: its check, then its builds.
  for (int h = 0; h < 2; ++h) {
    hilos_.emplace_back([this] {
      for (std::size_t j = siguiente_++; j < 2 * bases_.size() && !parar_; j = siguiente_++) {
        const std::size_t i = j / 2;
        try {
          if (j % 2 == 0) {
            promesasInforme_[i].set_value(ComprobarBaseDatos(bases_[i].first, bases_[i].second));
          } else {
            promesasTablas_[i].set_value(Construye(i));
          }
        } catch (...) {
          if (j % 2 == 0) {
            promesasInforme_[i].set_exception(std::current_exception());
          } else {
            promesasTablas_[i].set_value(std::nullopt);  // built in its turn
          }
        }
      }
      if (despues_ && !parar_ && !despuesTomado_.exchange(true)) despues_();
    });
  }
}

SeleccionAnticipada::~SeleccionAnticipada() {
  parar_ = true;
  for (auto& h : hilos_) h.join();
  std::error_code ec;
  std::filesystem::remove_all(raiz_, ec);
}

std::optional<TablasAnticipadas> SeleccionAnticipada::Construye(std::size_t i) {
  const auto& [carpeta, codigo] = bases_[i];
  const bool datdef = !ExisteTabla(carpeta, "Datdef" + codigo + ".dbf");
  const bool especi = !ExisteTabla(carpeta, "ESPECI" + codigo + ".dbf");
  if (parar_ || (!datdef && !especi)) return std::nullopt;

  TablasAnticipadas t;
  const std::string propia = raiz_ + "/" + std::to_string(i);
  t.carpeta = propia;
  t.datdef = datdef;
  t.especi = especi;
  try {
    store::createFolder(t.carpeta);
    store::markScratchFolder(t.carpeta);
    // The state the builds read: the installed data, the table names, the expansion factors,
    // and this folder as their BDTemp.
    EstadoAplicacion propio;
    propio.rutas.BDEstruct = bdEstruct_;
    propio.rutas.BDTemp = t.carpeta;
    propio.NombresTablas = nombresTablas_;
    propio.FactoresExpansion = factores_;
    Grabadora ui(propio.CalculoCancelado);
    TraeTablas(nombresTablas_, carpeta, codigo, propia, true);
    // Both builds read the large-tree table: it stays loaded from the first to the second.
    store::Database arboles;
    if (datdef && especi) {
      store::OpenOptions lectura;
      lectura.readOnly = true;
      arboles = store::Database::open(propia, lectura);
      arboles.openCursor(nombresTablas_[1] + codigo, store::CursorKind::ForwardOnly);
    }
    if (datdef) {
      CreaDatDef(propio, ui, codigo, propia);
      t.mensajesDatdef = std::exchange(ui.mensajes, {});
    }
    if (especi) {
      ConstruyeEspeci(propio, ui, codigo);
      t.mensajesEspeci = std::exchange(ui.mensajes, {});
    }
    if (!ui.pregunto && !propio.CalculoCancelado) return t;
  } catch (...) {
    // Built again in its turn, where the failure is reported as it would be without this.
  }
  std::error_code ec;
  std::filesystem::remove_all(propia, ec);
  return std::nullopt;
}

std::optional<Anticipo> SeleccionAnticipada::Tomar(const std::string& carpeta,
                                                   const std::string& codigo) {
  for (std::size_t i = 0; i < bases_.size(); ++i) {
    // A database taken leaves its futures empty.
    if (!informes_[i].valid() || bases_[i].first != carpeta || bases_[i].second != codigo) continue;
    // The builds are waited for even when the check failed or refused the database: their
    // folder then goes, and the check's failure is thrown.
    std::optional<TablasAnticipadas> tablas = tablas_[i].get();
    const auto descarta = [&] {
      if (!tablas) return;
      std::error_code ec;
      std::filesystem::remove_all(tablas->carpeta, ec);
      tablas.reset();
    };
    Anticipo a;
    try {
      a.informe = informes_[i].get();
    } catch (...) {
      descarta();
      throw;
    }
    if (a.informe.rechazada()) descarta();
    a.tablas = std::move(tablas);
    return a;
  }
  return std::nullopt;
}

}  // namespace arbelio::import
