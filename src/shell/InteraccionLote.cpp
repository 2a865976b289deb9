#include "shell/InteraccionLote.h"

#include <iostream>

namespace arbelio::shell {

InteraccionLote::InteraccionLote(bool& calculoCancelado, std::ostream* salida)
    : Interaccion(calculoCancelado), salida_(salida ? *salida : std::cerr) {}

Respuesta InteraccionLote::mensaje(const std::string& texto, const std::string& titulo,
                                   IconoMensaje icono, BotonesMensaje botones) {
  ++numeroMensajes;
  if (icono == IconoMensaje::Critico) ++numeroErrores;
  salida_ << titulo << ": " << texto;
  Respuesta r = Respuesta::Aceptar;
  if (botones == BotonesMensaje::SiNo) {
    r = respuestaSi ? Respuesta::Si : Respuesta::No;
    salida_ << " [" << (respuestaSi ? "Sí" : "No") << "]";
  } else if (botones == BotonesMensaje::AceptarCancelar) {
    r = respuestaSi ? Respuesta::Aceptar : Respuesta::Cancelar;
    salida_ << " [" << (respuestaSi ? "Aceptar" : "Cancelar") << "]";
  }
  salida_ << '\n';
  return r;
}

std::optional<std::string> InteraccionLote::entrada(const std::string& /*texto*/,
                                                    const std::string& /*titulo*/,
                                                    const std::string& valorInicial) {
  if (entradas.empty()) return valorInicial;
  std::string r = entradas.front();
  entradas.pop_front();
  return r;
}

std::optional<std::string> InteraccionLote::siguienteArchivo() {
  if (archivos.empty()) return std::nullopt;
  std::string r = archivos.front();
  archivos.pop_front();
  return r;
}

std::optional<std::string> InteraccionLote::abrirArchivo(const DialogoArchivo&) {
  return siguienteArchivo();
}

std::optional<std::string> InteraccionLote::guardarArchivo(const DialogoArchivo&) {
  return siguienteArchivo();
}

void InteraccionLote::mostrarProgreso(const std::string& titulo, const std::string& /*expl*/,
                                      bool /*conCancelar*/, PosicionProgreso /*posicion*/) {
  if (detallado) salida_ << titulo << "...\n";
  if (alFase) alFase(titulo);
}

void InteraccionLote::progresoCalculos(const std::string& texto) {
  if (alFase) alFase(texto);
}

void InteraccionLote::progresoPosicion(const std::string& texto) {
  if (detallado && !texto.empty()) salida_ << "  " << texto << '\n';
}

}  // namespace arbelio::shell
