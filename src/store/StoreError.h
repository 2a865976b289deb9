// Failures of the table store: an error number and a Spanish description, as the commands
// that catch them show them to the user ("Error " + description).
#pragma once

#include <stdexcept>
#include <string>

namespace arbelio::store {

// Error numbers. They follow the numbering of the desktop database engine and the runtime the
// program's messages were written for, so a number in a message means the same thing.
namespace err {
inline constexpr int kTipoNoCoincide = 13;       // value cannot be converted
inline constexpr int kArchivoNoEncontrado = 53;  // file not found
inline constexpr int kArchivoYaExiste = 58;      // target exists (rename)
inline constexpr int kPermisoDenegado = 70;      // file in use / not writable
inline constexpr int kRutaNoEncontrada = 76;     // folder not found
inline constexpr int kTablaExiste = 3010;        // create a table that exists
inline constexpr int kSinRegistroActual = 3021;  // EOF/BOF or empty set
inline constexpr int kArchivoNoEncontradoBD = 3024;
inline constexpr int kSoloLectura = 3027;        // write on read-only database or cursor
inline constexpr int kUpdateSinEdit = 3020;      // update without edit/add new
inline constexpr int kRutaNoValida = 3044;       // database folder missing
inline constexpr int kArchivoEnUso = 3045;       // exclusive conflict
inline constexpr int kNoEsTablaValida = 3051;    // not a dBASE file, damaged header
inline constexpr int kTablaNoEncontrada = 3078;  // missing table in a query
inline constexpr int kCampoDemasiadoPequeno = 3163;
inline constexpr int kRegistroEliminado = 3167;
inline constexpr int kOperacionNoAdmitida = 3251;
inline constexpr int kElementoNoEncontrado = 3265;  // unknown field or index name
inline constexpr int kIndiceExiste = 3284;
inline constexpr int kDesbordamientoNumerico = 3349;
inline constexpr int kErrorSintaxis = 3075;   // malformed SQL or criteria text
inline constexpr int kTablaDanada = 3343;     // records missing or unreadable
inline constexpr int kErrorEscritura = 3026;  // disk write failed
}  // namespace err

class StoreError : public std::runtime_error {
 public:
  StoreError(int number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}
  int number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }

 private:
  int number_;
  std::string description_;
};

}  // namespace arbelio::store
