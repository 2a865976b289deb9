#include "calc/Dasometria.h"

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
double factorDe(const shell::EstadoAplicacion& e, const store::Value& codigo) {
  if (!codigo.isNumber()) return 0;
  const double k = codigo.number();
  if (k != 1 && k != 2 && k != 3 && k != 4) return 0;
  return e.FactoresExpansion[static_cast<std::size_t>(k)];
}

// The walk from the thickest tree down to 100 trees per hectare, averaging `campo`.
double MediaDominante(store::Cursor& c, const shell::EstadoAplicacion& e, std::int32_t posicion,
                      int especie, const char* campo) {
  const std::string criterio = CriterioArboles(e, posicion, especie, 0);
  c.findLast(criterio);
  if (c.noMatch()) return 0;
  double ncum = 0, w = 0, s = 0;
  bool terminado = false;
  const int iFactor = c.fieldIndex("FACTOREXP"), iCampo = c.fieldIndex(campo);
  while (true) {
    const double f = factorDe(e, c.value(iFactor));
    ncum += f;
    if (ncum >= 100) terminado = true;
    const store::Value v = c.value(iCampo);
    if (f > 0 && v.isNumber()) {
      const double peso = ncum <= 100 ? f : f - (ncum - 100);
      s += peso * v.number();
      w += peso;
    }
    if (terminado) break;
    c.findPrevious(criterio);
    if (c.noMatch()) break;
  }
  return w != 0 ? s / w : 0;
}

double MediaPonderada(store::Cursor& c, const shell::EstadoAplicacion& e, std::int32_t posicion,
                      int especie, float clase, const char* campo) {
  const std::string criterio = CriterioArboles(e, posicion, especie, clase);
  double w = 0, s = 0;
  const int iFactor = c.fieldIndex("FACTOREXP"), iCampo = c.fieldIndex(campo);
  for (c.findFirst(criterio); !c.noMatch(); c.findNext(criterio)) {
    const store::Value v = c.value(iCampo);
    if (!v.isNumber()) continue;
    const double f = factorDe(e, c.value(iFactor));
    w += f;
    s += f * v.number();
  }
  return w != 0 ? s / w : 0;
}

}  // namespace

std::string CriterioArboles(const shell::EstadoAplicacion& e, std::int32_t posicion, int especie,
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

double AlturaDominante(store::Cursor& c, const shell::EstadoAplicacion& e, std::int32_t posicion,
                       int especie) {
  return MediaDominante(c, e, posicion, especie, "ALTURA");
}

double DiametroDominante(store::Cursor& c, const shell::EstadoAplicacion& e, std::int32_t posicion,
                         int especie) {
  return MediaDominante(c, e, posicion, especie, "DN");
}

double AlturaMedia(store::Cursor& c, const shell::EstadoAplicacion& e, std::int32_t posicion,
                   int especie, float clase) {
  return MediaPonderada(c, e, posicion, especie, clase, "ALTURA");
}

double DiametroMedio(store::Cursor& c, const shell::EstadoAplicacion& e, std::int32_t posicion,
                     int especie, float clase) {
  return MediaPonderada(c, e, posicion, especie, clase, "DN");
}

double IndiceHart(const shell::OpcionesCalculo& o, float N, float Ho) {
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

double IndiceReineke(const shell::OpcionesCalculo& o, float N, float Dg) {
  if (Dg == 0) return 0;
  return static_cast<double>(N) * std::pow(25.0 / static_cast<double>(Dg), o.BetaReineke);
}

double RedondeoPar(double v, int decimales) {
  const double escala = std::pow(10.0, decimales);
  return std::nearbyint(v * escala) / escala;
}

float ClaseDiametrica(float DN, float ancho) {
  if (!(ancho > 0)) return 0;
  float L = ancho / 2;
  while (L <= DN) {
    const float siguiente = L + ancho;  // single precision, as the sum is kept
    if (DN < siguiente) break;
    L = siguiente;
  }
  const float marca = L + ancho / 2;
  return static_cast<float>(RedondeoPar(marca, 1));
}

}  // namespace arbelio::calc
