// The calculation run wired to the installed program: the passes of every result table and the
// installed inventory equations.
#pragma once

#include "calc/HazCalculos.h"

namespace arbelio::calc {

// Every filling pass, the inventory equations of the program folder, and no working-database
// generation (callers that can generate it set generarBaseTrabajo).
EntornoCalculo EntornoInstalado();

}  // namespace arbelio::calc
