#include "store/Memoria.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>

namespace arbelio::store {

namespace {

std::size_t Redondeada(std::size_t bytes) {
  return (bytes + kAreaGrande - 1) / kAreaGrande * kAreaGrande;
}

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer every freed area goes back at once, so a use after free still faults.
constexpr std::size_t kMaximoGuardado = 0;
#else
// A run over a country frees and maps again a few hundred MB at a time.
constexpr std::size_t kMaximoGuardado = std::size_t{1} << 30;
#endif

// The freed areas kept, by address: adjacent ones join, so the areas of a table freed together
// can serve one larger request.
class AreasLibres {
 public:
  // A kept area of `bytes` (a multiple of 2 MB), or null; with none that fits, kept areas
  // adding up to `bytes` (the largest first) go back to the system.
  void* toma(std::size_t bytes) {
    std::lock_guard<std::mutex> lock(m_);
    std::size_t tomados = 0;
    if (void* p = corta(bytes, bytes, tomados)) return p;
    std::size_t devueltos = 0;
    while (devueltos < bytes && !trozos_.empty()) {
      const auto mayor = std::max_element(trozos_.begin(), trozos_.end(),
                                          [](auto& a, auto& b) { return a.second < b.second; });
      munmap(reinterpret_cast<void*>(mayor->first), mayor->second);
      devueltos += mayor->second;
      total_ -= mayor->second;
      trozos_.erase(mayor);
    }
    return nullptr;
  }

  void* tomaHasta(std::size_t minimo, std::size_t maximo, std::size_t& bytes) {
    std::lock_guard<std::mutex> lock(m_);
    return corta(minimo, maximo, bytes);
  }

  // Keeps an area of `bytes` (a multiple of 2 MB); false when that would pass the limit.
  bool guarda(void* p, std::size_t bytes) {
    std::lock_guard<std::mutex> lock(m_);
    if (total_ + bytes > kMaximoGuardado) return false;
    auto it = trozos_.emplace(reinterpret_cast<std::uintptr_t>(p), bytes).first;
    total_ += bytes;
    if (const auto sig = std::next(it);
        sig != trozos_.end() && it->first + it->second == sig->first) {
      it->second += sig->second;
      trozos_.erase(sig);
    }
    if (it != trozos_.begin()) {
      const auto ant = std::prev(it);
      if (ant->first + ant->second == it->first) {
        ant->second += it->second;
        trozos_.erase(it);
      }
    }
    return true;
  }

  void devuelve() {
    std::lock_guard<std::mutex> lock(m_);
    for (const auto& [inicio, tam] : trozos_) munmap(reinterpret_cast<void*>(inicio), tam);
    trozos_.clear();
    total_ = 0;
  }

  std::size_t total() {
    std::lock_guard<std::mutex> lock(m_);
    return total_;
  }

 private:
  // A kept area of between `minimo` and `maximo` bytes (multiples of 2 MB), cut from the front
  // of the smallest that holds `maximo`, or else of the largest; null when none holds `minimo`.
  // Called with the lock held.
  void* corta(std::size_t minimo, std::size_t maximo, std::size_t& bytes) {
    auto elegido = trozos_.end();
    for (auto it = trozos_.begin(); it != trozos_.end(); ++it) {
      if (it->second < minimo) continue;
      if (elegido == trozos_.end()) {
        elegido = it;
      } else if (elegido->second >= maximo) {
        if (it->second >= maximo && it->second < elegido->second) elegido = it;
      } else if (it->second > elegido->second) {
        elegido = it;
      }
    }
    if (elegido == trozos_.end()) return nullptr;
    const std::uintptr_t inicio = elegido->first;
    const std::size_t tam = elegido->second;
    bytes = std::min(tam, maximo);
    trozos_.erase(elegido);
    if (tam > bytes) trozos_.emplace(inicio + bytes, tam - bytes);
    total_ -= bytes;
    return reinterpret_cast<void*>(inicio);
  }

  std::mutex m_;
  std::map<std::uintptr_t, std::size_t> trozos_;
  std::size_t total_ = 0;
};

AreasLibres& Libres() {
  static AreasLibres* libres = new AreasLibres;  // never destroyed: areas may be freed at exit
  return *libres;
}

void* NuevaArea(std::size_t redondeado) {
  void* m = mmap(nullptr, redondeado, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (m == MAP_FAILED) throw std::bad_alloc();
  return m;
}

}  // namespace

void* ReservaArea(std::size_t bytes) {
  if (bytes < kAreaGrande) {
    void* p = std::malloc(std::max<std::size_t>(bytes, 1));
    if (!p) throw std::bad_alloc();
    return p;
  }
  const std::size_t redondeado = Redondeada(bytes);
  if (void* p = Libres().toma(redondeado)) return p;
  return NuevaArea(redondeado);
}

void* TomaAreaLibre(std::size_t minimo, std::size_t maximo, std::size_t& bytes) {
  const std::size_t hasta = Redondeada(std::max(minimo, maximo));
  return Libres().tomaHasta(Redondeada(minimo), hasta, bytes);
}

void LiberaArea(void* p, std::size_t bytes) noexcept {
  if (!p) return;
  if (bytes < kAreaGrande) {
    std::free(p);
    return;
  }
  const std::size_t redondeado = Redondeada(bytes);
  if (!Libres().guarda(p, redondeado)) munmap(p, redondeado);
}

void DevuelvePaginas(void* p, std::size_t bytes) noexcept {
  constexpr std::uintptr_t kPagina = 4096;
  const auto desde = (reinterpret_cast<std::uintptr_t>(p) + kPagina - 1) & ~(kPagina - 1);
  const auto hasta = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(kPagina - 1);
  if (hasta > desde) madvise(reinterpret_cast<void*>(desde), hasta - desde, MADV_DONTNEED);
}

void DevuelveAreasLibres() noexcept {
  Libres().devuelve();
}

std::size_t BytesAreasLibres() noexcept {
  return Libres().total();
}

}  // namespace arbelio::store
