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

// Runs parte(desde, hasta) over the two halves of [0, n) at once, as EnParalelo runs two tasks.
void EnDosMitades(std::size_t n, const std::function<void(std::size_t, std::size_t)>& parte);

}  // namespace arbelio::store
