// Saving a cut: "Guardar &Corte..." asks for a one-line description and a file name that may
// change the two-letter cut code, writes the cut's seven tables into BDCorte
// (GuardarTablasCorte) and copies them to the chosen folder (CopiarCorte).
//
// The saved cut: "DatDef", "Piesma", "Piesme", "Tiposx", "Matorr", "Especi" + code, each a copy
// of its template holding the working table's rows of the cut's plots in plot-list order (the
// large trees removed by hand left out), and "InfCor" + code (".dbf" and ".dbt") with one
// record: description, criteria report (memo), creation date and time, plot and tree counts.
// The tables have the layouts of the inventory's, so a saved cut can be selected again.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "shell/Interaccion.h"
#include "shell/Progreso.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::cut {

inline constexpr const char* kTituloComentarioCorte = "Comentario sobre el corte";
inline constexpr const char* kTextoComentarioCorte =
    "Puede describir este corte con una línea de comentario de hasta 254 caracteres.";
inline constexpr const char* kTituloGuardarCorte = "Guardar base de datos de Corte, código : ";
inline constexpr const char* kFiltroGuardarCorte = "Bases de datos de DBase|*.dbf";
inline constexpr const char* kNombreCorteNoValido =
    "Solo se permite modificar el código de corte (dos letras finales).";
inline constexpr std::size_t kLargoDescripcion = 254;  // characters of DESCRIPCIO
// Told when a longer description is cut to the field.
std::string AvisoDescripcionCortada();

// Date and time written into a saved cut's InfCor record.
struct MomentoCorte {
  int anio = 2000, mes = 1, dia = 1;
  int hora = 0, minuto = 0, segundo = 0;
};
MomentoCorte AhoraLocal();
// HORACREAC: the first 5 characters of the time as the system writes it, hours without a
// leading zero ("9:05:31" -> "9:05:", "14:07:02" -> "14:07").
std::string HoraCreac(const MomentoCorte& momento);
// FECHACREAC as the store takes a date: "YYYYMMDD".
std::string FechaCreac(const MomentoCorte& momento);

// The seven tables of a saved cut, in writing order, and the memo file of the last.
inline constexpr std::array<const char*, 7> kTablasCorte = {"DatDef", "Piesma", "Piesme", "Tiposx",
                                                            "Matorr", "Especi", "InfCor"};

// Writes the cut under SufijoTablas into BDCorte, inside the progress dialog of its caller.
// A failure shows "Error guardando corte  " + number + CR LF + description and returns false;
// what was written before it stays in BDCorte.
bool GuardarTablasCorte(EstadoAplicacion& estado, shell::Interaccion& ui, shell::Progreso& progreso,
                        const std::string& comentario, const MomentoCorte& momento);

// Copies the saved cut's files from BDCorte to `destino` (nothing when `destino` is BDCorte
// itself, whatever way the path is written), each through the store's safe replace: a file is
// replaced only by a whole copy, so a failure leaves that file and the later ones as they were.
// Throws on failure, saying which file could not be saved and why.
void CopiarCorte(const EstadoAplicacion& estado, const std::string& destino);

// Checks the file name chosen in the save dialog: "Datdef", two characters, ".dbf".
bool NombreCorteValido(const std::string& nombreArchivo);

// "Guardar &Corte...". Returns whether the cut was saved and copied.
bool mnuAGuardarCorte_Click(EstadoAplicacion& estado, shell::Interaccion& ui,
                            const std::function<MomentoCorte()>& reloj = {});

}  // namespace arbelio::cut
