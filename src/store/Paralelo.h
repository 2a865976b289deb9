// Independent jobs on both cores: a few large tasks (saving tables, copying files) that share
// nothing but what they only read.
#pragma once

#include <cstddef>
#include <functional>

namespace arbelio::store {

// Runs tarea(0) .. tarea(n - 1), on two threads when the machine has more than one core (the
// calling thread is one of them), taking the tasks in index order. Returns when all have run;
// a failure does not stop the others, and the failure of the lowest index is then rethrown, so
// what is reported does not depend on timing.
void EnParalelo(std::size_t n, const std::function<void(std::size_t)>& tarea);

// EnParalelo for tasks that gain little from a thread of their own: the second core's thread
// takes some when it is free, and the caller runs them all when another caller has it (the
// jobs of two databases at once, whose threads already keep both cores busy).
void EnParaleloSiLibre(std::size_t n, const std::function<void(std::size_t)>& tarea);

// Runs parte(k, desde, hasta) over `partes` (1 or 2) parts of [0, n) at once, as EnParalelo
// runs its tasks: part 0 is [0, n / 2) and part 1 [n / 2, n) when there are two. Fewer than two
// items make one part.
void EnPartes(std::size_t n, std::size_t partes,
              const std::function<void(std::size_t, std::size_t, std::size_t)>& parte);

// Runs parte(desde, hasta) over the two halves of [0, n) at once (EnPartes in two parts).
void EnDosMitades(std::size_t n, const std::function<void(std::size_t, std::size_t)>& parte);

}  // namespace arbelio::store
