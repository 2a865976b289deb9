#include "results/GuardarCalculos.h"

#include <filesystem>

#include "shell/EjecutarOrden.h"
#include "store/FileOps.h"
#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::results {

namespace fs = std::filesystem;

namespace {

// Code points of a UTF-8 text.
std::vector<char32_t> puntosDeCodigo(std::string_view s) {
  std::vector<char32_t> r;
  std::size_t i = 0;
  while (i < s.size()) r.push_back(store::nextUtf8(s, i));
  return r;
}

bool mismoArchivo(const std::string& a, const std::string& b) {
  std::error_code ec;
  const bool igual = fs::equivalent(a, b, ec);
  return !ec && igual;
}

// "Error guardando cálculos: " + number + "     " + description, with no icon.
shell::FalloOrden FalloGuardar() {
  shell::FalloOrden f;
  f.texto = [](const shell::Fallo& fallo) {
    return kPrefijoErrorGuardarCalculos + std::to_string(fallo.numero) + "     " +
           fallo.descripcion;
  };
  f.icono = shell::IconoMensaje::Ninguno;
  return f;
}

}  // namespace

std::optional<std::string> CodigoDeNombreCalculos(std::string_view nombreArchivo) {
  const std::vector<char32_t> c = puntosDeCodigo(nombreArchivo);
  if (c.size() != 12) return std::nullopt;
  if (nombreArchivo.substr(0, 6) != "AIndiv") return std::nullopt;
  if (nombreArchivo.size() < 4 || nombreArchivo.substr(nombreArchivo.size() - 4) != ".dbf") {
    return std::nullopt;
  }
  std::string codigo;
  store::appendUtf8(codigo, c[6]);
  store::appendUtf8(codigo, c[7]);
  return codigo;
}

std::string NombreComentario(const std::string& codigo) {
  return "Coment" + codigo + ".txt";
}

std::string ContenidoComentario(std::string_view textoUtf8) {
  std::string r = "\xFF\xFE";
  const auto unidad = [&r](char16_t u) {
    r.push_back(static_cast<char>(u & 0xFF));
    r.push_back(static_cast<char>(u >> 8));
  };
  for (char32_t c : puntosDeCodigo(textoUtf8)) {
    if (c > 0xFFFF) {
      c -= 0x10000;
      unidad(static_cast<char16_t>(0xD800 + (c >> 10)));
      unidad(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      unidad(static_cast<char16_t>(c));
    }
  }
  unidad(u'\r');
  unidad(u'\n');
  return r;
}

bool GuardarCalculos(const std::string& BDOut, const std::string& sufijoCalculos,
                     const std::string& carpetaDestino, const std::string& codigo,
                     const std::string& comentario, shell::Interaccion& ui,
                     ResultadoGuardarCalculos* resultado) {
  ResultadoGuardarCalculos r;
  const bool bien = shell::EjecutarOrden(ui, FalloGuardar(), [&] {
    for (const char* base : kTablasGuardarCalculos) {
      const std::string origen =
          store::findFileNoCase(BDOut, std::string(base) + sufijoCalculos + ".dbf");
      if (origen.empty()) continue;
      const std::string nombreDestino = std::string(base) + codigo + ".dbf";
      // A target already there under another letter case is the same table.
      const std::string existente = store::findFileNoCase(carpetaDestino, nombreDestino);
      if (!existente.empty() && mismoArchivo(origen, existente)) {
        r.omitidas.push_back(base);
        continue;
      }
      // The earlier table is replaced only by a whole copy: a failure leaves it as it was.
      const std::string destino = carpetaDestino + "/" + nombreDestino;
      store::replaceFile(origen, destino);
      r.copiadas.push_back(destino);
    }
    if (!comentario.empty()) {
      const std::string ruta = carpetaDestino + "/" + NombreComentario(codigo);
      store::replaceFileContents(ruta, ContenidoComentario(store::trimSpaces(comentario)));
      r.comentario = ruta;
    }
  });
  if (resultado) *resultado = std::move(r);
  return bien;
}

void mnuAGuardarCalculos_Click(EstadoAplicacion& estado, shell::Interaccion& ui) {
  // Anything that fails on the way says so as the copies do.
  shell::EjecutarOrden(ui, FalloGuardar(), [&] {
    const std::optional<std::string> respuesta =
        ui.entrada(kPreguntaComentarioCalculos, kTituloComentarioCalculos, "");
    const std::string comentario = respuesta.value_or("");

    shell::DialogoArchivo dialogo;
    dialogo.titulo = kTituloDialogoCalculos;
    dialogo.filtro = kFiltroDialogoCalculos;
    dialogo.nombreInicial = "AIndiv" + estado.SufijoTablas + ".dbf";
    for (;;) {
      const std::optional<std::string> elegido = ui.guardarArchivo(dialogo);
      if (!elegido) return;
      const fs::path ruta(*elegido);
      const std::optional<std::string> codigo = CodigoDeNombreCalculos(ruta.filename().string());
      if (!codigo) {
        ui.mensaje(kMensajeNombreCalculos, shell::kTituloAplicacion, shell::IconoMensaje::Ninguno,
                   shell::BotonesMensaje::Aceptar);
        continue;
      }
      const fs::path padre = ruta.has_parent_path() ? ruta.parent_path() : fs::path(".");
      const std::string carpeta = padre.string();
      GuardarCalculos(estado.rutas.BDOut, estado.SufijoCalculos, carpeta, *codigo, comentario, ui);
      return;
    }
  });
}

}  // namespace arbelio::results
