#include "store/FileOps.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "store/Paralelo.h"
#include "store/StoreError.h"
#include "store/Table.h"
#include "store/Text.h"

namespace fs = std::filesystem;

namespace arbelio::store {

namespace {
bool isDbf(const std::string& path) {
  const std::string ext = fs::path(path).extension().string();
  return equalsNoCase(ext, ".dbf");
}
std::string nameOf(const std::string& path) {
  return fs::path(path).filename().string();
}

[[noreturn]] void inUse(const std::string& path) {
  throw StoreError(err::kPermisoDenegado,
                   "Permiso denegado: el archivo '" + nameOf(path) + "' está abierto.");
}

// A copy made whole in a temporary file beside the target (forced to disk unless scratch), not
// yet in place: commit() puts it there, dropping it leaves the target as it was.
std::unique_ptr<AtomicWriter> copiaPreparada(const std::string& source, const std::string& target,
                                             ModoCopia modo = ModoCopia::Bytes) {
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    throw StoreError(err::kArchivoNoEncontrado, "No se ha encontrado el archivo '" + source + "'.");
  }
  try {
    auto w = std::make_unique<AtomicWriter>(target);
    if (modo != ModoCopia::SegundoNombre || !w->linkFrom(source)) w->copyFrom(in, source);
    w->prepare();
    ::close(in);
    return w;
  } catch (...) {
    ::close(in);
    throw;
  }
}

// Copies through a temporary file in the target's folder.
void copyAtomic(const std::string& source, const std::string& target, ModoCopia modo) {
  copiaPreparada(source, target, modo)->commit();
}

std::mutex gScratchMutex;
std::vector<std::string>& scratchFolders() {
  static std::vector<std::string> v;
  return v;
}

std::string canonicalFolder(const std::string& folder) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::path(folder.empty() ? "." : folder), ec);
  if (ec) p = fs::absolute(fs::path(folder), ec);
  return p.lexically_normal().string();
}

// What a copy needs before it starts: its source, a target no table of this process holds
// open, and a source table's changes written out. False when source and target are one file.
bool listaParaCopiar(const std::string& source, const std::string& target) {
  if (!fileExists(source)) {
    throw StoreError(err::kArchivoNoEncontrado, "No se ha encontrado el archivo '" + source + "'.");
  }
  if (TableRegistry::key(source) == TableRegistry::key(target)) return false;
  if (TableRegistry::isOpen(target)) inUse(target);
  if (auto t = TableRegistry::find(source); t && t->dirty()) t->save();
  return true;
}

// The copy of a table file and of its index sidecar (or the removal of a stale one).
void copyTable(const std::string& source, const std::string& target, ModoCopia modo) {
  if (!listaParaCopiar(source, target)) return;
  copyAtomic(source, target, modo);
  if (isDbf(source)) {
    const std::string sideIn = Table::sidecarPath(source);
    const std::string sideOut = Table::sidecarPath(target);
    std::error_code ec;
    if (fileExists(sideIn)) {
      copyAtomic(sideIn, sideOut, modo);
    } else {
      fs::remove(sideOut, ec);
    }
  }
}
}  // namespace

bool folderExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

