// libFuzzer target: any statement text is either run or refused with a StoreError.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "store/Database.h"
#include "store/StoreError.h"

using namespace arbelio::store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Database* db = [] {
    const auto p =
        std::filesystem::temp_directory_path() / ("arbelio-fuzz-sql-" + std::to_string(::getpid()));
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    auto* d = new Database(Database::open(p.string()));
    TableDef def("DATDEF00");
    def.appendField("PROVINCIA", FieldType::Integer);
    def.appendField("ESTADILLO", FieldType::Integer);
    def.appendField("MUNICI", FieldType::Text, 10);
    def.appendField("AB", FieldType::Single);
    d->appendTableDef(def);
    Cursor c = d->openCursor("DATDEF00");
    for (int i = 0; i < 20; ++i) {
      c.addNew();
      c.setValue("PROVINCIA", 40 + i % 3);
      c.setValue("ESTADILLO", i);
      if (i % 4) c.setValue("MUNICI", "M" + std::to_string(i % 5));
      c.setValue("AB", i * 0.5);
      c.update();
    }
    return d;
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    Cursor c = db->openCursor(text, CursorKind::Snapshot);
    for (int n = 0; !c.eof() && n < 100; ++n, c.moveNext()) {
      for (int i = 0; i < c.fieldCount(); ++i) (void)c.value(i);
    }
  } catch (const StoreError&) {
  }
  try {
    Cursor c = db->openCursor("DATDEF00", CursorKind::Snapshot);
    c.findFirst(text);
    c.findLast(text);
  } catch (const StoreError&) {
  }
  return 0;
}
