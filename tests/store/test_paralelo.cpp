// Jobs on both cores: every task runs once, whatever fails, and the failure reported is the one
// of the lowest index, not the first to happen.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "store/Paralelo.h"

using arbelio::store::EnParalelo;

TEST(EnParalelo, RunsEveryTaskOnceAndReportsTheLowestFailure) {
  std::vector<std::atomic<int>> veces(40);
  try {
    EnParalelo(veces.size(), [&](std::size_t i) {
      ++veces[i];
      // Task 3 fails late, task 30 at once: 30 fails first in time, 3 is reported.
      if (i == 3) {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        throw std::runtime_error("tarea 3");
      }
      if (i == 30) throw std::runtime_error("tarea 30");
    });
    FAIL() << "no failure reported";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "tarea 3");
  }
  for (std::size_t i = 0; i < veces.size(); ++i) EXPECT_EQ(veces[i].load(), 1) << i;

  int llamadas = 0;
  EnParalelo(0, [&](std::size_t) { ++llamadas; });
  EnParalelo(1, [&](std::size_t i) { llamadas += static_cast<int>(i) + 1; });
  EXPECT_EQ(llamadas, 1);
}

// The second core's thread is kept between jobs and taken by one caller at a time: jobs started
// from a job (on either thread) and from two threads at once must all run every task once and
// return, never wait for a thread that is busy with their own caller.
TEST(EnParalelo, NestedAndSimultaneousJobsRunEveryTaskOnce) {
  for (int vuelta = 0; vuelta < 20; ++vuelta) {
    std::vector<std::atomic<int>> veces(2 * 6 * 5);
    const auto trabajo = [&](std::size_t llamador) {
      EnParalelo(6, [&](std::size_t i) {
        arbelio::store::EnPartes(5, 2, [&](std::size_t, std::size_t desde, std::size_t hasta) {
          for (std::size_t k = desde; k < hasta; ++k) ++veces[(llamador * 6 + i) * 5 + k];
        });
      });
    };
    std::thread otro(trabajo, 1);
    trabajo(0);
    otro.join();
    for (std::size_t i = 0; i < veces.size(); ++i) ASSERT_EQ(veces[i].load(), 1) << i;
  }
}

// Tasks that gain little from a thread of their own run on the caller alone while another job
// has the second core's thread (its two tasks are held until the caller is done), and every task
// runs once either way.
TEST(EnParalelo, TasksForAFreeThreadRunOnTheCallerWhileItIsTaken) {
  std::atomic<int> empezadas{0};
  std::atomic<bool> soltar{false};
  std::thread otro([&] {
    EnParalelo(2, [&](std::size_t) {
      ++empezadas;
      while (!soltar) std::this_thread::yield();
    });
  });
  // Task 0 holds its caller, so task 1 has started on the second core's thread.
  while (empezadas < 2) std::this_thread::yield();
  std::vector<std::thread::id> hilos(12);
  arbelio::store::EnParaleloSiLibre(hilos.size(), [&](std::size_t i) {
    hilos[i] = std::this_thread::get_id();
    // Long enough for a thread of their own to take some.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  });
  soltar = true;
  otro.join();
  for (const auto& h : hilos) EXPECT_EQ(h, std::this_thread::get_id());

  std::vector<std::atomic<int>> veces(40);
  arbelio::store::EnParaleloSiLibre(veces.size(), [&](std::size_t i) { ++veces[i]; });
  for (std::size_t i = 0; i < veces.size(); ++i) EXPECT_EQ(veces[i].load(), 1) << i;
}
