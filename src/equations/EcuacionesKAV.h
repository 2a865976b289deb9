// The inventory's equation database: "EcuacionesKAV.sqlite" in the program folder (the Access
// database of the inventory converted once at build time, or by arbelio-batch import-mdb). It
// is only read. Its table "Cubicacion" holds one row per inventory equation (model number and
// the parameter columns "a, p, k", "b, q", "c, r"); "Modelos" holds the model formula texts
// that the user equation editor offers as templates.
//
// Use by the tree pass:
//
//   auto kav = equations::AbrirEcuacionesKAV(estado.rutas.carpetaDatos);  // throws StoreError
//   for each tree, for each variable marked "SI" in row order (VCC before VSC, IAVC, VLE):
//     equations::ArbolParaEcuacion a{provincia, especie, forma, paramesp, dn, altura, vcc};
//     std::optional<double> v = kav.VolumenKAV(a, "VCC");  // nullopt: leave the field empty
//   kav.Cerrar();  // CerrarEcuacionesKAV
//
// An equation is sought through the index "BuscaF" + form + "Index" of "Cubicacion" with the
// five-part key ("P.M.", province, species text, 1, variable); the species text is refined for
// resin-tapped maritime pine and cork oak (EspecieParaEcuacion). Each distinct (form, province,
// species text, variable) is sought once per open database; later trees take the equation from
// a cache. The model is then evaluated with d = 10 x DN (mm), h = ALTURA (m), V = VCC (dm3):
//
//   model 1            a + b*d^2*h
//   models 7, 8, 10    a + b*V + c*V^2
//   model 11           a*d^b*h^c
//   model 12           a*d^b
//   any other          no value
//
// The formulas are compiled once into the equation engine (MotorScript) and called per tree
// without any text. A value the model needs that the tree lacks (no DN, no height, no VCC), an
// evaluation error (overflow, 0 raised to a negative power...) or a missing equation give no
// value.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "equations/MotorScript.h"
#include "store/Database.h"

namespace arbelio::equations {

// File of the inventory's equation database in the program (installed data) folder.
inline constexpr const char* kArchivoEcuacionesKAV = "EcuacionesKAV.sqlite";
// Tree class of the first key part: large trees.
inline constexpr const char* kClasePieMayor = "P.M.";

// One row of "Cubicacion": its model and the three parameters.
struct EcuacionInventario {
  int modelo = 0;
  double a = 0;  // column "a, p, k"
  double b = 0;  // column "b, q"
  double c = 0;  // column "c, r"
};

// What an inventory equation reads of a tree (the AIndiv row).
struct ArbolParaEcuacion {
  int provincia = 0;             // PROVINCIA
  int especie = 0;               // ESPECIE
  std::optional<int> forma;      // FORMA; none or outside 1-6: no equation
  std::string paramesp;          // PARAMESP as stored ("" for null)
  std::optional<double> dn;      // DN, cm
  std::optional<double> altura;  // ALTURA, m
  std::optional<double> vcc;     // VCC, dm3 (read by models 7, 8 and 10)
};

// Species text of the key: the code as decimal text, "26" -> "26R" when PARAMESP is not blank,
// "46" -> "46d" when PARAMESP starts with "1" and "46D" when it starts with "2".
std::string EspecieParaEcuacion(int especie, std::string_view paramesp);

// The formula text of a model number in the equation language ("" for a model without one).
std::string FormulaModeloKAV(int modelo);

// How the arguments reach the model functions.
struct OpcionesEcuacionesKAV {
  // false: the values as read (double arithmetic on the stored numbers).
  // true: each argument first goes through its decimal text, as a script call would carry it
  // (TextoNumero with 7 significant digits for the tree's single fields, 15 for the
  // parameters) and is read back.
  bool argumentosComoTexto = false;
};

class EcuacionesKAV {
 public:
  EcuacionesKAV();
  ~EcuacionesKAV();
  EcuacionesKAV(EcuacionesKAV&&) noexcept;
  EcuacionesKAV& operator=(EcuacionesKAV&&) noexcept;

  // Opens the database file read-only with its "Cubicacion" table and indexes. Throws
  // store::StoreError (3024 when the file is missing, 3265 when an index is missing).
  static EcuacionesKAV Abrir(const std::string& archivo, OpcionesEcuacionesKAV opciones = {});

  // The same equations for another thread: cursors of its own over the tables already loaded
  // (which are only read) and caches of its own, so both may be used at once.
  EcuacionesKAV Copia() const;

  bool abierta() const;
  // CerrarEcuacionesKAV: closes the database and forgets the cache.
  void Cerrar();

  // The equation for a form (1-6), province, species text and variable, or nullopt.
  std::optional<EcuacionInventario> Buscar(int forma, int provincia, std::string_view especie,
                                           std::string_view variable);
  // The value of a variable for a tree by the inventory's equations, or nullopt (empty field).
  std::optional<double> VolumenKAV(const ArbolParaEcuacion& arbol, std::string_view variable);

  // Seeks made on "Cubicacion" since opening (each distinct key costs one).
  std::int64_t busquedas() const { return busquedas_; }

 private:
  struct Datos;
  std::unique_ptr<Datos> datos_;
  std::int64_t busquedas_ = 0;
};

// AbrirEcuacionesKAV: opens kArchivoEcuacionesKAV in the program folder.
EcuacionesKAV AbrirEcuacionesKAV(const std::string& carpetaPrograma,
                                 OpcionesEcuacionesKAV opciones = {});

// Value of a model with d in mm, h in m and V in dm3, evaluated through its compiled formula.
// nullopt when the model has no formula, a needed value is missing or the evaluation fails.
// A fresh engine is compiled per call: for tests and single values; the pass uses VolumenKAV.
std::optional<double> EvaluarModeloKAV(const EcuacionInventario& ecuacion, std::optional<double> d,
                                       std::optional<double> h, std::optional<double> v);

// CargarComboModelos: the formula texts of models 1-6 and 8-12 (model 7 is not offered), in
// the order the database returns them. Any failure gives what was read so far (normally an
// empty list): the editor then works with typed formulas only.
std::vector<std::string> CargarComboModelos(const std::string& carpetaPrograma);

}  // namespace arbelio::equations
