#include "calc/Pasadas.h"

namespace arbelio::calc {

EntornoCalculo EntornoInstalado() {
  EntornoCalculo entorno;
  return entorno;
}

}  // namespace arbelio::calc
