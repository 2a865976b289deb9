// Writes a small table through the store for a test: its fields (name, type, text length) and
// its rows as values in field order (store::Value::null() for an empty cell).
#pragma once

#include <string>
#include <vector>

#include "store/Database.h"

namespace arbelio::pruebas {

struct CampoDePrueba {
  std::string nombre;
  store::FieldType tipo = store::FieldType::Single;
  int largo = 0;  // texts: their length; 0 for the type's own
};

inline void EscribirTablaDePrueba(const std::string& carpeta, const std::string& nombre,
                                  const std::vector<CampoDePrueba>& campos,
                                  const std::vector<std::vector<store::Value>>& filas) {
  store::Database db = store::Database::open(carpeta);
  store::TableDef def(nombre);
  for (const CampoDePrueba& c : campos) def.appendField(c.nombre, c.tipo, c.largo);
  db.appendTableDef(def);
  store::Cursor cursor = db.openCursor(nombre);
  for (const auto& fila : filas) {
    cursor.addNew();
    for (std::size_t i = 0; i < fila.size(); ++i)
      if (!fila[i].isNull()) cursor.setValue(static_cast<int>(i), fila[i]);
    cursor.update();
  }
  cursor.close();
  db.close();
}

}  // namespace arbelio::pruebas
