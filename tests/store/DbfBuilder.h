// Builds dBASE files byte by byte, so tests control exactly what the reader meets.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace arbelio::testing {

struct RawField {
  std::string name;
  char type;
  int length;
  int decimals = 0;
};

struct DbfBuilder {
  unsigned char version = 0x03;
  unsigned char ldid = 0x03;
  std::vector<RawField> fields;
  std::vector<std::string> records;  // without the deletion byte
  std::vector<bool> deleted;
  bool eofMarker = true;
  long declaredCount = -1;  // -1: the real count

  void add(std::string record, bool isDeleted = false) {
    records.push_back(std::move(record));
    deleted.push_back(isDeleted);
  }

  int recordLength() const {
    int n = 1;
    for (const auto& f : fields) n += f.length;
    return n;
  }

  std::string bytes() const {
    const int headerLen = 32 + 32 * static_cast<int>(fields.size()) + 1;
    std::string h(static_cast<std::size_t>(headerLen), '\0');
    h[0] = static_cast<char>(version);
    h[1] = 124;
    h[2] = 5;
    h[3] = 17;
    const std::uint32_t n = declaredCount < 0 ? static_cast<std::uint32_t>(records.size())
                                              : static_cast<std::uint32_t>(declaredCount);
    for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
    h[8] = static_cast<char>(headerLen & 0xFF);
    h[9] = static_cast<char>(headerLen >> 8);
    const int rl = recordLength();
    h[10] = static_cast<char>(rl & 0xFF);
    h[11] = static_cast<char>(rl >> 8);
    h[29] = static_cast<char>(ldid);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      char* d = h.data() + 32 + 32 * i;
      for (std::size_t k = 0; k < fields[i].name.size() && k < 10; ++k) d[k] = fields[i].name[k];
      d[11] = fields[i].type;
      d[16] = static_cast<char>(fields[i].length);
      d[17] = static_cast<char>(fields[i].decimals);
    }
    h[static_cast<std::size_t>(headerLen - 1)] = 0x0D;
    std::string out = h;
    for (std::size_t r = 0; r < records.size(); ++r) {
      out.push_back(deleted[r] ? '*' : ' ');
      std::string rec = records[r];
      rec.resize(static_cast<std::size_t>(rl - 1), ' ');
      out += rec;
    }
    if (eofMarker) out.push_back('\x1A');
    return out;
  }

  void write(const std::string& path) const { std::ofstream(path, std::ios::binary) << bytes(); }
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace arbelio::testing
