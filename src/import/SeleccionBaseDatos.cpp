#include "import/SeleccionBaseDatos.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "import/ArchivosImport.h"
#include "import/ComprobacionBase.h"
#include "import/ConstructorDatDef.h"
#include "import/MEspeci.h"
#include "import/SeleccionAnticipada.h"
#include "shell/EjecutarOrden.h"
#include "shell/Progreso.h"
#include "store/FileOps.h"
#include "store/Text.h"

namespace arbelio::import {

namespace {

constexpr const char* kNoCorrecta = "Esta base de datos no es correcta.\n";

bool Refusa(shell::Interaccion& ui, const std::string& texto) {
  ui.mensaje(std::string(kNoCorrecta).append(texto), kTituloErrorAbrir,
             shell::IconoMensaje::Critico, shell::BotonesMensaje::Aceptar);
  return false;
}

// The explanation of a build: whole paragraphs, one per line, so the progress dialog wraps
// them to its width.
std::string Explicacion(std::initializer_list<const char*> parrafos) {
  std::string r;
  for (const char* l : parrafos) r += (r.empty() ? "" : "\n") + std::string(l);
  return r;
}

// Removes a code from the selection (the undo of a cancelled or failed selection).
void QuitaCodigo(EstadoAplicacion& estado, const std::string& codigo) {
  auto& lista = estado.CodigosSeleccionados;
  for (auto it = lista.end(); it != lista.begin();) {
    --it;
    if (store::trimSpaces(*it) == codigo) {
      lista.erase(it);
      break;
    }
  }
  if (lista.empty()) estado.HayBasesSeleccionadas = false;
}

// Offers to save a built table beside the inventory files: the save dialog comes back until
// the chosen name is exactly the table's file name. Cancelling skips the save. A failed save
// says what could not be saved and where; the file that was there stays as it was.
void GuardaTablaConstruida(const std::string& base, const std::string& codigo,
                           const std::string& carpeta, const std::string& temp,
                           shell::Interaccion& ui) {
  const std::string nombre = base + codigo + ".dbf";
  std::string elegido;
  shell::FalloOrden fallo;
  fallo.texto = [&](const shell::Fallo& f) {
    const std::size_t barra = elegido.find_last_of('/');
    const std::string destino = barra == std::string::npos ? carpeta : elegido.substr(0, barra);
    return "Error al guardar: no se ha podido guardar la tabla " + base + codigo +
           " en la carpeta " + destino + ".\n" + f.descripcion;
  };
  shell::EjecutarOrden(ui, fallo, [&] {
    for (;;) {
      shell::DialogoArchivo d;
      d.titulo = "Guardar el fichero " + base + codigo;
      d.filtro = "Base de datos de Dbase|*.dbf";
      d.carpetaInicial = carpeta;
      d.nombreInicial = nombre;
      const auto r = ui.guardarArchivo(d);
      ui.ceder();
      if (!r) return;
      const std::size_t barra = r->find_last_of('/');
      if ((barra == std::string::npos ? *r : r->substr(barra + 1)) == nombre) {
        elegido = *r;
        break;
      }
    }
    store::replaceFile(RutaTabla(temp, nombre), elegido);
  });
}

// A table built ahead moved into BDTemp, and the messages its build gave given again.
void TomaConstruida(const TablasAnticipadas& t, const std::string& archivo, const std::string& temp,
                    const std::vector<MensajeGrabado>& mensajes, shell::Interaccion& ui) {
  store::renameFile(t.carpeta + "/" + archivo, temp + "/" + archivo);
  for (const MensajeGrabado& m : mensajes)
    ui.mensaje(m.texto, m.titulo, m.icono, shell::BotonesMensaje::Aceptar);
}

}  // namespace

bool EsFicherodeEntradaValido(const std::string& carpeta, const std::string& archivo,
                              shell::Interaccion& ui) {
  const std::size_t punto = archivo.find('.');
  const std::string ext = punto == std::string::npos ? archivo : archivo.substr(punto + 1);
  if (store::toUpperAscii(ext) != "DBF")
    return Refusa(ui, "El fichero de datos seleccionado no tiene extensión '.dbf' .");

  const std::size_t largo = Caracteres(archivo).size();
  auto nombreIncorrecto = [&](std::size_t primeros) {
    return Refusa(ui, "El nombre del fichero seleccionado: '" + Izquierda(archivo, primeros) +
                          "'\nes incorrecto o no pertenece a una base de datos\ndel KAV.");
  };
  if (largo == 11) {
    const std::string p = store::toUpperAscii(Izquierda(archivo, 5));
    if (p != "ESTRP" && p != "ECUAS") return nombreIncorrecto(7);
  } else if (largo == 12) {
    static const char* const kValidos[] = {"DATDEF", "DATEST", "PIESMA", "PIESME", "TIPOSX",
                                           "MATORR", "ESPECI", "INFCOR", "MODELS", "PARAMS"};
    const std::string p = store::toUpperAscii(Izquierda(archivo, 6));
    if (std::none_of(std::begin(kValidos), std::end(kValidos),
                     [&](const char* v) { return p == v; }))
      return nombreIncorrecto(8);
  }

  const std::size_t fin = punto == std::string::npos ? archivo.size() : punto;
  const std::string codigo = archivo.substr(fin >= 2 ? fin - 2 : 0, fin >= 2 ? 2 : fin);
  if (!ExisteTabla(carpeta, "datest" + codigo + ".dbf") &&
      !ExisteTabla(carpeta, "datdef" + codigo + ".dbf"))
    return Refusa(ui, "No se encuentra fichero 'Datdef" + codigo + ".dbf'.");
  if (!ExisteTabla(carpeta, "piesma" + codigo + ".dbf"))
    return Refusa(ui, "No se encuentra fichero 'Piesma" + codigo + ".dbf'.");
  return true;
}

std::string CodigoDeNombreBase(const std::string& nombreBase) {
  const auto cs = Caracteres(nombreBase);
  for (std::size_t i = 0; i < cs.size(); ++i) {
    if (cs[i].size() == 1 && std::isdigit(static_cast<unsigned char>(cs[i][0]))) {
      return i + 1 < cs.size() ? cs[i] + cs[i + 1] : cs[i];
    }
  }
  if (cs.empty()) return {};
  return cs.size() >= 2 ? cs[cs.size() - 2] + cs.back() : cs.back();
}

PartesRuta PartesDeRuta(const std::string& ruta) {
  const std::size_t barra = ruta.find_last_of('/');
  PartesRuta p;
  p.carpeta = barra == std::string::npos ? "." : ruta.substr(0, barra);
  p.archivo = barra == std::string::npos ? ruta : ruta.substr(barra + 1);
  p.codigo = CodigoDeNombreBase(p.archivo.substr(0, p.archivo.find('.')));
  return p;
}

void TraeTablas(const std::array<std::string, 10>& nombresTablas, const std::string& carpeta,
                const std::string& codigo, const std::string& destino, bool conDatest) {
  for (std::size_t i = 1; i <= 4; ++i) {
    const std::string nombre = nombresTablas[i] + codigo + ".dbf";
    CopiaTabla(carpeta, nombre, destino + "/" + nombre);
  }
  if (ExisteTabla(carpeta, "Datdef" + codigo + ".dbf")) {
    CopiaTabla(carpeta, "Datdef" + codigo + ".dbf", destino + "/DatDef" + codigo + ".dbf");
  } else if (conDatest) {
    CopiaTabla(carpeta, "Datest" + codigo + ".dbf", destino + "/Datest" + codigo + ".dbf");
  }
}

void ConstruyeEspeci(EstadoAplicacion& estado, shell::Interaccion& ui, const std::string& codigo) {
  store::copyFile(estado.rutas.BDEstruct + "/Especi.dbf",
                  estado.rutas.BDTemp + "/Especi" + codigo + ".dbf");
  MEspeci(estado, ui, codigo);
}

ResultadoSeleccion mnuAAgregarBD_Click(EstadoAplicacion& estado, shell::Interaccion& ui,
                                       VistaListaProvincias& vista) {
  if (ExisteTabla(estado.rutas.BDTemp, "Datdef00.dbf")) {
    ui.aviso(kMensajeSeleccionCerrada, shell::IconoMensaje::Informacion);
    return ResultadoSeleccion::Cerrada;
  }
  shell::DialogoArchivo dialogo;
  dialogo.titulo = kTituloAbrirBase;
  dialogo.filtro = kFiltroAbrirBase;
  const auto ruta = ui.abrirArchivo(dialogo);
  if (!ruta) return ResultadoSeleccion::SinElegir;
  ui.ceder();
  shell::RelojArena reloj(ui);

  const PartesRuta partes = PartesDeRuta(*ruta);
  const std::string& carpeta = partes.carpeta;
  const std::string& archivo = partes.archivo;
  const std::string& codigo = partes.codigo;
  if (!EsFicherodeEntradaValido(carpeta, archivo, ui)) return ResultadoSeleccion::NoValida;
  if (codigo == "00") {
    Refusa(ui,
           "El código 00 es el de las tablas de trabajo que el programa genera: no puede ser "
           "el de una base de datos provincial o de un corte.");
    return ResultadoSeleccion::NoValida;
  }
  // A shorter code is kept padded with blanks to two characters.
  const std::string relleno =
      codigo + std::string(2 - std::min<std::size_t>(2, Caracteres(codigo).size()), ' ');

  auto& lista = estado.CodigosSeleccionados;
  if (estado.HayBasesSeleccionadas) {
    for (const std::string& c : lista) {
      if (store::trimSpaces(c) == codigo) {
        ui.aviso("La base de datos con código " + codigo + " ya está seleccionada.\n" +
                 "Puede seleccionar otra base de datos distinta.");
        estado.menus.alElegirArchivoValido();
        return ResultadoSeleccion::Duplicada;
      }
    }
  }

  // Every table the program will read, checked once, before anything is copied.
  bool rechazada = false;
  // Tables built ahead (a batch run's other core); their folder goes away with the anticipation.
  std::optional<TablasAnticipadas> construidas;
  const bool comprobada = shell::EjecutarOrden(ui, shell::FalloOrden::Prefijo("Error "), [&] {
    std::optional<Anticipo> anticipado;
    if (estado.anticipada) anticipado = estado.anticipada->Tomar(carpeta, codigo);
    if (anticipado) construidas = std::move(anticipado->tablas);
    const InformeComprobacion informe =
        anticipado ? std::move(anticipado->informe) : ComprobarBaseDatos(carpeta, codigo);
    if (informe.rechazada()) {
      rechazada = true;
      ui.mensaje(TextoRechazo(informe), kTituloErrorAbrir, shell::IconoMensaje::Critico,
                 shell::BotonesMensaje::Aceptar);
      return;
    }
    if (!informe.avisos.empty()) ui.aviso(TextoAvisos(codigo, informe));
  });
  if (!comprobada) return ResultadoSeleccion::Fallo;
  if (rechazada) return ResultadoSeleccion::NoValida;

  if (estado.HayBasesSeleccionadas) {
    lista.push_back(relleno);
  } else {
    lista = {relleno};
    estado.HayBasesSeleccionadas = true;
  }

  const std::string& temp = estado.rutas.BDTemp;
  bool cancelada = false;
  const bool completa = shell::EjecutarOrden(ui, shell::FalloOrden::Prefijo("Error "), [&] {
    const bool datdefAnticipada = construidas && construidas->datdef;
    TraeTablas(estado.NombresTablas, carpeta, codigo, temp, !datdefAnticipada);

    // Plot summary.
    if (!ExisteTabla(carpeta, "Datdef" + codigo + ".dbf")) {
      shell::Progreso p(
          ui, "Creando tabla 'Datdef" + codigo + "'.",
          Explicacion({"Por favor, espere unos minutos. Se está generando una tabla de base de "
                       "datos a partir de la original 'Datest', añadiendo datos de huso UTM, "
                       "número de pies mayores, pies menores,...  de cada parcela.",
                       "Este proceso solo se necesita una vez para cada provincia si al "
                       "finalizar guarda esta tabla con las originales."}),
          true, shell::PosicionProgreso::Centrado);
      if (datdefAnticipada) {
        TomaConstruida(*construidas, "DatDef" + codigo + ".dbf", temp, construidas->mensajesDatdef,
                       ui);
      } else {
        CreaDatDef(estado, ui, codigo, temp);
      }
      if (p.cancelado()) {
        cancelada = true;
        return;
      }
      BorraTablaSiExiste(temp, "Datest" + codigo + ".dbf");
      const bool guardar =
          ui.preguntaSiNo("¿Desea guardar fichero Datdef" + codigo + "?. (Recomendado)");
      p.terminar();
      if (guardar) GuardaTablaConstruida("Datdef", codigo, carpeta, temp, ui);
    }

    // Species per plot.
    if (ExisteTabla(carpeta, "ESPECI" + codigo + ".dbf")) {
      CopiaTabla(carpeta, "ESPECI" + codigo + ".dbf", temp + "/Especi" + codigo + ".dbf");
    } else {
      shell::Progreso p(
          ui, "Creando tabla 'Especi" + codigo + "'.",
          Explicacion({"Por favor, espere unos minutos. Se está generando una tabla de base de "
                       "datos con datos de cada especie en cada parcela, lo cual le permitirá "
                       "aplicar criterios de especie en la Herramienta de Corte.",
                       "Este proceso solo se necesita una vez para cada provincia si al "
                       "finalizar guarda esta tabla con las originales."}),
          true, shell::PosicionProgreso::Centrado);
      if (construidas && construidas->especi) {
        TomaConstruida(*construidas, "Especi" + codigo + ".dbf", temp, construidas->mensajesEspeci,
                       ui);
      } else {
        ConstruyeEspeci(estado, ui, codigo);
      }
      if (p.cancelado()) {
        cancelada = true;
        return;
      }
      const bool guardar =
          ui.preguntaSiNo("¿Desea guardar fichero Especi" + codigo + "?. (Recomendado)");
      p.terminar();
      if (guardar) GuardaTablaConstruida("Especi", codigo, carpeta, temp, ui);
    }

    ListaProvincias& modelo = vista.mostrarLista();
    ui.ceder();
    MuestraProvinciasSeleccionadas(estado, ui, carpeta, lista.size(), modelo);
    vista.listaCambiada();
  });
  if (!completa || cancelada) {
    // The selection is restored so the user can mend the folder and choose it again.
    QuitaCodigo(estado, codigo);
    return cancelada ? ResultadoSeleccion::Cancelada : ResultadoSeleccion::Fallo;
  }
  estado.menus.alElegirArchivoValido();
  return ResultadoSeleccion::Anadida;
}

}  // namespace arbelio::import
