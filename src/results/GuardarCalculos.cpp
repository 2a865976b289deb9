#include "results/GuardarCalculos.h"

#include <filesystem>
#include <utility>
#include <vector>

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

// The file of a saved calculation in `carpeta` (base name + code + extension), whatever its
// letter case; "" when there is none or when it is the run's own table.
std::string guardadoEn(const std::string& BDOut, const std::string& sufijoCalculos,
                       const std::string& carpeta, const std::string& base,
                       const std::string& codigo, const std::string& extension) {
  const std::string existente = store::findFileNoCase(carpeta, base + codigo + extension);
  if (existente.empty()) return "";
  const std::string origen = store::findFileNoCase(BDOut, base + sufijoCalculos + extension);
  if (!origen.empty() && mismoArchivo(origen, existente)) return "";
  return existente;
}

}  // namespace

std::vector<std::string> CalculosGuardadosEn(const std::string& BDOut,
                                             const std::string& sufijoCalculos,
                                             const std::string& carpeta,
                                             const std::string& codigo) {
  std::vector<std::string> r;
  for (const char* base : kTablasGuardarCalculos) {
    std::string f = guardadoEn(BDOut, sufijoCalculos, carpeta, base, codigo, ".dbf");
    if (!f.empty()) r.push_back(std::move(f));
  }
  std::string comentario = guardadoEn(BDOut, sufijoCalculos, carpeta, "Coment", codigo, ".txt");
  if (!comentario.empty()) r.push_back(std::move(comentario));
  return r;
}

std::string PreguntaSustituirCalculos(const std::string& carpeta, const std::string& codigo) {
  return "La carpeta " + carpeta + " ya contiene cálculos guardados con el código " + codigo +
         ".\n¿Desea sustituirlos por los de este cálculo?";
}

std::string MensajeCalculosGuardados(const std::string& carpeta, const std::string& codigo) {
  return "Los cálculos se han guardado con el código " + codigo + " en la carpeta " + carpeta + ".";
}

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
                     ResultadoGuardarCalculos* resultado, store::ModoCopia modo) {
  ResultadoGuardarCalculos r;
  const bool bien = shell::EjecutarOrden(ui, FalloGuardar(), [&] {
    std::vector<std::string> sobrantes;
    std::vector<std::pair<std::string, std::string>> copias;  // BDOut table, its saved copy
    for (const char* base : kTablasGuardarCalculos) {
      const std::string origen =
          store::findFileNoCase(BDOut, std::string(base) + sufijoCalculos + ".dbf");
      if (origen.empty()) {
        const std::string viejo =
            guardadoEn(BDOut, sufijoCalculos, carpetaDestino, base, codigo, ".dbf");
        if (!viejo.empty()) sobrantes.push_back(viejo);
        continue;
      }
      const std::string nombreDestino = std::string(base) + codigo + ".dbf";
      // A target already there under another letter case is the same table.
      const std::string existente = store::findFileNoCase(carpetaDestino, nombreDestino);
      if (!existente.empty() && mismoArchivo(origen, existente)) {
        r.omitidas.push_back(base);
        continue;
      }
      copias.emplace_back(origen, carpetaDestino + "/" + nombreDestino);
    }
    // The earlier tables are replaced only when every new one is whole: a failure of any
    // leaves them all as they were.
    store::replaceFiles(copias, modo);
    for (const auto& c : copias) r.copiadas.push_back(c.second);
    if (!comentario.empty()) {
      const std::string ruta = carpetaDestino + "/" + NombreComentario(codigo);
      store::replaceFileContents(ruta, ContenidoComentario(store::trimSpaces(comentario)));
      r.comentario = ruta;
    } else {
      const std::string viejo =
          guardadoEn(BDOut, sufijoCalculos, carpetaDestino, "Coment", codigo, ".txt");
      if (!viejo.empty()) sobrantes.push_back(viejo);
    }
    // Everything of this save is written: what is left of an earlier one under the code goes.
    for (const std::string& f : sobrantes) {
      store::deleteFile(f);
      r.borrados.push_back(f);
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
    // The question about an earlier save is this command's, about the whole set.
    dialogo.confirmarReemplazo = false;
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
      const std::string& BDOut = estado.rutas.BDOut;
      if (!CalculosGuardadosEn(BDOut, estado.SufijoCalculos, carpeta, *codigo).empty() &&
          !ui.preguntaSiNo(PreguntaSustituirCalculos(carpeta, *codigo))) {
        continue;
      }
      if (GuardarCalculos(BDOut, estado.SufijoCalculos, carpeta, *codigo, comentario, ui))
        ui.aviso(MensajeCalculosGuardados(carpeta, *codigo), shell::IconoMensaje::Informacion);
      return;
    }
  });
}

}  // namespace arbelio::results
