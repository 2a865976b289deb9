// libFuzzer target: the dBASE reader must turn any file into rows or a StoreError.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "store/Database.h"
#include "store/StoreError.h"

using namespace arbelio::store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = [] {
    const auto p =
        std::filesystem::temp_directory_path() / ("arbelio-fuzz-dbf-" + std::to_string(::getpid()));
    std::filesystem::create_directories(p);
    return p.string();
  }();
  const std::string path = folder + "/F.dbf";
  // The first byte picks whether the rest is also offered as the memo file.
  if (size > 0 && (data[0] & 1)) {
    std::FILE* m = std::fopen((folder + "/F.dbt").c_str(), "wb");
    std::fwrite(data, 1, size / 2, m);
    std::fclose(m);
  } else {
    std::remove((folder + "/F.dbt").c_str());
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    Database db = Database::open(folder, {false, true, "DBASE IV"});
    Cursor c = db.openCursor("F");
    for (int n = 0; !c.eof() && n < 10000; ++n, c.moveNext()) {
      for (int i = 0; i < c.fieldCount(); ++i) (void)c.value(i).toString();
    }
    Cursor q = db.openCursor("SELECT * FROM F ORDER BY " + c.fieldName(0));
    (void)q.recordCount();
  } catch (const StoreError&) {
  }
  return 0;
}
