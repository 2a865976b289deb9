#include "calc/Dasometria.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "store/Value.h"

namespace arbelio::calc {

namespace {

std::string textoClase(float clase) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, clase, std::chars_format::fixed);
  return std::string(buf, r.ptr);
}

// Expansion factor of a tree's FACTOREXP code, or 0 for a missing or invalid code.
double factorDe(const EstadoAplicacion& e, const store::Value& codigo) {
  if (!codigo.isNumber()) return 0;
  const double k = codigo.number();
  if (k != 1 && k != 2 && k != 3 && k != 4) return 0;
  return e.FactoresExpansion[static_cast<std::size_t>(k)];
}

// The walk from the thickest tree down to 100 trees per hectare, averaging `campo`.
double MediaDominante(store::Cursor& c, const EstadoAplicacion& e, std::int32_t posicion,
                      int especie, const char* campo) {
  const std::string criterio = CriterioArboles(e, posicion, especie, 0);
  c.findLast(criterio);
  if (c.noMatch()) return 0;
  MediaDominantePorFactor media;
  const int iFactor = c.fieldIndex("FACTOREXP"), iCampo = c.fieldIndex(campo);
  while (true) {
    const store::Value v = c.value(iCampo);
    if (!media.anadir(factorDe(e, c.value(iFactor)), v.isNumber(), v.isNumber() ? v.number() : 0)) {
      break;
    }
    c.findPrevious(criterio);
    if (c.noMatch()) break;
  }
  return media.resultado();
}

double MediaPonderada(store::Cursor& c, const EstadoAplicacion& e, std::int32_t posicion,
                      int especie, float clase, const char* campo) {
  const std::string criterio = CriterioArboles(e, posicion, especie, clase);
  MediaPonderadaPorFactor media;
  const int iFactor = c.fieldIndex("FACTOREXP"), iCampo = c.fieldIndex(campo);
  for (c.findFirst(criterio); !c.noMatch(); c.findNext(criterio)) {
    const store::Value v = c.value(iCampo);
    if (v.isNumber()) media.anadir(factorDe(e, c.value(iFactor)), v.number());
  }
  return media.resultado();
}

}  // namespace

std::string CriterioArboles(const EstadoAplicacion& e, std::int32_t posicion, int especie,
                            float clase) {
  std::string t;
  if (posicion > 0) {
    const auto& p = e.ListaParcelas.entradas[static_cast<std::size_t>(posicion)];
    t = "PROVINCIA=" + std::to_string(p.provincia) + " AND PARCELA=" + std::to_string(p.estadillo);
  }
  if (especie != 0) {
    t += (t.empty() ? "ESPECIE=" : " AND ESPECIE=") + std::to_string(especie);
  }
  if (clase != 0) {
    t += (t.empty() ? "CD=" : " AND CD=") + textoClase(clase);
  }
  return t;
}

double AlturaDominante(store::Cursor& c, const EstadoAplicacion& e, std::int32_t posicion,
                       int especie) {
  return MediaDominante(c, e, posicion, especie, "ALTURA");
}

double DiametroDominante(store::Cursor& c, const EstadoAplicacion& e, std::int32_t posicion,
                         int especie) {
  return MediaDominante(c, e, posicion, especie, "DN");
}

double AlturaMedia(store::Cursor& c, const EstadoAplicacion& e, std::int32_t posicion, int especie,
                   float clase) {
  return MediaPonderada(c, e, posicion, especie, clase, "ALTURA");
}

double DiametroMedio(store::Cursor& c, const EstadoAplicacion& e, std::int32_t posicion,
                     int especie, float clase) {
  return MediaPonderada(c, e, posicion, especie, clase, "DN");
}

double IndiceHart(const calc::OpcionesCalculo& o, float N, float Ho) {
  if (N == 0 || Ho == 0) return 0;
  double x = 0;
  if (o.TipoHart == 1) {
    x = static_cast<double>(N) * 0.933;
  } else if (o.TipoHart == 2) {
    x = N;
  } else {
    return 0;
  }
  return 10000.0 / (static_cast<double>(Ho) * std::sqrt(x));
}

double IndiceReineke(const calc::OpcionesCalculo& o, float N, float Dg) {
  if (Dg == 0) return 0;
  return static_cast<double>(N) * std::pow(25.0 / static_cast<double>(Dg), o.BetaReineke);
}

double RedondeoPar(double v, int decimales) {
  // The scale is the exact power of ten (as pow gives it), from a table for the usual places.
  static constexpr double kEscalas[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
  const double escala = decimales >= 0 && decimales <= 10
                            ? kEscalas[static_cast<std::size_t>(decimales)]
                            : std::pow(10.0, decimales);
  return std::nearbyint(v * escala) / escala;
}

namespace {

// Exponent of a positive finite float: L and L' share a binade when these are equal.
int Binada(float v) {
  int e = 0;
  std::frexp(v, &e);
  return e;
}

}  // namespace

// The class walk goes up from w / 2 in steps of w, the sum kept in single precision, and stops
// at the last lower bound L <= DN whose next bound fl(L + w) is above DN. Within one binade of
// the float format (one exponent) the rounded step fl(L + w) - L is constant once two
// consecutive steps agree (ties to even settle after one step), so the walk jumps straight to
// the last bound of the binade at or below DN and steps one by one only across binades: the
// same bounds as the step-by-step walk, in a few dozen operations whatever DN is. Where the
// float sum stops growing (w below half the spacing of floats near DN, a diameter of
// kilometres) the walk never ends; the mark is then taken from the exact arithmetic in double.
float ClaseDiametrica(float DN, float ancho) {
  if (!(ancho > 0)) return 0;
  float L = ancho / 2;
  while (L <= DN) {
    const float siguiente = L + ancho;  // single precision, as the sum is kept
    if (DN < siguiente) break;
    if (!(siguiente > L)) {
      const double w = ancho;
      const double k = std::floor((static_cast<double>(DN) - w / 2) / w);
      return static_cast<float>(RedondeoPar((k + 1) * w, 1));
    }
    const float despues = siguiente + ancho;
    const float paso = siguiente - L;  // exact: both bounds lie within a factor two
    if (despues - siguiente == paso && Binada(L) == Binada(siguiente) &&
        Binada(siguiente) == Binada(despues)) {
      // Bounds siguiente + j * paso stay exact floats while below the binade's end.
      const double d = paso;
      const double fin = std::ldexp(1.0, Binada(siguiente));
      double j = std::floor((static_cast<double>(DN) - siguiente) / d);
      const double jMax = std::ceil((fin - siguiente) / d) - 1;  // siguiente + jMax * d < fin
      j = std::min(j, jMax);
      while (j > 0 && siguiente + j * d > DN) --j;  // guard the division's rounding
      while (j + 1 <= jMax && siguiente + (j + 1) * d <= DN) ++j;
      L = static_cast<float>(siguiente + std::max(j, 0.0) * d);
      continue;
    }
    L = siguiente;
  }
  const float marca = L + ancho / 2;
  return static_cast<float>(RedondeoPar(marca, 1));
}

}  // namespace arbelio::calc
