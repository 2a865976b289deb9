// "&Seleccionar base de datos...": adds one provincial database, or one saved cut, to the
// selection. The user picks any one table file of it; the choice is checked, the database code
// taken from the file name, duplicates refused, the tables copied into BDTemp, the plot summary
// and species tables built when the database does not bring them (and saved beside the
// inventory files when the user agrees), and the database listed with its counts.
#pragma once

#include <array>
#include <string>

#include "import/ListaProvincias.h"
#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::import {

inline constexpr const char* kTituloAbrirBase =
    "Abrir base de datos de provincia o corte. Seleccione una tabla únicamente.";
inline constexpr const char* kFiltroAbrirBase =
    "Base de datos de Pies mayores|Piesma*.dbf|Base de datos de Dbase|*.dbf";
inline constexpr const char* kTituloErrorAbrir = "Error abriendo base de datos";

enum class ResultadoSeleccion {
  Anadida,    // listed
  SinElegir,  // the open dialog was cancelled
  NoValida,   // refused by the file check
  Duplicada,  // the code was already selected
  Cancelada,  // Cancelar during a build: the selection is restored
  Fallo,      // "Error " + description shown; the selection is restored
  Cerrada,    // the working database exists: kMensajeSeleccionCerrada shown, nothing chosen
};

// Once the working database is generated it stands for the selection: a database added later
// would be listed but never computed.
inline constexpr const char* kMensajeSeleccionCerrada =
    "La base de datos de trabajo ya se ha generado con las bases de datos seleccionadas y no se "
    "pueden añadir otras. Para empezar una selección nueva use \"Nuevo Proyecto...\".";

// Checks the chosen file (folder and file name without path); shows its own messages under
// the title "Error abriendo base de datos".
bool EsFicherodeEntradaValido(const std::string& carpeta, const std::string& archivo,
                              shell::Interaccion& ui);

// The database code of a table's base name: from its first digit, two characters at most; the
// last two characters when it holds no digit ("Piesma47" -> "47", "PiesmaAb" -> "Ab").
std::string CodigoDeNombreBase(const std::string& nombreBase);

// The folder, file name and database code of a chosen file's path, as the selection takes them.
struct PartesRuta {
  std::string carpeta, archivo, codigo;
};
PartesRuta PartesDeRuta(const std::string& ruta);

ResultadoSeleccion mnuAAgregarBD_Click(EstadoAplicacion& estado, shell::Interaccion& ui,
                                       VistaListaProvincias& vista);

// The steps of a selection that the work done ahead repeats in a folder of its own:
// brings the four tree tables of the database into `destino`, and its plot summary when the
// database has one, else (when `conDatest`) its plot table to build the summary from;
void TraeTablas(const std::array<std::string, 10>& nombresTablas, const std::string& carpeta,
                const std::string& codigo, const std::string& destino, bool conDatest);
// builds "Especi" + code in BDTemp from the installed template, the plot summary and the trees.
void ConstruyeEspeci(EstadoAplicacion& estado, shell::Interaccion& ui, const std::string& codigo);

}  // namespace arbelio::import
