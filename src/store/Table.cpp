#include "store/Table.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <new>

#include "store/CodePage.h"
#include "store/FileOps.h"
#include "store/Paralelo.h"
#include "store/StoreError.h"
#include "store/Text.h"

namespace fs = std::filesystem;

namespace arbelio::store {

// ---------------------------------------------------------------------------------------------
// Test seams

namespace {
std::mutex gSeamMutex;
bool gFixedDate = false;
DbfDate gDate;
std::atomic<long long> gFailAfter{-1};

std::string fileNameOf(const std::string& path) {
  return fs::path(path).filename().string();
}

[[noreturn]] void damaged(const std::string& path, const std::string& why) {
  throw StoreError(err::kTablaDanada,
                   "La tabla '" + fileNameOf(path) + "' está dañada o no es válida: " + why + ".");
}
// Refuses a file whose header declares more records than its size holds.
void compruebaRegistros(const std::string& path, std::uint64_t fileSize, int headerLen, int recLen,
                        std::uint32_t count) {
  const std::uint64_t available =
      (fileSize - static_cast<std::uint64_t>(headerLen)) / static_cast<std::uint64_t>(recLen);
  if (count > available) {
    damaged(path, "la cabecera declara " + std::to_string(count) +
                      " registros y el archivo sólo contiene " + std::to_string(available));
  }
}
// Reads `bytes` bytes of the open file `fd` from `desde` into `destino`; false when a read fails
// or the file ends first.
bool LeeExacto(int fd, char* destino, std::size_t bytes, std::uint64_t desde) {
  for (std::size_t hechos = 0; hechos < bytes;) {
    const ssize_t k =
        ::pread(fd, destino + hechos, bytes - hechos, static_cast<off_t>(desde + hechos));
    if (k <= 0) return false;
    hechos += static_cast<std::size_t>(k);
  }
  return true;
}
// Reads the records [0, count) of the open file `fd` (records of `largo` bytes after `cabecera`
// bytes of header) in pieces of `porPieza` records, the two halves of the pieces at once, handing
// each piece to usar(first record, records, bytes). False when a read fails or comes short.
bool LeeRegistrosEnMitades(
    int fd, std::uint64_t cabecera, std::size_t largo, std::uint32_t count, std::uint32_t porPieza,
    const std::function<void(std::uint32_t, std::uint32_t, const char*)>& usar) {
  std::atomic<bool> leido{true};
  const std::uint32_t piezas = (count + porPieza - 1) / porPieza;
  EnPartes(piezas, 2, [&](std::size_t, std::size_t desde, std::size_t hasta) {
    std::vector<char> lectura(static_cast<std::size_t>(porPieza) * largo);
    for (std::size_t p = desde; p < hasta && leido; ++p) {
      const auto r = static_cast<std::uint32_t>(p * porPieza);
      const std::uint32_t filas = std::min(porPieza, count - r);
      if (!LeeExacto(fd, lectura.data(), static_cast<std::size_t>(filas) * largo,
                     cabecera + static_cast<std::uint64_t>(r) * largo)) {
        leido = false;
        return;
      }
      usar(r, filas, lectura.data());
    }
  });
  return leido;
}

}  // namespace

void setHeaderDateForTesting(const DbfDate* date) {
  std::lock_guard<std::mutex> lock(gSeamMutex);
  gFixedDate = date != nullptr;
  if (date) gDate = *date;
}

void failWritesAfterForTesting(long long bytes) {
  gFailAfter = bytes;
}

DbfDate currentHeaderDate() {
  {
    std::lock_guard<std::mutex> lock(gSeamMutex);
    if (gFixedDate) return gDate;
  }
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return DbfDate{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

// ---------------------------------------------------------------------------------------------
// AtomicWriter

std::string systemErrorText(int code) {
  switch (code) {
    case ENOSPC:
      return "no queda espacio en el disco";
    case EDQUOT:
      return "se ha agotado la cuota de disco";
    case EROFS:
      return "la carpeta está en un disco de sólo lectura";
    case EACCES:
    case EPERM:
      return "no hay permiso de escritura";
    case ENOENT:
    case ENOTDIR:
      return "la carpeta no existe";
    case EISDIR:
      return "hay una carpeta con ese nombre";
    case EIO:
      return "error de entrada/salida del disco";
    case EFBIG:
      return "el archivo es demasiado grande";
    default:
      return "error del sistema " + std::to_string(code) + " (" + std::strerror(code) + ")";
  }
}

namespace {
std::string folderOf(const std::string& path) {
  const fs::path p = fs::path(path).parent_path();
  return p.empty() ? std::string(".") : p.string();
}
}  // namespace

std::string AtomicWriter::temporaryPathFor(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  const fs::path t(target);
  return (t.parent_path() / ("." + t.filename().string() + ".tmp" + std::to_string(getpid()) + "_" +
                             std::to_string(counter++)))
      .string();
}

void AtomicWriter::throwSaveError(const std::string& target, int number, int code) {
  throw StoreError(number, "No se ha podido guardar '" + fileNameOf(target) + "' en la carpeta " +
                               folderOf(target) + ": " + systemErrorText(code) + ".");
}

bool writeFailureSeamSet() {
  return gFailAfter.load() >= 0;
}

AtomicWriter::AtomicWriter(std::string target, bool alDisco)
    : target_(std::move(target)), temp_(temporaryPathFor(target_)), alDisco_(alDisco) {
  f_ = std::fopen(temp_.c_str(), "wb");
  if (!f_) fail(err::kPermisoDenegado, errno);
}

AtomicWriter::~AtomicWriter() {
  if (f_) std::fclose(f_);
  if (!committed_) std::remove(temp_.c_str());
}

void AtomicWriter::fail(int number, int code) {
  // The partial temporary file goes at once; the file that was there stays untouched.
  if (f_) std::fclose(f_);
  f_ = nullptr;
  std::remove(temp_.c_str());
  throwSaveError(target_, number, code);
}

void AtomicWriter::write(const char* p, std::size_t n) {
  if (!f_) fail(err::kErrorEscritura, EBADF);  // finished, or a second name of another file
  long long limit = gFailAfter.load();
  if (limit >= 0) {
    if (static_cast<long long>(n) > limit) {
      gFailAfter = 0;
      fail(err::kErrorEscritura, ENOSPC);
    }
    gFailAfter = limit - static_cast<long long>(n);
  }
  if (n && std::fwrite(p, 1, n, f_) != n) fail(err::kErrorEscritura, errno);
}

void AtomicWriter::copyFrom(int in, const std::string& sourcePath) {
  if (std::fflush(f_) != 0) fail(err::kErrorEscritura, errno);
  const int out = fileno(f_);
  if (!writeFailureSeamSet()) {
    bool copied = false;
#ifdef FICLONE
    // A whole file into an empty one: the file system may share its blocks.
    if (::lseek(in, 0, SEEK_CUR) == 0 && ::lseek(out, 0, SEEK_CUR) == 0 &&
        ::ioctl(out, FICLONE, in) == 0) {
      copied = true;
    }
#endif
    bool started = false;
    while (!copied) {
      const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
      if (n > 0) {
        started = true;
        continue;
      }
      if (n == 0) {
        copied = true;
      } else if (!started && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                              errno == EOPNOTSUPP || errno == EPERM || errno == EBADF)) {
        break;  // not between these files: plain reads and writes below
      } else {
        fail(err::kErrorEscritura, errno);
      }
    }
    if (copied) {
      if (std::fseek(f_, 0, SEEK_END) != 0) fail(err::kErrorEscritura, errno);
      return;
    }
  }
  std::vector<char> buf(std::size_t{1} << 20);
  for (;;) {
    const ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw StoreError(err::kErrorEscritura, "Error al leer el archivo '" + sourcePath + "'.");
    }
    if (n == 0) break;
    write(buf.data(), static_cast<std::size_t>(n));
  }
}

bool AtomicWriter::linkFrom(const std::string& sourcePath) {
  if (writeFailureSeamSet() || !f_) return false;
  std::fclose(f_);
  f_ = nullptr;
  std::remove(temp_.c_str());
  if (::link(sourcePath.c_str(), temp_.c_str()) == 0) {
    linked_ = true;
    return true;
  }
  // Another file system, or one without links: the empty temporary again, for a copy.
  f_ = std::fopen(temp_.c_str(), "wb");
  if (!f_) fail(err::kPermisoDenegado, errno);
  return false;
}

void AtomicWriter::prepare() {
  if (linked_) {
    // The data a user's file holds is forced to disk, as a copy's is.
    if (inScratchFolder(target_)) return;
    const int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(err::kErrorEscritura, errno);
    const bool sincronizado = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!sincronizado) fail(err::kErrorEscritura, error);
    linked_ = false;  // done: a second prepare() (commit's) has nothing left to do
    return;
  }
  if (!f_) return;
  if (std::fflush(f_) != 0) fail(err::kErrorEscritura, errno);
  // Scratch files are not forced to disk: the next start deletes them anyway. One likely to be
  // kept has its writing to the disk started here, without waiting for it.
  if (!inScratchFolder(target_)) {
    if (::fsync(fileno(f_)) != 0) fail(err::kErrorEscritura, errno);
  } else if (alDisco_) {
    ::sync_file_range(fileno(f_), 0, 0, SYNC_FILE_RANGE_WRITE);
  }
  const bool closed = std::fclose(f_) == 0;
  f_ = nullptr;
  if (!closed) fail(err::kErrorEscritura, errno);
}

