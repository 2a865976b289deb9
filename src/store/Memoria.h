// Memory for the store's large arrays: table records, decoded columns, sort entries.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace arbelio::store {

// A request of kAreaGrande (2 MB) or more is mapped on its own, in whole 2 MB units (arrays of
// many sizes never fragment the heap); a smaller one comes from malloc. LiberaArea takes the
// size that ReservaArea was given. Areas are not advised onto huge pages: on a virtual machine
// that hands free memory back to its host (as this one does), a huge page is nearly always
// memory the host must back anew, and clearing it cost several times what the same memory in
// 4 KB pages costs.
//
// A large area freed is kept for the next request it can serve (the smallest that fits, cut to
// size) instead of going back to the system: memory the process has already touched costs a
// fraction of fresh memory, which the system must find and clear page by page. What is kept
// never raises the peak: when no kept area fits a request, kept areas adding up to the request
// are given back before new memory is mapped. The memory of a reused area is not
// cleared: what it holds is undefined, as with malloc.
inline constexpr std::size_t kAreaGrande = std::size_t{2} << 20;
void* ReservaArea(std::size_t bytes);
void LiberaArea(void* p, std::size_t bytes) noexcept;
// For memory that may come in pieces (the blocks of a table): a kept area of at least `minimo`
// bytes, the smallest that holds `maximo` or else the largest, cut to at most `maximo`; null when
// none is that large. `bytes` is its size (whole 2 MB pages), for LiberaArea.
void* TomaAreaLibre(std::size_t minimo, std::size_t maximo, std::size_t& bytes);
// Gives the whole pages within [p, p + bytes) back to the system, at once: they read as zeros
// when touched again. For memory whose contents are no longer needed, so that what the process
// writes next (a file's pages) takes it instead of memory the system must find anew.
void DevuelvePaginas(void* p, std::size_t bytes) noexcept;
// Gives every kept area back to the system (the end of a calculation: a window left open holds
// no memory it does not use).
void DevuelveAreasLibres() noexcept;
// Bytes of the areas kept now.
std::size_t BytesAreasLibres() noexcept;

// The allocator of the store's large arrays (decoded columns, sort entries): memory from
// ReservaArea, and elements default-initialized (a resize of plain numbers does not zero the
// array first), so filling an array touches each page once and faults once per 2 MB.
template <class T>
struct AsignadorGrande {
  using value_type = T;
  AsignadorGrande() = default;
  template <class U>
  AsignadorGrande(const AsignadorGrande<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(ReservaArea(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { LiberaArea(p, n * sizeof(T)); }
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... A>
  void construct(U* p, A&&... a) {
    ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
  }
  template <class U>
  bool operator==(const AsignadorGrande<U>&) const noexcept {
    return true;
  }
};
using ColumnaDecodificada = std::vector<double, AsignadorGrande<double>>;

// A sequence of plain values that grows by pieces of kAreaGrande bytes from ReservaArea: nothing
// is copied as it grows, and while kept areas last its pages are ones the process has already
// touched (rows computed before they are stored: a million and more over a country).
template <class T>
class TrozosGrandes {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  static constexpr std::size_t kPorTrozo = sizeof(T) < kAreaGrande ? kAreaGrande / sizeof(T) : 1;
  // A whole large area (a smaller request would be malloc's, never kept).
  static constexpr std::size_t kBytesTrozo =
      kPorTrozo * sizeof(T) < kAreaGrande ? kAreaGrande : kPorTrozo * sizeof(T);

  TrozosGrandes() = default;
  ~TrozosGrandes() { clear(); }
  TrozosGrandes(const TrozosGrandes&) = delete;
  TrozosGrandes& operator=(const TrozosGrandes&) = delete;

  std::size_t size() const { return n_; }
  T& operator[](std::size_t i) { return trozos_[i / kPorTrozo][i % kPorTrozo]; }
  const T& operator[](std::size_t i) const { return trozos_[i / kPorTrozo][i % kPorTrozo]; }
  void push_back(const T& v) {
    if (n_ == trozos_.size() * kPorTrozo) {
      T* trozo = static_cast<T*>(ReservaArea(kBytesTrozo));
      try {
        trozos_.push_back(trozo);
      } catch (...) {
        LiberaArea(trozo, kBytesTrozo);
        throw;
      }
    }
    ::new (static_cast<void*>(&(*this)[n_])) T(v);
    ++n_;
  }
  // Empties it and gives its pieces back (kept for the next request).
  void clear() noexcept {
    for (T* t : trozos_) LiberaArea(t, kBytesTrozo);
    trozos_.clear();
    n_ = 0;
  }

 private:
  std::vector<T*> trozos_;
  std::size_t n_ = 0;
};

}  // namespace arbelio::store
