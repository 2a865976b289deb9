// Stand-mensuration functions over the individual-tree table: dominant and mean heights and
// diameters (walks over an ordered cursor), the Hart and Reineke indices and the diameter class.
//
// The tree functions take an open cursor over
//   "SELECT * FROM [AIndiv" + SufijoTablas + "] ORDER BY Provincia, Parcela, DN"
// and move it with find-first/next (or find-last/previous, for the dominant walks, which go from
// the thickest tree down and stop at 100 trees per hectare). They leave the cursor wherever their
// search ended. Trees whose FACTOREXP is empty or outside 1-4 add nothing (they are kept out of
// the tree table anyway).
#pragma once

#include <cstdint>
#include <string>

#include "state/EstadoAplicacion.h"
#include "store/Cursor.h"

namespace arbelio::calc {

// Criterion text of the tree functions: "PROVINCIA=p AND PARCELA=q", " AND ESPECIE=s",
// " AND CD=c" (c in its shortest decimal text with a point). posicion 0 = all plots, especie 0 =
// all species, clase 0 = all classes.
std::string CriterioArboles(const EstadoAplicacion& estado, std::int32_t posicion, int especie,
                            float clase);

// Mean height (m) of the 100 thickest trees per hectare of the plot at posicion (>= 1).
double AlturaDominante(store::Cursor& c, const EstadoAplicacion& estado, std::int32_t posicion,
                       int especie);
// Mean diameter (cm) of the 100 thickest trees per hectare.
double DiametroDominante(store::Cursor& c, const EstadoAplicacion& estado, std::int32_t posicion,
                         int especie);
// Mean height (m) weighted by expansion factor; trees without height are skipped.
double AlturaMedia(store::Cursor& c, const EstadoAplicacion& estado, std::int32_t posicion,
                   int especie, float clase);
// Mean diameter (cm) weighted by expansion factor.
double DiametroMedio(store::Cursor& c, const EstadoAplicacion& estado, std::int32_t posicion,
                     int especie, float clase);

// 10000 / (Ho * sqrt(x)), x = 0.933 N for Hart-Becking (TipoHart 1) or N for Hart (2); 0 for
// N = 0, Ho = 0 or another TipoHart.
double IndiceHart(const calc::OpcionesCalculo& opciones, float N, float Ho);
// N * (25 / Dg) ^ BetaReineke; 0 for Dg = 0.
double IndiceReineke(const calc::OpcionesCalculo& opciones, float N, float Dg);
// Class mark (cm) of a diameter for classes of width `ancho` centred on its multiples, half-open
// on the right, rounded to one decimal (half to even). A width <= 0 gives 0.
float ClaseDiametrica(float DN, float ancho);

// The arithmetic of the means, fed one tree at a time, so the cursor walks here and the passes
// that hold the trees in memory compute exactly the same thing.
//   f: the tree's expansion factor (0 for a tree without a valid code).
class MediaPonderadaPorFactor {
 public:
  // A tree with a value: weight f.
  void anadir(double f, double valor) {
    w_ += f;
    s_ += f * valor;
  }
  double resultado() const { return w_ != 0 ? s_ / w_ : 0; }

 private:
  double w_ = 0, s_ = 0;
};

// The mean of the 100 thickest trees per hectare, fed from the thickest tree down. Every tree
// consumes its factor; a tree with a value counts with its factor, or with the part of it that
// still fits under 100 trees per hectare.
class MediaDominantePorFactor {
 public:
  // Returns false once 100 trees per hectare are reached (the walk stops after this tree).
  bool anadir(double f, bool conValor, double valor) {
    ncum_ += f;
    if (f > 0 && conValor) {
      const double peso = ncum_ <= 100 ? f : f - (ncum_ - 100);
      s_ += peso * valor;
      w_ += peso;
    }
    return ncum_ < 100;
  }
  double resultado() const { return w_ != 0 ? s_ / w_ : 0; }

 private:
  double ncum_ = 0, w_ = 0, s_ = 0;
};

// Rounds to `decimales` decimals, a half going to the even digit.
double RedondeoPar(double v, int decimales);

}  // namespace arbelio::calc
