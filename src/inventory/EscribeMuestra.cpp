// Writing a synthetic province through the table store.
#include "inventory/GeneradorMuestra.h"
#include "store/Database.h"
#include "store/FileOps.h"

namespace arbelio::inventory {

void EscribeProvincia(const ProvinciaSintetica& p, const std::string& carpeta) {
  if (!store::folderExists(carpeta)) store::createFolder(carpeta);
  const TablaSintetica* tablas[] = {&p.datest, &p.piesma, &p.piesme, &p.tiposx, &p.matorr};
  for (const TablaSintetica* t : tablas) {
    const std::string viejo =
        store::findFileNoCase(carpeta, NombreArchivoProvincial(t->layout.nombre, p.provincia));
    if (!viejo.empty()) store::deleteFile(viejo);
  }
  store::OpenOptions opciones;
  opciones.connect = "DBASE III";
  store::Database db = store::Database::open(carpeta, opciones);
  for (const TablaSintetica* t : tablas) {
    std::string nombre = NombreArchivoProvincial(t->layout.nombre, p.provincia);
    nombre.resize(nombre.size() - 4);  // without ".dbf"
    db.appendTableDef(inventory::DefinicionTabla(t->layout, nombre));
    store::Cursor c = db.openCursor(nombre, store::CursorKind::Table);
    for (const FilaTabla& fila : t->filas) {
      c.addNew();
      for (std::size_t i = 0; i < fila.size(); ++i) {
        if (!fila[i].isNull()) c.setValue(static_cast<int>(i), fila[i]);
      }
      c.update();
    }
    c.close();
  }
  db.close();
}

}  // namespace arbelio::inventory
