// Writing the layouts as table definitions and empty template tables through the store.

#include "inventory/TablasInventario.h"
#include "store/Database.h"
#include "store/FileOps.h"

namespace arbelio::inventory {

using store::Database;
using store::OpenOptions;
using store::TableDef;

TableDef DefinicionTabla(const LayoutTabla& layout, const std::string& nombreTabla) {
  TableDef def(nombreTabla);
  for (const CampoTabla& c : layout.campos) def.appendField(c.nombre, c.tipo, c.tamano);
  return def;
}

void EscribePlantillas(const std::string& carpeta) {
  if (!store::folderExists(carpeta)) store::createFolder(carpeta);
  for (const char* nombre : kNombresTablas) {
    for (const char* ext : {".dbf", ".dbt"}) {
      const std::string viejo = store::findFileNoCase(carpeta, std::string(nombre) + ext);
      if (!viejo.empty()) store::deleteFile(viejo);
    }
  }
  Database db = Database::open(carpeta, OpenOptions{});
  for (const char* nombre : kNombresTablas) {
    db.appendTableDef(DefinicionTabla(LayoutPorNombre(nombre), nombre));
  }
  db.close();
}

}  // namespace arbelio::inventory
