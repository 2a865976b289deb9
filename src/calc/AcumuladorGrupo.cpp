#include "calc/AcumuladorGrupo.h"

#include <algorithm>
#include <cmath>

#include "calc/Dasometria.h"
#include "calc/TablasResultado.h"
#include "shell/Progreso.h"

namespace arbelio::calc::detalle {

namespace {

double Factor(const EstadoAplicacion& e, const ArbolLeido& a) {
  return a.codigo == 0 ? 0.0 : static_cast<double>(e.FactoresExpansion[a.codigo]);
}

template <class Campo>
double MediaPonderada(const EstadoAplicacion& e, const Grupo& g, Campo campo) {
  MediaPonderadaPorFactor media;
  for (const ArbolLeido* a : g) {
    float v = 0;
    if (campo(*a, v)) media.anadir(Factor(e, *a), static_cast<double>(v));
  }
  return media.resultado();
}

// From the thickest tree of the group down, as the dominant walks go.
template <class Campo>
double MediaDominante(const EstadoAplicacion& e, const Grupo& g, Campo campo) {
  MediaDominantePorFactor media;
  for (auto it = g.rbegin(); it != g.rend(); ++it) {
    float v = 0;
    const bool conValor = campo(**it, v);
    if (!media.anadir(Factor(e, **it), conValor, static_cast<double>(v))) break;
  }
  return media.resultado();
}

bool CampoDN(const ArbolLeido& a, float& v) {
  v = a.dn;
  return a.conDN;
}

bool CampoAltura(const ArbolLeido& a, float& v) {
  v = a.altura;
  return a.conAltura;
}

}  // namespace

const ArbolesCalculo& ArbolesDeLaPasada(store::Database& salida, const EstadoAplicacion& estado,
                                        const ArbolesCalculo* compartidos,
                                        std::optional<ArbolesCalculo>& propios) {
  if (compartidos != nullptr) return *compartidos;
  propios.emplace(salida, estado);
  return *propios;
}

Grupo Seleccion(const Grupo& base, int especie, float clase) {
  Grupo g;
  for (const ArbolLeido* a : base) {
    if (especie != 0 && !(a->conEspecie && a->especie == especie)) continue;
    if (clase != 0 && !(a->conCD && a->cd == clase)) continue;
    g.push_back(a);
  }
  return g;
}

double MediaDiametro(const EstadoAplicacion& e, const Grupo& g) {
  return MediaPonderada(e, g, CampoDN);
}
double MediaAltura(const EstadoAplicacion& e, const Grupo& g) {
  return MediaPonderada(e, g, CampoAltura);
}
double DominanteDiametro(const EstadoAplicacion& e, const Grupo& g) {
  return MediaDominante(e, g, CampoDN);
}
double DominanteAltura(const EstadoAplicacion& e, const Grupo& g) {
  return MediaDominante(e, g, CampoAltura);
}

std::int32_t PosicionesParcelas(const EstadoAplicacion& estado) {
  const auto& l = estado.ListaParcelas;
  if (l.entradas.size() < 2 || l.vacia()) return 0;
  const auto enLista = static_cast<std::int64_t>(l.entradas.size()) - 1;
  return static_cast<std::int32_t>(std::min<std::int64_t>(l.numero, enLista));
}

double DiametroCuadratico(float N, float AB) {
  if (N == 0) return 0;
  return std::sqrt(40000.0 * static_cast<double>(AB) / (kPi * static_cast<double>(N)));
}

void EscribirParte(store::Cursor& fila, const char* columna, const store::Value& valor,
                   const store::Value& total) {
  if (!valor.isNumber() || !total.isNumber() || total.number() == 0) return;
  fila.setValue(columna, static_cast<float>(RedondeoPar(valor.number() * 100 / total.number(), 2)));
}

// ---------------------------------------------------------------------------------------------
// ContadorPasada

ContadorPasada::ContadorPasada(const EstadoAplicacion& estado, shell::Interaccion& ui,
                               const std::string& texto)
    : estado_(estado), progreso_(ui) {
  progreso_.posicion("0");
  progreso_.calculos(texto);
}

void ContadorPasada::Arbol() {
  ++contador_;
  if (contador_ > estado_.NumeroPies) return;
  // The bar only moves when its whole percentage changes.
  const int p = shell::Progreso::Porcentaje(contador_, estado_.NumeroPies);
  if (p != barra_) {
    barra_ = p;
    progreso_.barra(p);
  }
}

void ContadorPasada::Arboles(std::int64_t n) {
  if (n <= 0) return;
  // The percentage never falls as the count grows: when the last count (up to NumeroPies) shows
  // the percentage already on the bar, every count in between shows it too, and tree by tree
  // the bar would not move (before the first tree the bar shows none).
  const std::int64_t fin = contador_ + n;
  if (shell::Progreso::Porcentaje(std::min<std::int64_t>(fin, estado_.NumeroPies),
                                  estado_.NumeroPies) == barra_) {
    contador_ = fin;
    return;
  }
  for (std::int64_t k = 0; k < n; ++k) Arbol();
}

void ContadorPasada::Fila() {
  progreso_.posicion(std::to_string(contador_));
}

// ---------------------------------------------------------------------------------------------
// ColumnasResultado

ColumnasResultado::ColumnasResultado(const store::Cursor& c)
    : provincia(c.fieldIndex("PROVINCIA")),
      parcela(c.fieldIndex("PARCELA")),
      especie(c.fieldIndex("ESPECIE")),
      cd(c.fieldIndex("CD")),
      N(c.fieldIndex("N")),
      NTP(c.fieldIndex("NTP")),
      AB(c.fieldIndex("AB")),
      ABTP(c.fieldIndex("ABTP")),
      Dg(c.fieldIndex("Dg")),
      Dm(c.fieldIndex("Dm")),
      Do(c.fieldIndex("Do")),
      Hm(c.fieldIndex("Hm")),
      Ho(c.fieldIndex("Ho")) {
  for (std::size_t v = 0; v < kVolumenes.size(); ++v) volumen[v] = c.fieldIndex(kVolumenes[v]);
}

// ---------------------------------------------------------------------------------------------
// AcumuladorGrupo

AcumuladorGrupo::AcumuladorGrupo(const EstadoAplicacion& estado) : estado_(estado) {
  for (std::size_t v = 0; v < kVolumenes.size(); ++v) {
    marcado_[v] = VariableMarcada(estado, kVolumenes[v]);
  }
}

void AcumuladorGrupo::Acumular(const Grupo& g) {
  cuenta_ = {};
  seccion_ = {};
  volumen_ = {};
  falta_ = {};
  for (const ArbolLeido* a : g) {
    // A tree without a valid plot-circle code stands for no trees per hectare: the tree pass
    // keeps such trees out of the table, and one that got in anyway adds nothing.
    if (a->codigo == 0) continue;
    const std::size_t c = a->codigo;
    ++cuenta_[c];
    if (a->conSN) seccion_[c] += a->sn;
    for (std::size_t v = 0; v < kVolumenes.size(); ++v) {
      if (!marcado_[v]) continue;
      if (a->conVolumen[v]) {
        volumen_[v][c] += a->volumen[v];
      } else {
        falta_[v] = true;
      }
    }
  }
}

AcumuladorGrupo::Valores AcumuladorGrupo::Calcular() const {
  const auto& f = estado_.FactoresExpansion;
  double N = 0, AB = 0;
  for (std::size_t c = 1; c <= 4; ++c) {
    N += static_cast<double>(cuenta_[c]) * static_cast<double>(f[c]);
    AB += static_cast<double>(seccion_[c]) * static_cast<double>(f[c]) / 10000.0;
  }
  Valores r;
  r.N = static_cast<float>(N);
  r.AB = static_cast<float>(RedondeoPar(AB, 5));
  for (std::size_t v = 0; v < kVolumenes.size(); ++v) {
    if (!marcado_[v] || falta_[v]) continue;
    double total = 0;
    for (std::size_t c = 1; c <= 4; ++c) {
      total += static_cast<double>(volumen_[v][c]) * static_cast<double>(f[c]) / 1000.0;
    }
    r.conVolumen[v] = true;
    r.volumen[v] = static_cast<float>(total);
  }
  return r;
}

}  // namespace arbelio::calc::detalle
