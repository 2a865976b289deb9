// Writing the layouts as table definitions and empty template tables through the store.

#include "store/Database.h"
#include "store/FileOps.h"
#include "store/TablasInventario.h"

namespace arbelio::store {

TableDef DefinicionTabla(const LayoutTabla& layout, const std::string& nombreTabla) {
  TableDef def(nombreTabla);
  for (const CampoTabla& c : layout.campos) def.appendField(c.nombre, c.tipo, c.tamano);
  return def;
}

void EscribePlantillas(const std::string& carpeta) {
  if (!folderExists(carpeta)) createFolder(carpeta);
  for (const char* nombre : kNombresTablas) {
    for (const char* ext : {".dbf", ".dbt"}) {
      const std::string viejo = findFileNoCase(carpeta, std::string(nombre) + ext);
      if (!viejo.empty()) deleteFile(viejo);
    }
  }
  Database db = Database::open(carpeta, OpenOptions{});
  for (const char* nombre : kNombresTablas) {
    db.appendTableDef(DefinicionTabla(LayoutPorNombre(nombre), nombre));
  }
  db.close();
}

}  // namespace arbelio::store
