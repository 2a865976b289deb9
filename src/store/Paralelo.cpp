#include "store/Paralelo.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace arbelio::store {

namespace {

// The second core's thread, started on first use and kept for the process. A thread started for
// each job waits on this virtual machine for up to a few milliseconds before the other core
// takes it (it begins on the core of its parent, still busy with its own share), which made
// jobs of a few milliseconds run one after the other; a waiting thread is woken on the idle core
// in tens of microseconds. One caller at a time has it: another caller meanwhile (the builds of
// two databases at once, or a job started by a job already on it) starts a thread of its own.
class HiloAuxiliar {
 public:
  HiloAuxiliar() : hilo_([this] { Bucle(); }) {}
  ~HiloAuxiliar() {
    {
      const std::lock_guard<std::mutex> l(m_);
      fin_ = true;
    }
    cv_.notify_all();
    hilo_.join();
  }
  HiloAuxiliar(const HiloAuxiliar&) = delete;
  HiloAuxiliar& operator=(const HiloAuxiliar&) = delete;

  // Runs `trabajo` on the thread and returns at once; false (nothing run) when another caller
  // has the thread, or when called from the thread itself. `trabajo` must not throw.
  bool Lanza(const std::function<void()>& trabajo) {
    if (std::this_thread::get_id() == hilo_.get_id()) return false;
    {
      const std::lock_guard<std::mutex> l(m_);
      if (trabajo_ != nullptr) return false;
      trabajo_ = &trabajo;
      hecho_ = false;
    }
    cv_.notify_all();
    return true;
  }

  // Waits for the job given to Lanza, then frees the thread for the next caller.
  void Espera() {
    std::unique_lock<std::mutex> l(m_);
    cv_.wait(l, [this] { return hecho_; });
    trabajo_ = nullptr;
  }

 private:
  void Bucle() {
    std::unique_lock<std::mutex> l(m_);
    for (;;) {
      cv_.wait(l, [this] { return fin_ || (trabajo_ != nullptr && !hecho_); });
      if (fin_) return;
      const std::function<void()>* trabajo = trabajo_;
      l.unlock();
      (*trabajo)();
      l.lock();
      hecho_ = true;
      cv_.notify_all();
    }
  }

  std::mutex m_;
  std::condition_variable cv_;
  const std::function<void()>* trabajo_ = nullptr;
  bool hecho_ = false;
  bool fin_ = false;
  std::thread hilo_;  // last: started once the members it reads are built
};

HiloAuxiliar& Auxiliar() {
  static HiloAuxiliar hilo;
  return hilo;
}

// The tasks in index order on the caller and the second core's thread; without that thread
// (another caller has it), on a thread of their own, or on the caller alone when `soloSiLibre`.
void Reparte(std::size_t n, const std::function<void(std::size_t)>& tarea, bool soloSiLibre) {
  std::vector<std::exception_ptr> fallos(n);
  std::atomic<std::size_t> siguiente{0};
  const std::function<void()> trabajar = [&] {
    for (std::size_t i = siguiente++; i < n; i = siguiente++) {
      try {
        tarea(i);
      } catch (...) {
        fallos[i] = std::current_exception();
      }
    }
  };
  if (n > 1 && std::thread::hardware_concurrency() > 1) {
    HiloAuxiliar& auxiliar = Auxiliar();
    if (auxiliar.Lanza(trabajar)) {
      trabajar();
      auxiliar.Espera();
    } else if (soloSiLibre) {
      trabajar();
    } else {
      std::thread otro(trabajar);
      trabajar();
      otro.join();
    }
  } else {
    trabajar();
  }
  for (const auto& f : fallos) {
    if (f) std::rethrow_exception(f);
  }
}

}  // namespace

void EnParalelo(std::size_t n, const std::function<void(std::size_t)>& tarea) {
  Reparte(n, tarea, false);
}

void EnParaleloSiLibre(std::size_t n, const std::function<void(std::size_t)>& tarea) {
  Reparte(n, tarea, true);
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
