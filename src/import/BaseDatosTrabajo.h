// The working database: the six tables "DatDef00" ... "Especi00" in BDTemp, each indexed on
// province and plot ("ProvEstInd"). With one database selected its tables are renamed to the
// code "00"; with several they are merged into fresh copies of the templates and freed of
// duplicate keys (the row returned last by the sorted key query survives, that is the row of
// the later database in selection order).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"
#include "store/Database.h"

namespace arbelio::import {

inline constexpr const char* kIndiceProvEst = "ProvEstInd";

// True when BDTemp holds the working plot summary "Datdef00.dbf" (the generation is not run
// again while it exists).
bool ExisteBaseTrabajo(const EstadoAplicacion& estado);

// Generates the working database from CodigosSeleccionados. Failures show "Error " and the
// description and return false (files already produced stay in BDTemp). With several databases
// the menus change: "Seleccionar base de datos..." is disabled.
bool mnuAGenerarBDT_Click(EstadoAplicacion& estado, shell::Interaccion& ui);

// Deletes, from `tabla` opened in `db`, every row whose key equals the key of the row after it
// in key order, and returns how many were deleted. LabelZ shows the running count.
std::int64_t EliminaDuplicados(store::Database& db, const std::string& tabla,
                               const std::vector<std::string>& claves, shell::Interaccion& ui);

// Rows of each working table (DatDef00 ... Especi00, in that order).
std::vector<std::int64_t> FilasBaseTrabajo(const EstadoAplicacion& estado);

}  // namespace arbelio::import

namespace arbelio::import {

// The hidden generation entry (a developer shortcut; "&Corte..." generates through
// mnuAGenerarBDT_Click itself): generates the working database when it does not exist yet.
// Returns whether it exists afterwards.
bool GeneraBaseTrabajoSiFalta(EstadoAplicacion& estado, shell::Interaccion& ui);

}  // namespace arbelio::import
