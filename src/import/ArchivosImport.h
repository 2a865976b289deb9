// Small helpers of the import commands over table files and texts.
#pragma once

#include <string>
#include <vector>

namespace arbelio::import {

// Path of a table file in a folder whatever the letter case on disk; when there is none, the
// path the file would have under the given name.
std::string RutaTabla(const std::string& carpeta, const std::string& archivo);
bool ExisteTabla(const std::string& carpeta, const std::string& archivo);
// Brings a table file (and its index sidecar) from a folder to an exact target path in the
// workspace; the source is looked for whatever its letter case. The target is a second name of
// the source where the file system allows one (the store never writes a file in place: a
// changed workspace table is written anew and renamed over its name, which leaves the user's
// file as it was), else a copy of its bytes.
void CopiaTabla(const std::string& carpetaOrigen, const std::string& archivo,
                const std::string& destino);
// Deletes a table file when it exists, whatever its letter case.
void BorraTablaSiExiste(const std::string& carpeta, const std::string& archivo);

// Makes `destino` (a table file path) an empty table with the layout of the template file
// `plantilla`, able to take every row of the tables `fuentes` (paths) by INSERT without losing
// a value: a source field the template lacks is added at the end, a text field is made as
// wide as the widest source, and a numeric field gets the integer digits and the decimals of
// the widest source. When every source fits, the template is copied as it is.
void CreaTablaParaFuentes(const std::string& plantilla, const std::vector<std::string>& fuentes,
                          const std::string& destino);

// The characters (UTF-8 code points) of a text.
std::vector<std::string> Caracteres(const std::string& texto);
std::string Izquierda(const std::string& texto, std::size_t caracteres);

}  // namespace arbelio::import
