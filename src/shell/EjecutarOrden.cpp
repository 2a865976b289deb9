#include "shell/EjecutarOrden.h"

#include <atomic>
#include <filesystem>
#include <new>

#include "store/StoreError.h"

namespace arbelio::shell {

Fallo DescribirFallo(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const store::StoreError& e) {
    return {e.number(), e.description()};
  } catch (const std::filesystem::filesystem_error& e) {
    return {kErrorAccesoRuta, e.what()};
  } catch (const std::bad_alloc&) {
    return {kErrorMemoria, kDescripcionMemoria};
  } catch (const std::exception& e) {
    return {0, e.what()};
  } catch (...) {
    return {0, kDescripcionDesconocida};
  }
}

FalloOrden FalloOrden::Prefijo(std::string prefijo, IconoMensaje icono) {
  FalloOrden f;
  f.texto = [prefijo = std::move(prefijo)](const Fallo& fallo) {
    return prefijo + fallo.descripcion;
  };
  f.icono = icono;
  return f;
}

namespace {
std::atomic<int> gOrdenesEnCurso{0};
struct EnCurso {
  EnCurso() { ++gOrdenesEnCurso; }
  ~EnCurso() { --gOrdenesEnCurso; }
  EnCurso(const EnCurso&) = delete;
  EnCurso& operator=(const EnCurso&) = delete;
};
}  // namespace

bool OrdenEnCurso() {
  return gOrdenesEnCurso.load() > 0;
}

bool EjecutarOrden(Interaccion& ui, const FalloOrden& fallo, const std::function<void()>& orden) {
  const EnCurso enCurso;
  std::exception_ptr error;
  try {
    orden();
    return true;
  } catch (...) {
    error = std::current_exception();
  }
  // Shown outside the handler: a message box runs an event loop of its own.
  const Fallo f = DescribirFallo(error);
  try {
    ui.mensaje(fallo.texto ? fallo.texto(f) : f.descripcion, fallo.titulo, fallo.icono,
               BotonesMensaje::Aceptar);
  } catch (...) {
    // Nothing more can be said; the command still ends here.
  }
  return false;
}

}  // namespace arbelio::shell
