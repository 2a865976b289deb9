// The selection of databases known beforehand (the batch run), worked ahead on both cores: each
// database is checked and, where its folder lacks them, its plot summary ("DatDef" + code) and
// species per plot ("Especi" + code) tables are built in a folder of its own, the check and the
// builds of a database at once (builds of a database the check refuses are thrown away), while
// the selection takes the databases before it. When a database's
// turn comes the selection takes its report and its built tables instead of doing the work
// itself; what it shows and asks stays the same, in the same order (the messages a build gave
// are given again at the point where the build would have given them).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "import/ComprobacionBase.h"
#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::import {

// A message a build gave, to be given again.
struct MensajeGrabado {
  std::string texto, titulo;
  shell::IconoMensaje icono = shell::IconoMensaje::Informacion;
};

// The tables built ahead for a database: in `carpeta`, "DatDef" + code when `datdef`, and
// "Especi" + code when `especi`, with the messages each build gave.
struct TablasAnticipadas {
  std::string carpeta;
  bool datdef = false, especi = false;
  std::vector<MensajeGrabado> mensajesDatdef, mensajesEspeci;
};

struct Anticipo {
  InformeComprobacion informe;
  // Nothing when no table had to be built, or when a build failed or asked something: the
  // selection then builds as it does without anticipation (and meets the same failure).
  std::optional<TablasAnticipadas> tablas;
};

class SeleccionAnticipada {
 public:
  // Databases as (folder, code), as the selection names them. The builds work under
  // BDTemp/"Anticipadas", which goes away with this object. `despues`, when given, is run by the
  // first thread left without a database to work on (a core the selection no longer needs),
  // unless this object is going away first; it must not throw.
  SeleccionAnticipada(const EstadoAplicacion& estado,
                      std::vector<std::pair<std::string, std::string>> bases,
                      std::function<void()> despues = {});
  // Stops after the work under way.
  ~SeleccionAnticipada();
  SeleccionAnticipada(const SeleccionAnticipada&) = delete;
  SeleccionAnticipada& operator=(const SeleccionAnticipada&) = delete;

  // The anticipated work of that database, waiting for it (a failure of the check is thrown
  // here, as ComprobarBaseDatos would throw it); nothing when it was not anticipated or was
  // already taken. Built tables not moved out of their folder are deleted with it.
  std::optional<Anticipo> Tomar(const std::string& carpeta, const std::string& codigo);

 private:
  std::optional<TablasAnticipadas> Construye(std::size_t i);

  std::string raiz_;
  std::string bdEstruct_;
  std::array<std::string, 10> nombresTablas_;
  std::array<float, 5> factores_;
  std::vector<std::pair<std::string, std::string>> bases_;
  // Per database: its check's report and its built tables.
  std::vector<std::promise<InformeComprobacion>> promesasInforme_;
  std::vector<std::future<InformeComprobacion>> informes_;
  std::vector<std::promise<std::optional<TablasAnticipadas>>> promesasTablas_;
  std::vector<std::future<std::optional<TablasAnticipadas>>> tablas_;
  std::function<void()> despues_;
  std::atomic<bool> despuesTomado_{false};
  std::atomic<std::size_t> siguiente_{0};
  std::atomic<bool> parar_{false};
  std::vector<std::thread> hilos_;
};

}  // namespace arbelio::import
