#include "store/Paralelo.h"

#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace arbelio::store {

void EnParalelo(std::size_t n, const std::function<void(std::size_t)>& tarea) {
  std::vector<std::exception_ptr> fallos(n);
  std::atomic<std::size_t> siguiente{0};
  const auto trabajar = [&] {
    for (std::size_t i = siguiente++; i < n; i = siguiente++) {
      try {
        tarea(i);
      } catch (...) {
        fallos[i] = std::current_exception();
      }
    }
  };
  if (n > 1 && std::thread::hardware_concurrency() > 1) {
    std::thread otro(trabajar);
    trabajar();
    otro.join();
  } else {
    trabajar();
  }
  for (const auto& f : fallos) {
    if (f) std::rethrow_exception(f);
  }
}

void EnPartes(std::size_t n, std::size_t partes,
              const std::function<void(std::size_t, std::size_t, std::size_t)>& parte) {
  if (partes < 2 || n < 2) {
    parte(0, 0, n);
    return;
  }
  const std::size_t mitad = n / 2;
  EnParalelo(2, [&](std::size_t k) {
    if (k == 0) {
      parte(0, 0, mitad);
    } else {
      parte(1, mitad, n);
    }
  });
}

void EnDosMitades(std::size_t n, const std::function<void(std::size_t, std::size_t)>& parte) {
  EnPartes(n, 2, [&](std::size_t, std::size_t desde, std::size_t hasta) { parte(desde, hasta); });
}

}  // namespace arbelio::store
