// Fresh two-character cut codes: each character an upper- or lower-case letter A-Z drawn at
// random (an integer 0..98 decides the case: even upper, odd lower).
#pragma once

#include <functional>
#include <string>

namespace arbelio::cut {

// `aleatorio` returns uniform numbers in [0, 1); by default a generator seeded from the clock.
std::string GenerarSufijo(const std::function<double()>& aleatorio = {});

}  // namespace arbelio::cut
