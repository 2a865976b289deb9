#include "shell/Ayuda.h"

namespace arbelio::shell {

std::string PaginaAyuda(std::int32_t contexto) {
  switch (contexto) {
    case kAyudaOpcionesCalculo:
      return "opciones-calculo.html";
    case kAyudaEcuaciones:
      return "ecuaciones.html";
    default:
      return "contenido.html";
  }
}

std::string RutaPaginaAyuda(const RutasPrograma& rutas, std::int32_t contexto) {
  return rutas.Ayuda + "/" + PaginaAyuda(contexto);
}

std::string MensajeSinAyuda(const std::string& ruta) {
  return "No se encuentra la página de ayuda " + ruta +
         ".\nCompruebe que la carpeta help está instalada junto al programa (o en la carpeta "
         "indicada por ARBELIO_DATA).";
}

std::string TextoParticipantes() {
  return "Participantes:\n"
         "Equipo de dasometría del inventario forestal\n"
         "Servicios forestales de las comunidades colaboradoras\n"
         "Departamento de ingeniería forestal (desarrollo del programa)";
}

std::string TextoRemitirErrores() {
  return "Remita errores y sugerencias al equipo de desarrollo de ARBELIO "
         "(soporte.arbelio@example.org).";
}

}  // namespace arbelio::shell
