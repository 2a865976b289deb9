// The failure of an operation on the inventory's data files (sample generation, the auxiliary
// databases and their import), with the Spanish message shown to the user.
#pragma once

#include <stdexcept>

namespace arbelio::inventory {

class ErrorDatos : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace arbelio::inventory