void createFolder(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return;
  fs::create_directories(path, ec);
  if (ec || !fs::is_directory(path)) {
    throw StoreError(err::kRutaNoEncontrada,
                     "No se puede crear la carpeta '" + path + "': " + ec.message() + ".");
  }
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

void copyFile(const std::string& source, const std::string& target, ModoCopia modo) {
  copyTable(source, target, modo);
}

namespace {
// After a copy reached `target`: the same name in another letter case is the old file.
void removeOtherCase(const std::string& target) {
  const fs::path t(target);
  std::error_code ec;
  for (const auto& e :
       fs::directory_iterator(t.parent_path().empty() ? "." : t.parent_path(), ec)) {
    const std::string name = e.path().filename().string();
    if (name != t.filename().string() && equalsNoCase(name, t.filename().string()) &&
        e.is_regular_file(ec)) {
      if (TableRegistry::isOpen(e.path().string())) inUse(e.path().string());
      fs::remove(e.path(), ec);
    }
  }
}
}  // namespace

void replaceFile(const std::string& source, const std::string& target) {
  replaceFiles({{source, target}});
}

void replaceFiles(const std::vector<std::pair<std::string, std::string>>& copias, ModoCopia modo) {
  std::vector<bool> copiar;
  for (const auto& [source, target] : copias) copiar.push_back(listaParaCopiar(source, target));
  // Every copy (and each table's index sidecar) is made whole beside its target first, two at
  // a time; only when all are whole do they replace what was there.
  std::vector<std::pair<std::string, std::string>> archivos;
  std::vector<std::string> sinSidecar;  // targets whose stale sidecar goes with the rename
  for (std::size_t i = 0; i < copias.size(); ++i) {
    if (!copiar[i]) continue;
    const auto& [source, target] = copias[i];
    archivos.emplace_back(source, target);
    if (isDbf(source)) {
      const std::string sideIn = Table::sidecarPath(source);
      if (fileExists(sideIn)) {
        archivos.emplace_back(sideIn, Table::sidecarPath(target));
      } else {
        sinSidecar.push_back(Table::sidecarPath(target));
      }
    }
  }
  std::vector<std::unique_ptr<AtomicWriter>> escritores(archivos.size());
  const auto preparar = [&](std::size_t i) {
    escritores[i] = copiaPreparada(archivos[i].first, archivos[i].second, modo);
  };
  if (writeFailureSeamSet()) {
    // The failure seam counts bytes across writes: one copy at a time keeps that count exact.
    for (std::size_t i = 0; i < archivos.size(); ++i) preparar(i);
  } else {
    EnParalelo(archivos.size(), preparar);
  }
  for (auto& w : escritores) w->commit();
  std::error_code ec;
  for (const auto& s : sinSidecar) fs::remove(s, ec);
  for (const auto& [source, target] : copias) removeOtherCase(target);
}

void replaceFileContents(const std::string& target, std::string_view bytes) {
  if (TableRegistry::isOpen(target)) inUse(target);
  AtomicWriter w(target);
  w.write(bytes);
  w.commit();
  removeOtherCase(target);
}

void renameFile(const std::string& oldPath, const std::string& newPath) {
  if (!fileExists(oldPath)) {
    throw StoreError(err::kArchivoNoEncontrado,
                     "No se ha encontrado el archivo '" + oldPath + "'.");
  }
  if (TableRegistry::isOpen(oldPath)) inUse(oldPath);
  if (TableRegistry::isOpen(newPath)) inUse(newPath);
  std::error_code ec;
  const bool sameFile = TableRegistry::key(oldPath) == TableRegistry::key(newPath);
  if (!sameFile && fs::exists(newPath, ec)) {
    throw StoreError(err::kArchivoYaExiste, "El archivo '" + nameOf(newPath) + "' ya existe.");
  }
  std::string sideIn, sideOut;
  if (isDbf(oldPath)) {
    sideIn = Table::sidecarPath(oldPath);
    sideOut =
        (fs::path(newPath).parent_path() / (fs::path(newPath).stem().string() + ".aix")).string();
  }
  fs::rename(oldPath, newPath, ec);
  if (ec) {
    throw StoreError(err::kPermisoDenegado, "No se puede cambiar el nombre de '" + nameOf(oldPath) +
                                                "': " + ec.message() + ".");
  }
  if (!sideIn.empty() && fileExists(sideIn)) fs::rename(sideIn, sideOut, ec);
}

void deleteFile(const std::string& path) {
  if (TableRegistry::isOpen(path)) inUse(path);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    throw StoreError(err::kArchivoNoEncontrado, "No se ha encontrado el archivo '" + path + "'.");
  }
  if (!fs::remove(path, ec) || ec) {
    throw StoreError(err::kPermisoDenegado, "Permiso denegado al borrar '" + nameOf(path) + "'" +
                                                (ec ? ": " + ec.message() : "") + ".");
  }
  if (isDbf(path)) {
    const std::string side = Table::sidecarPath(path);
    if (fileExists(side)) fs::remove(side, ec);
  }
}

std::vector<FileEntry> listFiles(const std::string& folder) {
  std::vector<FileEntry> out;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) {
    throw StoreError(err::kRutaNoEncontrada,
                     "No se ha encontrado la ruta de acceso '" + folder + "'.");
  }
  for (const auto& e : it) {
    std::error_code ec2;
    if (!e.is_regular_file(ec2)) continue;
    out.push_back(FileEntry{e.path().filename().string(), e.path().string()});
  }
  std::sort(out.begin(), out.end(),
            [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
  return out;
}

bool lockFolderForProcess(const std::string& folder) {
  static std::mutex mutex;
  static std::map<std::string, int> held;  // canonical folder -> descriptor holding the lock
  std::lock_guard<std::mutex> lock(mutex);
  for (auto it = held.begin(); it != held.end();) {
    if (folderExists(it->first)) {
      ++it;
    } else {
      ::close(it->second);
      it = held.erase(it);
    }
  }
  std::error_code ec;
  fs::path canonical = fs::weakly_canonical(fs::path(folder), ec);
  const std::string key = ec ? folder : canonical.string();
  if (held.count(key) > 0) return true;
  const std::string path = (fs::path(key) / kLockFileName).string();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return true;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  held[key] = fd;
  return true;
}

void markScratchFolder(const std::string& folder) {
  const std::string c = canonicalFolder(folder);
  std::lock_guard<std::mutex> lock(gScratchMutex);
  auto& v = scratchFolders();
  if (std::find(v.begin(), v.end(), c) == v.end()) v.push_back(c);
}

bool inScratchFolder(const std::string& path) {
  const std::string folder = canonicalFolder(fs::path(path).parent_path().string());
  std::lock_guard<std::mutex> lock(gScratchMutex);
  const auto& v = scratchFolders();
  return std::find(v.begin(), v.end(), folder) != v.end();
}

std::string findFileNoCase(const std::string& folder, const std::string& fileName) {
  std::error_code ec;
  const fs::path exact = fs::path(folder) / fileName;
  if (fs::is_regular_file(exact, ec)) return exact.string();
  fs::directory_iterator it(folder, ec);
  if (ec) return std::string();
  for (const auto& e : it) {
    if (equalsNoCase(e.path().filename().string(), fileName)) {
      std::error_code ec2;
      if (e.is_regular_file(ec2)) return e.path().string();
    }
  }
  return std::string();
}

}  // namespace arbelio::store
