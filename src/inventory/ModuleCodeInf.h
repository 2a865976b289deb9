// Code lookups of the inventory: province names, species names and the descriptions of the
// inventory's field names, as the windows show them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace arbelio::ModuleCodeInf {

// Castilian name of a province code; "Desconocida" for codes outside the official numbering
// and the inventory's grouping codes 80-92.
std::string NombreProvincia(std::int16_t codigo);

// Scientific name of an inventory species code; the code itself as decimal text when the code
// has no name.
std::string NombreEspecie(std::int16_t codigo);

// Description of a column caption. A caption holding "(" is reduced to the text before it,
// trimmed and in upper case; other captions are looked up as they are. Unknown names give
// "desconocido".
std::string DescripcionCampo(std::string_view columna);

}  // namespace arbelio::ModuleCodeInf
