// Saving a calculation ("Guardar Cálculos..."): copies the result tables of the last run and
// the user equation tables from BDOut to a folder the user chooses, under a two-character code,
// with an optional one-line comment file "Coment" + code + ".txt" (UTF-16 LE with byte-order
// mark, one line ended by CR LF). The tables are copied as files; nothing in BDOut changes.
//
// Sources are BDOut + "/" + base name + SufijoCalculos + ".dbf" (found whatever the letter case
// of the file name), targets folder + "/" + base name + code + ".dbf". A missing source is
// skipped silently. When the target is the source itself (folder BDOut and the letters of the
// run) that copy is skipped: the table is already there. Every copy replaces an earlier file
// only once it is whole (store::replaceFile), so a failed save leaves earlier results as they
// were and no partial file.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"
#include "store/FileOps.h"

namespace arbelio::results {

// Base names of the copies, in the order they are copied (the last three are the user
// equation tables, present only when the user defined equations).
inline constexpr std::array<const char*, 13> kTablasGuardarCalculos = {
    "Aindiv", "Cd_par", "Cd_esp", "Cldiam", "Cdsp_p", "Parcel", "Sp_par",
    "Specie", "Totals", "Estadi", "Models", "Params", "Ecuas"};

inline constexpr const char* kTituloComentarioCalculos = "Comentario sobre los cálculos.";
inline constexpr const char* kPreguntaComentarioCalculos =
    "¿Desea asociar un comentario a los cálculos?.\r\nPuede describirlos con una línea de "
    "comentario de hasta 254 caracteres.";
inline constexpr const char* kTituloDialogoCalculos = "Guardar base de datos de cálculos";
inline constexpr const char* kFiltroDialogoCalculos = "Bases de datos de DBase|*.dbf";
inline constexpr const char* kMensajeNombreCalculos =
    "Solo se permite modificar el código de corte (dos letras finales).";
inline constexpr const char* kPrefijoErrorGuardarCalculos = "Error guardando cálculos: ";

// The code of a chosen file name (without folder): the name must start with "AIndiv", end with
// ".dbf" and be exactly 12 characters long; the code is its characters 7 and 8. nullopt when
// the name breaks a rule.
std::optional<std::string> CodigoDeNombreCalculos(std::string_view nombreArchivo);

// Name of the comment file for a code: "Coment" + code + ".txt".
std::string NombreComentario(const std::string& codigo);
// Bytes of the comment file: byte-order mark, the text in UTF-16 LE, CR LF.
std::string ContenidoComentario(std::string_view textoUtf8);

// What a save did.
struct ResultadoGuardarCalculos {
  std::vector<std::string> copiadas;  // target paths written, in order
  std::vector<std::string> omitidas;  // base names skipped because target = source
  std::string comentario;             // path of the comment file ("" when none)
  std::vector<std::string> borrados;  // files of an earlier save under the code, not of this one
};

// Files of a calculation saved earlier in `carpeta` under `codigo`: the tables of the set and
// the comment file that are there (whatever the letter case of their names), leaving out the
// run's own tables when the folder is BDOut and the code the run's.
std::vector<std::string> CalculosGuardadosEn(const std::string& BDOut,
                                             const std::string& sufijoCalculos,
                                             const std::string& carpeta, const std::string& codigo);
// The Yes/No question before a save replaces them.
std::string PreguntaSustituirCalculos(const std::string& carpeta, const std::string& codigo);
// What the menu command says once the save is done.
std::string MensajeCalculosGuardados(const std::string& carpeta, const std::string& codigo);

// The copies and the comment file. `comentario` empty: no comment file; otherwise it is written
// trimmed of leading and trailing spaces. Once everything is written, the files of an earlier
// save under the same code that this one does not have (a table this run did not compute, the
// comment file when there is no comment now) are deleted, so the folder holds one calculation
// under each code. A failure stops at that point with the message "Error guardando cálculos: "
// + number + "     " + description (OK button); the files copied before stay, nothing is
// deleted. Returns false after a failure.
// `modo`: how the tables are copied (store::replaceFiles); a second name only for a BDOut that
// is deleted right after and written by nothing before.
bool GuardarCalculos(const std::string& BDOut, const std::string& sufijoCalculos,
                     const std::string& carpetaDestino, const std::string& codigo,
                     const std::string& comentario, shell::Interaccion& ui,
                     ResultadoGuardarCalculos* resultado = nullptr,
                     store::ModoCopia modo = store::ModoCopia::Bytes);

// The menu command mnuAGuardarCálculos_Click: asks for the comment (input box), shows the save
// dialog proposing "AIndiv" + SufijoTablas + ".dbf" until the name passes the check or the
// user cancels (silently). When the chosen folder already holds calculations under the chosen
// code it asks (Yes/No) whether to replace them; No shows the dialog again. Then it saves with
// the chosen code into the chosen folder and says where the calculations are.
void mnuAGuardarCalculos_Click(EstadoAplicacion& estado, shell::Interaccion& ui);

}  // namespace arbelio::results
