#include "shell/InteraccionGuionada.h"

namespace arbelio::shell {

std::vector<std::string> InteraccionGuionada::textos() const {
  std::vector<std::string> t;
  t.reserve(mensajes.size());
  for (const auto& m : mensajes) t.push_back(m.texto);
  return t;
}

Respuesta InteraccionGuionada::mensaje(const std::string& texto, const std::string& titulo,
                                       IconoMensaje icono, BotonesMensaje botones) {
  mensajes.push_back({texto, titulo, icono, botones});
  if (botones == BotonesMensaje::Aceptar) return Respuesta::Aceptar;
  if (respuestas.empty()) {
    ++preguntasSinGuion;
    return botones == BotonesMensaje::SiNo ? Respuesta::No : Respuesta::Cancelar;
  }
  Respuesta r = respuestas.front();
  respuestas.pop_front();
  return r;
}

std::optional<std::string> InteraccionGuionada::entrada(const std::string& texto,
                                                        const std::string& /*titulo*/,
                                                        const std::string& valorInicial) {
  textosEntrada.push_back(texto);
  if (entradas.empty()) return valorInicial;
  auto r = entradas.front();
  entradas.pop_front();
  return r;
}

std::optional<std::string> InteraccionGuionada::siguienteArchivo(const DialogoArchivo& dialogo) {
  dialogos.push_back(dialogo);
  if (archivos.empty()) return std::nullopt;
  auto r = archivos.front();
  archivos.pop_front();
  return r;
}

std::optional<std::string> InteraccionGuionada::abrirArchivo(const DialogoArchivo& dialogo) {
  return siguienteArchivo(dialogo);
}

std::optional<std::string> InteraccionGuionada::guardarArchivo(const DialogoArchivo& dialogo) {
  return siguienteArchivo(dialogo);
}

void InteraccionGuionada::mostrarProgreso(const std::string& titulo, const std::string& explicacion,
                                          bool conCancelar, PosicionProgreso posicion) {
  progreso.push_back("mostrar:" + titulo + "|" + explicacion +
                     "|cancelar=" + (conCancelar ? "1" : "0") + "|" +
                     (posicion == PosicionProgreso::Centrado ? "centrado" : "arriba-derecha"));
  progresoVisible = true;
  ultimaBarra = 0;
  ultimaPosicion.clear();
}

void InteraccionGuionada::progresoExplicacion(const std::string& explicacion) {
  progreso.push_back("explicacion:" + explicacion);
}

void InteraccionGuionada::progresoPosicion(const std::string& texto) {
  progreso.push_back("z:" + texto);
  ultimaPosicion = texto;
}

void InteraccionGuionada::progresoCalculos(const std::string& texto) {
  progreso.push_back("calculos:" + texto);
}

void InteraccionGuionada::progresoEtiquetas(bool progresoFijo, bool posicion, bool calculos) {
  progreso.push_back(std::string("etiquetas:") + (progresoFijo ? "1" : "0") +
                     (posicion ? "1" : "0") + (calculos ? "1" : "0"));
}

void InteraccionGuionada::progresoBarra(int porcentaje) {
  progreso.push_back("barra:" + std::to_string(porcentaje));
  ultimaBarra = porcentaje;
}

void InteraccionGuionada::ocultarProgreso() {
  progreso.push_back("ocultar");
  progresoVisible = false;
}

void InteraccionGuionada::ceder() {
  if (cancelarEnCeder >= 0 && cesiones == cancelarEnCeder) pulsarCancelar();
  ++cesiones;
}

}  // namespace arbelio::shell