void AtomicWriter::commit() {
  prepare();
  // Over a file of that name the two names are exchanged, and the old file, now under the
  // temporary name, is removed. A rename over it would also do: but a file system that delays
  // writing a file's blocks (ext4) writes the whole new file out at once when it replaces
  // another by a rename, in case the system stops before it has: hundreds of milliseconds for a
  // table of a country, which a scratch file does not need and a kept one has had (forced to
  // disk above). The name refers to a whole file, old or new, at every moment either way.
  struct ::stat actual {};
  const bool archivo = ::lstat(target_.c_str(), &actual) == 0 && S_ISREG(actual.st_mode);
  if (archivo &&
      ::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
    committed_ = true;
    std::remove(temp_.c_str());
  } else if (::rename(temp_.c_str(), target_.c_str()) == 0) {
    // No file of that name (or not a plain file: a folder there is refused as before), or a
    // file system that cannot exchange names.
    committed_ = true;
  } else {
    fail(err::kPermisoDenegado, errno);
  }
  removeOrphanedTemporaries(target_);
}

void AtomicWriter::removeOrphanedTemporaries(const std::string& target) {
  // A temporary of this target is named "." + name + ".tmp" + pid + "_" + n. One whose process
  // no longer runs was left by a write that was killed before it could remove it.
  const fs::path t(target);
  const std::string prefijo = "." + t.filename().string() + ".tmp";
  std::error_code ec;
  for (const auto& e :
       fs::directory_iterator(t.parent_path().empty() ? "." : t.parent_path(), ec)) {
    const std::string nombre = e.path().filename().string();
    if (nombre.size() <= prefijo.size() || nombre.compare(0, prefijo.size(), prefijo) != 0)
      continue;
    const std::string_view resto = std::string_view(nombre).substr(prefijo.size());
    const std::size_t guion = resto.find('_');
    if (guion == std::string_view::npos) continue;
    long long pid = 0;
    const auto r = std::from_chars(resto.data(), resto.data() + guion, pid);
    if (r.ec != std::errc() || r.ptr != resto.data() + guion || pid <= 0) continue;
    if (resto.find_first_not_of("0123456789", guion + 1) != std::string_view::npos) continue;
    if (pid == getpid()) continue;
    if (pid > std::numeric_limits<pid_t>::max() ||
        (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)) {
      std::error_code quitar;
      fs::remove(e.path(), quitar);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// RowSource

void RowSource::setColumns(std::vector<FieldDef> cols) {
  columns_ = std::move(cols);
  byName_.clear();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    byName_.emplace(columns_[i].name, static_cast<int>(i));
  }
  colGen_.assign(columns_.size(), 0);
}

int RowSource::columnIndex(std::string_view name) const {
  auto it = byName_.find(trimView(name));
  return it == byName_.end() ? -1 : it->second;
}

// ---------------------------------------------------------------------------------------------
// Field types on disk

namespace {

FieldType logicalType(char type, int len, int dec) {
  switch (type) {
    case 'C':
      return FieldType::Text;
    case 'D':
      return FieldType::Date;
    case 'L':
      return FieldType::Boolean;
    case 'M':
      return FieldType::Memo;
    case 'N':
    case 'F':
      if (dec == 0 && len == 4) return FieldType::Byte;
      if (dec == 0 && len == 6) return FieldType::Integer;
      if (dec == 0 && len == 11) return FieldType::Long;
      if (len == 19 && dec == 7) return FieldType::Single;
      return FieldType::Double;
    default:
      return FieldType::Text;
  }
}

bool supportedVersion(unsigned char v) {
  return v == 0x03 || v == 0x83 || v == 0x8B || v == 0xF5;
}

std::uint32_t le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
// A dBASE file opened for reading its records, closed when it goes.
struct ArchivoDbf {
  explicit ArchivoDbf(const std::string& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~ArchivoDbf() {
    if (fd >= 0) ::close(fd);
  }
  ArchivoDbf(const ArchivoDbf&) = delete;
  ArchivoDbf& operator=(const ArchivoDbf&) = delete;
  // The file's size, the record count its header declares and the header's length; false when
  // the file could not be opened or its header read.
  bool cabecera(std::uint64_t& tamano, std::uint32_t& registros, int& largo) const {
    struct stat st {};
    unsigned char head[12];
    if (fd < 0 || ::fstat(fd, &st) != 0 || ::pread(fd, head, sizeof head, 0) != sizeof head)
      return false;
    tamano = static_cast<std::uint64_t>(st.st_size);
    registros = le32(head + 4);
    largo = head[8] | (head[9] << 8);
    return true;
  }
  int fd;
};
std::uint32_t be32(const unsigned char* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
void putLe32(unsigned char* p, std::uint32_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
  p[2] = (v >> 16) & 0xFF;
  p[3] = (v >> 24) & 0xFF;
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return s;
}

// Text of a number that fits in width characters (n = 0 when it cannot), without allocating.
struct TextoNumero {
  char b[48];
  int n = 0;
};

TextoNumero fitNumber(double v, FieldType type, int width, int decimals) {
  TextoNumero t;
  char* const fin = t.b + sizeof t.b;
  auto acepta = [&](std::to_chars_result r) {
    if (r.ec == std::errc() && r.ptr - t.b <= width) {
      t.n = static_cast<int>(r.ptr - t.b);
      return true;
    }
    return false;
  };
  if (type == FieldType::Single || type == FieldType::Double) {
    const bool single = type == FieldType::Single;
    const float f = static_cast<float>(v);
    // The shortest text that reads back as the value (found without to_chars for most singles).
    if (const int n = single ? shortestFixedFloat(f, t.b) : 0; n > 0) {
      if (n <= width) {
        t.n = n;
        return t;
      }
    } else if (acepta(single ? std::to_chars(t.b, fin, f, std::chars_format::fixed)
                             : std::to_chars(t.b, fin, v, std::chars_format::fixed))) {
      return t;
    }
    // Too long in full: as many decimals as fit, never an exponent (readers of dBASE files
    // take a numeric field as sign, digits and one point).
    for (int p = width - 2; p >= 0; --p) {
      if (acepta(single ? std::to_chars(t.b, fin, f, std::chars_format::fixed, p)
                        : std::to_chars(t.b, fin, v, std::chars_format::fixed, p))) {
        return t;
      }
    }
    t.n = 0;
    return t;
  }
  if (!acepta(std::to_chars(t.b, fin, v, std::chars_format::fixed, decimals))) t.n = 0;
  return t;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Loading

std::shared_ptr<Table> Table::load(const std::string& path, bool headerOnly) {
  // One open file for the header, the mapping or the reading of the records.
  const ArchivoDbf archivo(path);
  struct stat st {};
  if (archivo.fd < 0 || ::fstat(archivo.fd, &st) != 0) {
    throw StoreError(err::kArchivoNoEncontrado,
                     "No se puede abrir el archivo '" + fileNameOf(path) + "'.");
  }
  const auto fileSize = static_cast<std::uint64_t>(st.st_size);
  if (fileSize < 32) damaged(path, "el archivo tiene " + std::to_string(fileSize) + " bytes");
  unsigned char head[32];
  if (!LeeExacto(archivo.fd, reinterpret_cast<char*>(head), sizeof head, 0))
    damaged(path, "cabecera incompleta");
  const unsigned char version = head[0];
  if (!supportedVersion(version)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", version);
    if (version == 0x04 || version == 0x8C) {
      throw StoreError(err::kNoEsTablaValida,
                       "La tabla '" + fileNameOf(path) +
                           "' tiene formato dBASE 7, que no se admite: guárdela como dBASE III o "
                           "dBASE IV.");
    }
    throw StoreError(err::kNoEsTablaValida, "El archivo '" + fileNameOf(path) +
                                                "' no es una tabla dBASE III o IV (versión " + hex +
                                                ").");
  }
  const std::uint32_t count = le32(head + 4);
  const int headerLen = head[8] | (head[9] << 8);
  const int recLen = head[10] | (head[11] << 8);
  if (headerLen < 33 || static_cast<std::uint64_t>(headerLen) > fileSize) {
    damaged(path, "longitud de cabecera " + std::to_string(headerLen) + " imposible");
  }
  if (recLen < 1) damaged(path, "longitud de registro nula");

  std::string header(static_cast<std::size_t>(headerLen), '\0');
  std::memcpy(header.data(), head, 32);
  if (!LeeExacto(archivo.fd, header.data() + 32, static_cast<std::size_t>(headerLen - 32), 32))
    damaged(path, "cabecera incompleta");

  auto t = std::shared_ptr<Table>(new Table());
  t->path_ = path;
  t->version_ = version;
  t->codePage_ = CodePage::fromLanguageDriver(head[29]);
  std::vector<FieldDef> cols;
  int offset = 1;
  const auto* h = reinterpret_cast<const unsigned char*>(header.data());
  for (int p = 32; p + 32 <= headerLen && h[p] != 0x0D; p += 32) {
    FieldDef f;
    std::size_t n = 0;
    while (n < 11 && h[p + n] != 0) ++n;
    f.name = std::string(trimView(std::string_view(header.data() + p, n)));
    f.dbfType = static_cast<char>(h[p + 11]);
    f.dbfLength = h[p + 16];
    f.dbfDecimals = h[p + 17];
    if (f.dbfType == 'C' && version == 0xF5) f.dbfLength |= h[p + 17] << 8, f.dbfDecimals = 0;
    f.type = logicalType(f.dbfType, f.dbfLength, f.dbfDecimals);
    f.size = f.dbfLength;
    if (f.name.empty()) damaged(path, "campo sin nombre");
    t->offsets_.push_back(offset);
    offset += f.dbfLength;
    cols.push_back(std::move(f));
  }
  if (cols.empty()) damaged(path, "la tabla no tiene campos");
  if (offset > recLen) damaged(path, "los campos no caben en la longitud de registro");
  t->recLen_ = recLen;
  t->setColumns(std::move(cols));
  t->prepararDecodificadas();
  if (headerOnly) {
    t->loadSidecar();
    return t;
  }

  compruebaRegistros(path, fileSize, headerLen, recLen, count);
  t->nrows_ = count;
  t->borradas_.assign((static_cast<std::size_t>(count) + 63) / 64, 0);
  const bool mapeada = t->mapearRegistros(path, archivo.fd, st, headerLen);
  if (!mapeada) t->reservarBloques(count);
  // A block read straight into its memory (a mapped one is in place), and its deletion flags
  // taken while it is still in the cache: its live rows, or -1 when the file cannot be read.
  const auto bloque = [&](std::size_t k) -> std::int64_t {
    const auto r = static_cast<std::uint32_t>(k * kFilasPorBloque);
    const std::uint32_t filas = std::min(kFilasPorBloque, count - r);
    char* registros = t->bloques_[k];
    if (!mapeada &&
        !LeeExacto(archivo.fd, registros,
                   static_cast<std::size_t>(filas) * static_cast<std::size_t>(recLen),
                   static_cast<std::uint64_t>(headerLen) +
                       static_cast<std::uint64_t>(r) * static_cast<std::uint64_t>(recLen)))
      return -1;
    std::int64_t n = 0;
    for (std::uint32_t i = 0; i < filas; ++i) {
      if (registros[static_cast<std::size_t>(i) * static_cast<std::size_t>(recLen)] == '*') {
        t->marcarBorrada(r + i);
      } else {
        ++n;
      }
    }
    return n;
  };
  // A large table's blocks are tasks on both cores when the second core's thread is free: a
  // block's deletion flags are whole words of their own, so two tasks never share one.
  static_assert(kFilasPorBloque % 64 == 0);
  const std::size_t bloques =
      (static_cast<std::size_t>(count) + kFilasPorBloque - 1) / kFilasPorBloque;
  std::atomic<bool> leido{true};
  std::atomic<std::int64_t> vivas{0};
  const auto tarea = [&](std::size_t k) {
    if (!leido) return;
    const std::int64_t n = bloque(k);
    if (n < 0) {
      leido = false;
    } else {
      vivas += n;
    }
  };
  if (static_cast<std::size_t>(count) * static_cast<std::size_t>(recLen) >= kAreaGrande) {
    EnParaleloSiLibre(bloques, tarea);
  } else {
    for (std::size_t k = 0; k < bloques; ++k) tarea(k);
  }
  if (!leido) damaged(path, "no se pueden leer los registros");
  t->live_ = vivas;
  std::vector<int> memoCols;
  for (std::size_t c = 0; c < t->columns_.size(); ++c) {
    if (t->columns_[c].type == FieldType::Memo) memoCols.push_back(static_cast<int>(c));
  }
  if (!memoCols.empty()) t->loadMemo(memoCols);
  t->loadSidecar();
  return t;
}

std::int64_t Table::liveRowsOfFile(const std::string& path) {
  const std::shared_ptr<Table> t = load(path, true);  // the header's checks
  const ArchivoDbf archivo(path);
  std::uint64_t fileSize = 0;
  std::uint32_t count = 0;
  int headerLen = 0;
  if (!archivo.cabecera(fileSize, count, headerLen)) damaged(path, "cabecera incompleta");
  compruebaRegistros(path, fileSize, headerLen, t->recLen_, count);
  const auto recLen = static_cast<std::size_t>(t->recLen_);
  std::atomic<std::int64_t> vivas{0};
  const bool leido = LeeRegistrosEnMitades(
      archivo.fd, static_cast<std::uint64_t>(headerLen), recLen, count,
      static_cast<std::uint32_t>(std::max<std::size_t>(1, (std::size_t{1} << 20) / recLen)),
      [&](std::uint32_t, std::uint32_t filas, const char* datos) {
        std::int64_t n = 0;
        for (std::uint32_t i = 0; i < filas; ++i) n += datos[i * recLen] != '*';
        vivas += n;
      });
  if (!leido) damaged(path, "no se pueden leer los registros");
  return vivas;
}

void Table::Desmapea::operator()(char* p) const {
  ::munmap(p, bytes);
}

bool Table::mapearRegistros(const std::string& path, int fd, const struct ::stat& st,
                            int headerLen) {
  const std::size_t porBloque = bytesPorBloque();
  const std::uint32_t completos = nrows_ / kFilasPorBloque;
  if (completos == 0 || completos * porBloque < kAreaGrande || !inScratchFolder(path)) return false;
  if (!S_ISREG(st.st_mode) || st.st_nlink != 1) return false;
  const auto fileSize = static_cast<std::size_t>(st.st_size);
  // Mapped for reading and populated (the pages of the file's cache, no copy), then made
  // writable: populating a writable private mapping would copy every page at once.
  void* p = ::mmap(nullptr, fileSize, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (p == MAP_FAILED) return false;
  mapa_ = std::unique_ptr<char, Desmapea>(static_cast<char*>(p), Desmapea{fileSize});
  if (::mprotect(p, fileSize, PROT_READ | PROT_WRITE) != 0) {
    mapa_.reset();
    return false;
  }
  char* registros = mapa_.get() + headerLen;
  for (std::size_t b = 0; b < completos; ++b) bloques_.push_back(registros + b * porBloque);
  const std::uint32_t resto = nrows_ - completos * kFilasPorBloque;
  if (resto > 0) {
    reservarBloques(resto);
    std::memcpy(bloques_.back(), registros + completos * porBloque,
                static_cast<std::size_t>(resto) * static_cast<std::size_t>(recLen_));
  }
  return true;
}

std::string Table::memoPath(const std::string& dbfPath, unsigned char version) {
  const fs::path p(dbfPath);
  const std::string ext = version == 0xF5 ? ".fpt" : ".dbt";
  const std::string found = findFileNoCase(p.parent_path().string(), p.stem().string() + ext);
  if (!found.empty()) return found;
  return (p.parent_path() / (p.stem().string() + ext)).string();
}

std::string Table::sidecarPath(const std::string& dbfPath) {
  const fs::path p(dbfPath);
  const std::string found = findFileNoCase(p.parent_path().string(), p.stem().string() + ".aix");
  if (!found.empty()) return found;
  return (p.parent_path() / (p.stem().string() + ".aix")).string();
}

void Table::loadMemo(const std::vector<int>& memoCols) {
  const std::string memo = readWholeFile(memoPath(path_, version_));
  const auto* m = reinterpret_cast<const unsigned char*>(memo.data());
  const bool fpt = version_ == 0xF5;
  std::size_t blockSize = 512;
  if (fpt && memo.size() >= 8) {
    blockSize = (m[6] << 8) | m[7];
  } else if (version_ == 0x8B && memo.size() >= 22) {
    blockSize = m[20] | (m[21] << 8);
  }
  if (blockSize == 0) blockSize = 512;
  const CodePage& cp = CodePage::get(codePage_);
  for (int c : memoCols) {
    auto& values = memo_[c];
    values.assign(nrows_, std::nullopt);
    for (std::uint32_t r = 0; r < nrows_; ++r) {
      const std::string_view raw = fieldBytes(r, c);
      std::uint64_t block = 0;
      if (raw.size() == 4 && fpt) {
        block = le32(reinterpret_cast<const unsigned char*>(raw.data()));
      } else {
        double d = 0;
        if (!parseNumber(raw, d) || d < 0) continue;
        block = static_cast<std::uint64_t>(d);
      }
      if (block == 0) continue;
      const std::uint64_t start = block * blockSize;
      if (start >= memo.size()) continue;  // dangling reference reads as null
      std::string bytes;
      if (fpt) {
        if (start + 8 > memo.size()) continue;
        const std::uint64_t len = be32(m + start + 4);
        if (start + 8 + len > memo.size()) continue;
        bytes.assign(memo.data() + start + 8, static_cast<std::size_t>(len));
      } else if (start + 8 <= memo.size() && m[start] == 0xFF && m[start + 1] == 0xFF &&
                 m[start + 2] == 0x08 && m[start + 3] == 0x00) {
        // dBASE IV block: length includes the 8-byte block header.
        const std::uint64_t len = le32(m + start + 4);
        if (len < 8 || start + len > memo.size()) continue;
        bytes.assign(memo.data() + start + 8, static_cast<std::size_t>(len - 8));
      } else {
        // dBASE III block chain: text up to the end-of-text mark.
        const std::size_t end = memo.find('\x1A', static_cast<std::size_t>(start));
        bytes = memo.substr(static_cast<std::size_t>(start),
                            end == std::string::npos ? std::string::npos : end - start);
      }
      if (!bytes.empty()) values[r] = cp.toUtf8(bytes);
    }
  }
}

void Table::loadSidecar() {
  indexes_.clear();
  const std::string text = readWholeFile(sidecarPath(path_));
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    // name TAB field,field TAB primary TAB unique
    std::vector<std::string> parts;
    std::size_t a = 0;
    while (true) {
      const std::size_t b = line.find('\t', a);
      parts.push_back(line.substr(a, b == std::string::npos ? std::string::npos : b - a));
      if (b == std::string::npos) break;
      a = b + 1;
    }
    if (parts.size() < 2 || parts[0].empty()) continue;
    IndexDef idx;
    idx.name = parts[0];
    std::size_t f = 0;
    while (f <= parts[1].size()) {
      const std::size_t g = parts[1].find(',', f);
      const std::string name(
          trimView(parts[1].substr(f, g == std::string::npos ? std::string::npos : g - f)));
      if (!name.empty()) idx.fields.push_back(name);
      if (g == std::string::npos) break;
      f = g + 1;
    }
    idx.primary = parts.size() > 2 && parts[2] == "1";
    idx.unique = parts.size() > 3 && parts[3] == "1";
    if (!idx.fields.empty()) indexes_.push_back(std::move(idx));
  }
}

void Table::saveSidecar() const {
  const std::string sp = sidecarPath(path_);
  if (indexes_.empty()) {
    std::error_code ec;
    fs::remove(sp, ec);
    return;
  }
  std::string text;
  for (const auto& idx : indexes_) {
    text += idx.name + "\t";
    for (std::size_t i = 0; i < idx.fields.size(); ++i) {
      if (i) text += ",";
      text += idx.fields[i];
    }
    text += std::string("\t") + (idx.primary ? "1" : "0") + "\t" + (idx.unique ? "1" : "0") + "\n";
  }
  AtomicWriter w(sp);
  w.write(text);
  w.commit();
}

void Table::addIndex(const IndexDef& idx) {
  for (const auto& i : indexes_) {
    if (equalsNoCase(i.name, idx.name)) {
      throw StoreError(err::kIndiceExiste, "El índice '" + idx.name + "' ya existe.");
    }
  }
  for (const auto& f : idx.fields) {
    if (columnIndex(f) < 0) {
      throw StoreError(
          err::kElementoNoEncontrado,
          "El índice '" + idx.name + "' nombra el campo '" + f + "', que no existe en la tabla.");
    }
  }
  if (idx.fields.empty()) {
    throw StoreError(err::kErrorSintaxis, "El índice '" + idx.name + "' no tiene campos.");
  }
  indexes_.push_back(idx);
  try {
    saveSidecar();
  } catch (...) {
    indexes_.pop_back();
    throw;
  }
}

std::shared_ptr<Table> Table::create(const std::string& path, const TableDef& def) {
  if (def.fields().empty()) {
    throw StoreError(err::kErrorSintaxis, "La tabla '" + def.name() + "' no tiene campos.");
  }
  auto t = std::shared_ptr<Table>(new Table());
  t->path_ = path;
  t->codePage_ = def.codePage();
  std::vector<FieldDef> cols;
  int offset = 1;
  bool memo = false;
  for (const auto& f : def.fields()) {
    for (const auto& g : cols) {
      if (equalsNoCase(g.name, f.name)) {
        throw StoreError(err::kErrorSintaxis, "El campo '" + f.name + "' está repetido.");
      }
    }
    t->offsets_.push_back(offset);
    offset += f.dbfLength;
    if (f.type == FieldType::Memo) memo = true;
    cols.push_back(f);
  }
  t->recLen_ = offset;
  t->version_ = memo ? 0x83 : 0x03;
  t->setColumns(std::move(cols));
  t->prepararDecodificadas();
  for (std::size_t c = 0; c < t->columns_.size(); ++c) {
    if (t->columns_[c].type == FieldType::Memo) t->memo_[static_cast<int>(c)];
  }
  t->dirty_ = true;
  t->save();
  for (const auto& idx : def.indexes()) t->addIndex(idx);
  return t;
}

// ---------------------------------------------------------------------------------------------
// Values

namespace {
constexpr std::uint64_t kBitsBlanco = 0x7FF8000000000001ULL;
constexpr std::uint64_t kBitsDanado = 0x7FF8000000000002ULL;
const double kBlanco = std::bit_cast<double>(kBitsBlanco);
const double kDanado = std::bit_cast<double>(kBitsDanado);
}  // namespace

bool Table::isDamagedNumber(double v) {
  return std::bit_cast<std::uint64_t>(v) == kBitsDanado;
}

bool Table::numbersAt(std::uint32_t row, const int* cols, std::size_t n, double* out) const {
  // The base's loop without a virtual call per field.
  for (std::size_t j = 0; j < n; ++j) {
    if (!Table::numberAt(row, cols[j], out[j], true)) return false;
  }
  return true;
}

double Table::numberOfBytes(int col, std::string_view raw) const {
  double v = 0;
  switch (parseDbfNumber(raw, v)) {
    case DbfNumber::Number:
      // A single-precision column hands out single-precision values.
      if (columns_[static_cast<std::size_t>(col)].type == FieldType::Single)
        return static_cast<double>(static_cast<float>(v));
      return v;
    case DbfNumber::Blank:
      return kBlanco;
    case DbfNumber::Damaged:
    default:
      return kDanado;
  }
}

namespace {
// Memory all tables of the process may hold in decoded columns (counted as decoded): past it a
// column is read from its text as before, so the cache never grows the peak by more than this.
constexpr std::int64_t kPresupuestoDecodificadas = std::int64_t{160} << 20;
// Columns of at least this many rows are decoded on both cores.
constexpr std::uint32_t kFilasDecodificarEnParalelo = 1u << 15;
std::atomic<std::int64_t> gBytesDecodificados{0};
}  // namespace

Table::Decodificadas::~Decodificadas() {
  gBytesDecodificados.fetch_sub(bytes, std::memory_order_relaxed);
}

double Table::number(std::uint32_t row, int col) const {
  if (const auto* v = decoded(col)) return (*v)[row];
  // A column read row after row is decoded whole: single reads (a grid's screen) are not.
  // Past the threshold the count is only read: threads reading a column the budget left
  // undecoded do not contend for its counter.
  const std::uint32_t umbral = std::max<std::uint32_t>(4096, nrows_ / 32);
  auto& lecturas = decodificadas_->lecturas[static_cast<std::size_t>(col)];
  if (lecturas.load(std::memory_order_relaxed) < umbral &&
      lecturas.fetch_add(1, std::memory_order_relaxed) + 1 < umbral) {
    return decodeNumber(row, col);
  }
  if (const auto* v = decodeColumn(col)) return (*v)[row];
  return decodeNumber(row, col);
}

const ColumnaDecodificada* Table::decodeColumn(int col) const {
  const auto bytes = static_cast<std::int64_t>(nrows_) * static_cast<std::int64_t>(sizeof(double));
  if (gBytesDecodificados.load(std::memory_order_relaxed) + bytes > kPresupuestoDecodificadas)
    return nullptr;
  std::lock_guard<std::mutex> lock(decodificadas_->mutex);
  if (const auto* v = decoded(col)) return v;
  if (gBytesDecodificados.fetch_add(bytes, std::memory_order_relaxed) + bytes >
      kPresupuestoDecodificadas) {
    gBytesDecodificados.fetch_sub(bytes, std::memory_order_relaxed);
    return nullptr;
  }
  decodificadas_->bytes += bytes;
  auto valores = std::make_unique<ColumnaDecodificada>();
  if (nrows_ >= kFilasDecodificarEnParalelo) {
    // A large column is decoded in two halves at once: each reads its own rows' bytes and fills
    // its own part of the array.
    valores->resize(nrows_);
    double* destino = valores->data();
    EnDosMitades(nrows_, [&](std::size_t desde, std::size_t hasta) {
      for (auto r = static_cast<std::uint32_t>(desde); r < hasta; ++r)
        destino[r] = decodeNumber(r, col);
    });
  } else {
    // Filled as decoded: no pass zeroing fresh memory first.
    valores->reserve(nrows_);
    for (std::uint32_t r = 0; r < nrows_; ++r) valores->push_back(decodeNumber(r, col));
  }
  decodificadas_->listas[static_cast<std::size_t>(col)].store(valores.get(),
                                                              std::memory_order_release);
  decodificadas_->propias.push_back(std::move(valores));
  return decodificadas_->propias.back().get();
}

void Table::prepararDecodificadas() {
  decodificadas_ = std::make_unique<Decodificadas>(columns_.size());
}

namespace {
// A decoded number as a value: blank and damaged (NaN) are null.
Value ValorNumerico(double v) {
  return std::isnan(v) ? Value() : Value(v);
}
}  // namespace

Value Table::getOnce(std::uint32_t row, int col) const {
  if (!isNumericField(col)) return get(row, col);
  double v = 0;
  numberAt(row, col, v, true);
  return ValorNumerico(v);
}

Value Table::get(std::uint32_t row, int col) const {
  const FieldDef& f = columns_[static_cast<std::size_t>(col)];
  switch (f.dbfType) {
    case 'N':
    case 'F':
      // A damaged number reads as null; isDamaged() tells it from a blank one.
      return ValorNumerico(number(row, col));
    case 'M': {
      auto it = memo_.find(col);
      if (it == memo_.end() || row >= it->second.size() || !it->second[row]) return Value();
      return Value(*it->second[row]);
    }
    default:
      return valueOfBytes(col, fieldBytes(row, col));
  }
}

Value Table::valueOfBytes(int col, std::string_view raw) const {
  const FieldDef& f = columns_[static_cast<std::size_t>(col)];
  switch (f.dbfType) {
    case 'N':
    case 'F':
      return ValorNumerico(numberOfBytes(col, raw));
    case 'L': {
      const std::string_view t = trimView(raw);
      if (t.empty()) return Value();
      switch (t[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
        case 'S':
        case 's':
          return Value(-1);
        case 'F':
        case 'f':
        case 'N':
        case 'n':
          return Value(0);
        default:
          return Value();
      }
    }
    case 'D': {
      const std::string_view t = trimView(raw);
      if (t.empty() || t == "00000000") return Value();
      return Value(std::string(t));
    }
    default: {
      // Text loses the blanks that pad it; a text of blanks only is null.
      std::size_t e = raw.size();
      while (e > 0 && (raw[e - 1] == ' ' || raw[e - 1] == '\0')) --e;
      if (e == 0) return Value();
      return Value(CodePage::get(codePage_).toUtf8(raw.substr(0, e)));
    }
  }
}

bool Table::isDamaged(std::uint32_t row, int col) const {
  if (!isNumericField(col)) return false;
  return isDamagedNumber(number(row, col));
}

std::string Table::rawText(std::uint32_t row, int col) const {
  const FieldDef& f = columns_[static_cast<std::size_t>(col)];
  if (f.type == FieldType::Memo) return get(row, col).toString();
  const std::string_view raw = fieldBytes(row, col);
  std::size_t a = 0, b = raw.size();
  while (a < b && (raw[a] == ' ' || raw[a] == '\0')) ++a;
  while (b > a && (raw[b - 1] == ' ' || raw[b - 1] == '\0')) --b;
  return CodePage::get(codePage_).toUtf8(raw.substr(a, b - a));
}

EncodedValue Table::encode(int col, const Value& v, bool truncateText) const {
  const FieldDef& f = columns_[static_cast<std::size_t>(col)];
  EncodedValue ev;
  ev.col = col;
  if (f.type == FieldType::Memo) {
    if (!v.isNull()) {
      std::string s = v.toString();
      if (!s.empty()) ev.memo = std::move(s);
    }
    return ev;
  }
  ev.bytes.resize(static_cast<std::size_t>(f.dbfLength));
  encodeInto(col, v, ev.bytes.data(), truncateText);
  return ev;
}

namespace {

// The text of a number for a numeric field, right-aligned in `dest` (f.dbfLength bytes, filled
// with blanks first). Throws what a write of the value throws when it does not fit. Gives the
// number the field then reads as where the way it was written tells it (the single read back,
// the whole number), a NaN where the text must be read.
double encodeNumber(const FieldDef& f, double d, char* dest) {
  const auto width = static_cast<std::size_t>(f.dbfLength);
  // Most values of a single-precision field: the shortest text that reads back, written in its
  // place (what the general way below writes for them). Below 2^23 and with at most 8 decimals,
  // that decimal lies nearer to the single than half the gap to its neighbours, and so does the
  // double nearest to it: it reads back as the single.
  if (f.type == FieldType::Single && d != 0 && std::isfinite(d) &&
      shortestFixedFloatField(static_cast<float>(d), dest, f.dbfLength) > 0) {
    return static_cast<double>(static_cast<float>(d));
  }
  std::memset(dest, ' ', width);
  const double original = d;
  if (!std::isfinite(d)) {
    throw StoreError(
        err::kDesbordamientoNumerico,
        "El campo numérico '" + f.name + "' no admite el valor " + formatNumber(d) + ".");
  }
  TextoNumero s;
  double lo = 0, hi = 0;
  bool integral = false;
  switch (f.type) {
    case FieldType::Byte:
      integral = true, lo = 0, hi = 255;
      break;
    case FieldType::Integer:
      integral = true, lo = -32768, hi = 32767;
      break;
    case FieldType::Long:
      integral = true, lo = -2147483648.0, hi = 2147483647.0;
      break;
    default:
      integral = f.dbfDecimals == 0 && f.type != FieldType::Single;
      lo = -1e300, hi = 1e300;
  }
  if (integral) {
    d = std::nearbyint(d);  // half to even
    if (d < lo || d > hi) {
      throw StoreError(err::kDesbordamientoNumerico, "Desbordamiento del campo numérico '" +
                                                         f.name + "' con el valor " +
                                                         formatNumber(original) + ".");
    }
    if (d == 0) d = 0;  // no "-0"
    if (std::fabs(d) < 9e15) {
      // A whole number below 2^53 has the digits of its integer (the same text as the double's
      // fixed form without decimals), written in its place at the right of the blanked field;
      // one that does not fit is refused below.
      if (writeDecimalBefore(d < 0, static_cast<std::uint64_t>(std::fabs(d)), 0, dest + width,
                             f.dbfLength) > 0) {
        return d;
      }
      s.n = 0;
    } else {
      s = fitNumber(d, FieldType::Text, f.dbfLength, 0);
    }
  } else if (f.type == FieldType::Single || f.type == FieldType::Double) {
    if (d == 0) d = 0;
    s = fitNumber(d, f.type, f.dbfLength, f.dbfDecimals);
  } else {
    s = fitNumber(d, FieldType::Text, f.dbfLength, f.dbfDecimals);
  }
  // A negative value that rounds to zero is written without its sign.
  if (s.n > 1 && s.b[0] == '-' &&
      std::string_view(s.b, static_cast<std::size_t>(s.n)).find_first_not_of("-0.") ==
          std::string_view::npos) {
    std::memmove(s.b, s.b + 1, static_cast<std::size_t>(--s.n));
  }
  if (s.n == 0 || static_cast<std::size_t>(s.n) > width) {
    throw StoreError(err::kDesbordamientoNumerico, "Desbordamiento del campo numérico '" + f.name +
                                                       "' con el valor " + formatNumber(original) +
                                                       ".");
  }
  std::memcpy(dest + width - static_cast<std::size_t>(s.n), s.b, static_cast<std::size_t>(s.n));
  return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

double Table::encodeNumberInto(int col, double v, char* dest) const {
  const double leido = encodeNumber(columns_[static_cast<std::size_t>(col)], v, dest);
  if (!std::isnan(leido)) return leido;
  return numberOfBytes(
      col, std::string_view(
               dest, static_cast<std::size_t>(columns_[static_cast<std::size_t>(col)].dbfLength)));
}

void Table::encodeInto(int col, const Value& v, char* dest, bool truncateText) const {
  const FieldDef& f = columns_[static_cast<std::size_t>(col)];
  const auto width = static_cast<std::size_t>(f.dbfLength);
  // A number into a numeric field: encodeNumber fills the whole field.
  if ((f.dbfType == 'N' || f.dbfType == 'F') && v.isNumber()) {
    encodeNumber(f, v.number(), dest);
    return;
  }
  std::memset(dest, ' ', width);
  if (v.isNull()) return;
  switch (f.dbfType) {
    case 'N':
    case 'F':
      encodeNumber(f, v.toDouble(), dest);
      return;
    case 'L': {
      bool b = false;
      if (v.isNumber()) {
        b = v.number() != 0;
      } else {
        const std::string t = toUpperAscii(trimView(v.text()));
        b = t == "T" || t == "Y" || t == "S" || t == "TRUE" || t == "-1" || t == "1";
      }
      dest[0] = b ? 'T' : 'F';
      return;
    }
    case 'D': {
      std::string t;
      for (char c : v.toString()) {
        if (c >= '0' && c <= '9') t.push_back(c);
      }
      if (t.size() != 8) {
        throw StoreError(err::kTipoNoCoincide,
                         "Fecha no válida para el campo '" + f.name + "': '" + v.toString() + "'.");
      }
      std::memcpy(dest, t.data(), 8);
      return;
    }
    default: {
      std::string bytes = CodePage::get(codePage_).fromUtf8(v.toString());
      if (bytes.size() > width && truncateText) bytes.resize(width);
      if (bytes.size() > width) {
        throw StoreError(err::kCampoDemasiadoPequeno,
                         "El campo '" + f.name + "' es demasiado pequeño para el valor '" +
                             v.toString() + "' (" + std::to_string(width) + " caracteres).");
      }
      std::memcpy(dest, bytes.data(), bytes.size());
      return;
    }
  }
}

void Table::apply(std::uint32_t row, const EncodedValue& ev, bool newRow) {
  const FieldDef& f = columns_[static_cast<std::size_t>(ev.col)];
  if (f.type == FieldType::Memo) {
    auto& values = memo_[ev.col];
    if (values.size() < nrows_) values.resize(nrows_);
    values[row] = ev.memo;
  } else {
    std::memcpy(registro(row) + offsets_[static_cast<std::size_t>(ev.col)], ev.bytes.data(),
                ev.bytes.size());
    refreshDecoded(row, ev.col);
  }
  if (!newRow) ++colGen_[static_cast<std::size_t>(ev.col)];
  dirty_ = true;
}

void Table::applyBytes(std::uint32_t row, int col, const char* bytes, bool newRow,
                       std::optional<double> numero) {
  applyBytesInPlace(row, col, bytes, numero);
  if (!newRow) ++colGen_[static_cast<std::size_t>(col)];
  dirty_ = true;
}

void Table::columnsWritten(const std::vector<int>& cols) {
  for (int col : cols) ++colGen_[static_cast<std::size_t>(col)];
  if (!cols.empty()) dirty_ = true;
}

void Table::applyRaw(std::uint32_t row, int col, std::string_view bytes) {
  std::memcpy(
      registro(row) + offsets_[static_cast<std::size_t>(col)], bytes.data(),
      std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(columns_[col].dbfLength)));
  refreshDecoded(row, col);
  dirty_ = true;
}

void Table::nuevoBloque() {
  if (bloquesLibres_ == 0) {
    // A table that keeps growing takes its new blocks from areas of at least 4 MB, larger as it
    // grows (an eighth of what it has), mapped on their own or kept from tables freed earlier.
    // Blocks not yet used of a new area are only reserved: no memory is touched before a row
    // needs it. The first blocks of a table come one by one, so the many small tables never
    // hold an area of their own each.
    const std::size_t porBloque = bytesPorBloque();
    std::size_t bloques = 1, minimo = 1;
    if (bloques_.size() >= 4) {
      minimo = ((std::size_t{4} << 20) + porBloque - 1) / porBloque;
      bloques = std::max<std::size_t>(minimo, bloques_.size() / 8);
    }
    bloquesLibres_ = areaDeBloques(minimo, bloques);
    siguienteLibre_ = memoria_.back().get();
  }
  bloques_.push_back(siguienteLibre_);
  siguienteLibre_ += bytesPorBloque();
  --bloquesLibres_;
}

void Table::reservarBloques(std::uint32_t filas) {
  const std::size_t bloques =
      (static_cast<std::size_t>(filas) + kFilasPorBloque - 1) / kFilasPorBloque;
  if (bloques == 0) return;
  const std::size_t porBloque = bytesPorBloque();
  for (std::size_t quedan = bloques; quedan > 0;) {
    const std::size_t caben = areaDeBloques(1, quedan);
    for (std::size_t b = 0; b < caben; ++b)
      bloques_.push_back(memoria_.back().get() + b * porBloque);
    quedan -= caben;
  }
}

std::size_t Table::areaDeBloques(std::size_t minimo, std::size_t bloques) {
  const std::size_t porBloque = bytesPorBloque();
  // Blocks need not be contiguous: a large request takes an area kept from tables freed earlier
  // even when it holds only part of them (memory already touched costs a fraction of new).
  if (bloques * porBloque >= kAreaGrande) {
    std::size_t bytes = 0;
    if (auto* p =
            static_cast<char*>(TomaAreaLibre(minimo * porBloque, bloques * porBloque, bytes))) {
      memoria_.push_back(std::unique_ptr<char[], LiberaMemoria>(p, LiberaMemoria{bytes}));
      return std::min(bloques, bytes / porBloque);
    }
  }
  memoria_.push_back(Area(bloques * porBloque));
  return bloques;
}

std::uint32_t Table::appendBlank() {
  return anadirFila(nullptr);
}

std::uint32_t Table::appendRecord(const char* bytes) {
  return anadirFila(bytes);
}

std::uint32_t Table::anadirFila(const char* bytes) {
  if (nrows_ == UINT32_MAX) {
    throw StoreError(err::kOperacionNoAdmitida, "La tabla no admite más registros.");
  }
  if (nrows_ / kFilasPorBloque >= bloques_.size()) nuevoBloque();
  if (nrows_ / 64 >= borradas_.size()) borradas_.push_back(0);
  char* destino = registro(nrows_);
  if (bytes) {
    std::memcpy(destino, bytes, static_cast<std::size_t>(recLen_));
    destino[0] = ' ';
  } else {
    std::memset(destino, ' ', static_cast<std::size_t>(recLen_));
  }
  for (auto& [col, values] : memo_) values.resize(nrows_ + 1);
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    if (auto* v = decodedForChange(static_cast<int>(c)))
      v->push_back(bytes ? decodeNumber(nrows_, static_cast<int>(c)) : kBlanco);
  }
  ++live_;
  ++structGen_;
  dirty_ = true;
  return nrows_++;
}

std::uint32_t Table::appendRows(std::size_t n,
                                const std::function<void(std::size_t, char*)>& construir) {
  if (n > static_cast<std::size_t>(UINT32_MAX - nrows_)) {
    throw StoreError(err::kOperacionNoAdmitida, "La tabla no admite más registros.");
  }
  const std::uint32_t primera = nrows_;
  if (n == 0) return primera;
  const auto total = static_cast<std::uint32_t>(primera + n);
  while (bloques_.size() * kFilasPorBloque < total) nuevoBloque();
  // Each half touches its own rows' memory first, so the page faults of fresh memory are split
  // between the two cores as well.
  EnDosMitades(n, [&](std::size_t desde, std::size_t hasta) {
    for (std::size_t k = desde; k < hasta; ++k) {
      char* r = registro(static_cast<std::uint32_t>(primera + k));
      std::memset(r, ' ', static_cast<std::size_t>(recLen_));
      construir(k, r);
      r[0] = ' ';
    }
  });
  filasAnadidas(total);
  return primera;
}

void Table::filasAnadidas(std::uint32_t filas) {
  const std::uint32_t antes = nrows_;
  nrows_ = filas;
  borradas_.resize((static_cast<std::size_t>(nrows_) + 63) / 64, 0);
  for (auto& [col, values] : memo_) values.resize(nrows_);
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    if (auto* v = decodedForChange(static_cast<int>(c))) {
      for (std::uint32_t r = antes; r < nrows_; ++r)
        v->push_back(decodeNumber(r, static_cast<int>(c)));
    }
  }
  live_ += nrows_ - antes;
  ++structGen_;
  dirty_ = true;
}

bool Table::appendFileRecords(const std::string& path) {
  std::shared_ptr<Table> fuente;
  try {
    fuente = load(path, true);
  } catch (const StoreError&) {
    return false;
  }
  const auto& cf = fuente->columns_;
  if (cf.size() > columns_.size() || fuente->recLen_ > recLen_) return false;
  const bool distintaPagina = fuente->codePage_ != codePage_;
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    const FieldDef& ft = columns_[c];
    if (ft.type == FieldType::Memo) return false;
    // Field c of this table takes the first field of the file with its name: field c itself.
    const int en = fuente->columnIndex(ft.name);
    if (c >= cf.size()) {
      if (en >= 0) return false;
      continue;
    }
    const FieldDef& fs = cf[c];
    if (en != static_cast<int>(c) || !equalsNoCase(fs.name, ft.name) || fs.type != ft.type ||
        fs.dbfType != ft.dbfType || fs.dbfLength != ft.dbfLength ||
        fs.dbfDecimals != ft.dbfDecimals || fuente->offsets_[c] != offsets_[c] ||
        (ft.dbfType == 'C' && distintaPagina))
      return false;
  }
  // The file's record bytes past its last field are not copied.
  const int copiados = cf.empty() ? 1 : fuente->offsets_[cf.size() - 1] + cf.back().dbfLength;

  const ArchivoDbf archivo(path);
  std::uint64_t fileSize = 0;
  std::uint32_t count = 0;
  int headerLen = 0;
  if (!archivo.cabecera(fileSize, count, headerLen)) return false;
  const int recLenFuente = fuente->recLen_;
  if (static_cast<std::uint64_t>(count) >
      (fileSize - static_cast<std::uint64_t>(headerLen)) / static_cast<std::uint64_t>(recLenFuente))
    return false;
  if (static_cast<std::uint64_t>(nrows_) + count > UINT32_MAX) return false;

  // Record r of the file goes to row antes + r: the two halves of the file are read at once,
  // a block of rows at a time. Deleted records are then taken out, the rows after them moved
  // down (a file written by this store has none).
  const std::uint32_t antes = nrows_;
  const std::size_t libres = static_cast<std::size_t>(bloques_.size()) * kFilasPorBloque - antes;
  if (count > libres) reservarBloques(static_cast<std::uint32_t>(count - libres));
  std::atomic<bool> conBorrados{false};
  const bool leido = LeeRegistrosEnMitades(
      archivo.fd, static_cast<std::uint64_t>(headerLen), static_cast<std::size_t>(recLenFuente),
      count, kFilasPorBloque, [&](std::uint32_t r, std::uint32_t filas, const char* datos) {
        for (std::uint32_t i = 0; i < filas; ++i) {
          const char* origen =
              datos + static_cast<std::size_t>(i) * static_cast<std::size_t>(recLenFuente);
          const bool borrado = origen[0] == '*';
          if (borrado) conBorrados = true;
          char* destino = registro(antes + r + i);
          destino[0] = borrado ? '*' : ' ';
          std::memcpy(destino + 1, origen + 1, static_cast<std::size_t>(copiados - 1));
          std::memset(destino + copiados, ' ', static_cast<std::size_t>(recLen_ - copiados));
        }
      });
  if (!leido) return false;
  std::uint32_t n = antes + count;
  if (conBorrados) {
    n = antes;
    for (std::uint32_t r = antes; r < antes + count; ++r) {
      const char* origen = registro(r);
      if (origen[0] == '*') continue;
      if (n != r) std::memcpy(registro(n), origen, static_cast<std::size_t>(recLen_));
      ++n;
    }
  }
  if (n == antes) return true;
  filasAnadidas(n);
  return true;
}

void Table::deleteRow(std::uint32_t row) {
  if (isDeleted(row)) return;
  registro(row)[0] = '*';
  marcarBorrada(row);
  --live_;
  ++structGen_;
  ++deleteGen_;
  dirty_ = true;
}

void Table::deleteAll() {
  for (std::uint32_t r = 0; r < nrows_; ++r) {
    registro(r)[0] = '*';
    marcarBorrada(r);
  }
  live_ = 0;
  ++structGen_;
  ++deleteGen_;
  dirty_ = true;
}

// ---------------------------------------------------------------------------------------------
// Saving

void Table::save(bool alDisco) {
  escribir(false, alDisco);
}

void Table::saveAndFree() {
  // Rows already given back cannot be written again: whatever happens, nothing is left to save,
  // and nothing opened from now on is given this table.
  dirty_ = false;
  TableRegistry::forget(this);
  escribir(true, false);
}

void Table::markBusy() {
  std::lock_guard<std::mutex> lock(ocupadaMutex_);
  ocupada_ = true;
}

void Table::markIdle() {
  {
    std::lock_guard<std::mutex> lock(ocupadaMutex_);
    ocupada_ = false;
  }
  ocupadaCambia_.notify_all();
}

void Table::waitWhileBusy() {
  std::unique_lock<std::mutex> lock(ocupadaMutex_);
  ocupadaCambia_.wait(lock, [this] { return !ocupada_; });
}

void Table::escribir(bool liberar, bool alDisco) {
  const DbfDate date = currentHeaderDate();
  bool hasMemo = false;
  for (const auto& c : columns_) hasMemo = hasMemo || c.type == FieldType::Memo;
  const unsigned char version = hasMemo ? 0x83 : 0x03;
  const CodePage& cp = CodePage::get(codePage_);

  // Memo file: block 0 is the header; each text takes whole 512-byte blocks and ends in 1A 1A.
  // Block numbers are given in row order, before the records are written.
  std::string memo;
  std::unordered_map<int, std::vector<std::uint32_t>> bloqueMemo;
  if (hasMemo) {
    memo.assign(512, '\0');
    for (std::uint32_t r = 0; r < nrows_; ++r) {
      if (isDeleted(r)) continue;
      for (const auto& [col, values] : memo_) {
        auto& bloques = bloqueMemo[col];
        bloques.resize(nrows_, 0);
        if (r < values.size() && values[r]) {
          bloques[r] = static_cast<std::uint32_t>(memo.size() / 512);
          memo += cp.fromUtf8(*values[r]);
          memo += "\x1A\x1A";
          memo.resize((memo.size() + 511) / 512 * 512, '\0');
        }
      }
    }
    putLe32(reinterpret_cast<unsigned char*>(memo.data()),
            static_cast<std::uint32_t>(memo.size() / 512));
    memo[16] = 0x03;
    AtomicWriter mw(memoPath(path_, version));
    mw.write(memo);
    mw.commit();
  }
  const auto live = static_cast<std::uint32_t>(live_);

  const int headerLen = 32 + 32 * static_cast<int>(columns_.size()) + 1;
  std::string header(static_cast<std::size_t>(headerLen), '\0');
  auto* h = reinterpret_cast<unsigned char*>(header.data());
  h[0] = version;
  h[1] = static_cast<unsigned char>((date.year - 1900) & 0xFF);
  h[2] = static_cast<unsigned char>(date.month);
  h[3] = static_cast<unsigned char>(date.day);
  putLe32(h + 4, live);
  h[8] = headerLen & 0xFF;
  h[9] = (headerLen >> 8) & 0xFF;
  h[10] = recLen_ & 0xFF;
  h[11] = (recLen_ >> 8) & 0xFF;
  h[29] = CodePage::languageDriverFor(codePage_);
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    unsigned char* d = h + 32 + 32 * i;
    const std::string name = cp.fromUtf8(columns_[i].name).substr(0, 10);
    std::memcpy(d, name.data(), name.size());
    d[11] = static_cast<unsigned char>(columns_[i].dbfType);
    d[16] = static_cast<unsigned char>(columns_[i].dbfLength & 0xFF);
    d[17] = static_cast<unsigned char>(columns_[i].dbfDecimals & 0xFF);
  }
  h[headerLen - 1] = 0x0D;
  AtomicWriter w(path_, alDisco);
  w.write(header);
  // Live records, a block at a time; memo fields get their new block numbers. A block whose rows
  // are all live and flagged so, in a table without memo fields, is written from where it
  // stands; the others are gathered record by record.
  std::vector<char> buffer;
  buffer.reserve(bytesPorBloque());
  // A live record into the buffer as the file holds it: a blank flag, its memo block numbers.
  const auto reunir = [&](std::uint32_t r) {
    const std::size_t at = buffer.size();
    buffer.insert(buffer.end(), registro(r), registro(r) + recLen_);
    buffer[at] = ' ';
    for (const auto& [col, bloques] : bloqueMemo) {
      std::string field(static_cast<std::size_t>(columns_[col].dbfLength), ' ');
      if (bloques[r] != 0) {
        const std::string num = std::to_string(bloques[r]);
        field.replace(field.size() - num.size(), num.size(), num);
      }
      std::memcpy(buffer.data() + at + offsets_[static_cast<std::size_t>(col)], field.data(),
                  field.size());
    }
  };
  for (std::uint32_t inicio = 0; inicio < nrows_; inicio += kFilasPorBloque) {
    const std::uint32_t fin = std::min(nrows_, inicio + kFilasPorBloque);
    char* bloque = bloques_[inicio / kFilasPorBloque];
    bool comoEsta = bloqueMemo.empty();
    for (std::uint32_t r = inicio; comoEsta && r < fin; ++r)
      comoEsta = !isDeleted(r) && registro(r)[0] == ' ';
    if (comoEsta) {
      w.write(bloque, static_cast<std::size_t>(fin - inicio) * static_cast<std::size_t>(recLen_));
    } else {
      for (std::uint32_t r = inicio; r < fin; ++r) {
        if (!isDeleted(r)) reunir(r);
      }
      w.write(buffer.data(), buffer.size());
      buffer.clear();
    }
    // A block written is no longer needed.
    if (liberar) DevuelvePaginas(bloque, bytesPorBloque());
  }
  w.write("\x1A", 1);
  w.commit();
  version_ = version;
  dirty_ = false;
}

// ---------------------------------------------------------------------------------------------
// Registry

namespace {
std::mutex gRegistryMutex;
std::map<std::string, std::weak_ptr<Table>>& registry() {
  static std::map<std::string, std::weak_ptr<Table>> r;
  return r;
}
}  // namespace

std::string TableRegistry::key(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::path(path), ec);
  if (ec) p = fs::absolute(fs::path(path));
  return p.string();
}

std::shared_ptr<Table> TableRegistry::find(const std::string& path) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  auto it = registry().find(key(path));
  if (it == registry().end()) return nullptr;
  auto t = it->second.lock();
  if (!t) registry().erase(it);
  return t;
}

void TableRegistry::add(const std::shared_ptr<Table>& table) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  registry()[key(table->path())] = table;
}

void TableRegistry::forget(const Table* table) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  const auto it = registry().find(key(table->path()));
  if (it != registry().end() && it->second.lock().get() == table) registry().erase(it);
}

std::shared_ptr<Table> TableRegistry::open(const std::string& path) {
  if (auto t = find(path)) {
    t->waitWhileBusy();
    return t;
  }
  auto t = Table::load(path);
  add(t);
  return t;
}

}  // namespace arbelio::store
