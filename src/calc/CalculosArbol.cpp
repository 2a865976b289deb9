#include "calc/CalculosArbol.h"

#include <array>
#include <cmath>
#include <exception>
#include <future>
#include <mutex>
#include <vector>

#include "calc/Dasometria.h"
#include "calc/OpcionesCalculo.h"
#include "calc/TablasResultado.h"
#include "equations/EcuacionesKAV.h"
#include "equations/EcuacionesUsuario.h"
#include "import/MEspeci.h"
#include "import/PiesPorParcela.h"
#include "inventory/Constantes.h"
#include "shell/Progreso.h"
#include "store/Paralelo.h"
#include "store/StoreError.h"

namespace arbelio::calc {

namespace {

using inventory::kPi;

bool excluido(const EstadoAplicacion& e, const store::Value& prov, const store::Value& est,
              const store::Value& num) {
  if (e.PiesExcluidos.empty() || e.PiesExcluidos.front().provincia == 0) return false;
  if (!prov.isNumber() || !est.isNumber() || !num.isNumber()) return false;
  for (const auto& p : e.PiesExcluidos) {
    if (p.numorden == num.number() && p.estadillo == est.number() && p.provincia == prov.number()) {
      return true;
    }
  }
  return false;
}

void contador(const EstadoAplicacion& e, shell::Progreso& progreso, std::int64_t n) {
  progreso.posicion(std::to_string(n));
  if (n <= e.NumeroPies && e.NumeroPies > 0) {
    progreso.barra(static_cast<int>(RedondeoPar(100.0 * n / e.NumeroPies, 0)));
  }
}

}  // namespace

equations::VariablesMarcadas VariablesDeOpciones(const EstadoAplicacion& e) {
  equations::VariablesMarcadas m;
  m.vcc = e.VariablesUnidades[0].calcular == "SI";
  m.vsc = e.VariablesUnidades[1].calcular == "SI";
  m.iavc = e.VariablesUnidades[2].calcular == "SI";
  m.vle = e.VariablesUnidades[3].calcular == "SI";
  return m;
}

ResultadoPasada CalculosArbolIndividual(EstadoAplicacion& e, shell::Interaccion& ui,
                                        store::Database& trabajo, store::Database& salida) {
  shell::Progreso progreso(ui);
  e.VolumenesIncompletos = false;
  e.PiesSinDiametroValido = 0;
  store::Cursor pies = trabajo.openCursor("PIESMA00", store::CursorKind::Snapshot);
  if (pies.recordCount() == 0) {
    ui.aviso("Ningun Registro");
    return ResultadoPasada::SinRegistros;
  }
  store::Cursor arboles = salida.openCursor(NombreTabla(e, TablaResultado::AIndiv));
  // The run's dialog: shown here, hidden by the run at its end.
  progreso.mostrar("Progreso de cálculos", "Calculando...", true);
  progreso.calculos("cálculos de árbol individual");
  progreso.posicion("0");
  progreso.barra(0);
  progreso.ceder();

  const auto& o = e.opciones;
  const bool corcho = o.CalcularSDCH || o.CalcularIDCH;
  // Field positions resolved once for the whole pass.
  const int pProv = pies.fieldIndex("Provincia"), pEst = pies.fieldIndex("Estadillo"),
            pNum = pies.fieldIndex("NUMORDEN"), pEsp = pies.fieldIndex("Especie"),
            pForma = pies.fieldIndex("forma"), pCal = pies.fieldIndex("calidad"),
            pParam = pies.fieldIndex("PARAMESP"), pD1 = pies.fieldIndex("DIAMETRO1"),
            pD2 = pies.fieldIndex("DIAMETRO2"), pAlt = pies.fieldIndex("ALTURA");
  const int aProv = arboles.fieldIndex("PROVINCIA"), aPar = arboles.fieldIndex("PARCELA"),
            aNum = arboles.fieldIndex("NUMORDEN"), aEsp = arboles.fieldIndex("ESPECIE"),
            aForma = arboles.fieldIndex("FORMA"), aCal = arboles.fieldIndex("CALIDAD"),
            aParam = arboles.fieldIndex("PARAMESP"), aDN = arboles.fieldIndex("DN"),
            aFac = arboles.fieldIndex("FACTOREXP"), aSN = arboles.fieldIndex("SN"),
            aCN = arboles.fieldIndex("CN"), aCD = arboles.fieldIndex("CD"),
            aAlt = arboles.fieldIndex("ALTURA"), aLDCH = arboles.fieldIndex("LDCH"),
            aSDCH = arboles.fieldIndex("SDCH"), aIDCH = arboles.fieldIndex("IDCH");
  const std::size_t largo = arboles.recordLength();

  // Each tree's row of AIndiv depends on that tree alone, so a stretch of trees is built in two
  // halves at once, each into its own records, and the records are then appended in tree order:
  // the table is the one a tree-by-tree pass writes. A value that does not fit its field leaves
  // it blank (the tolerant steps) or stops the pass (the rest), as it did tree by tree.
  // Each half on its own cache lines: the two threads update their counters and lists at once.
  struct alignas(64) Mitad {
    std::vector<char> registros;
    std::size_t filas = 0;
    std::int64_t contados = 0;  // trees not excluded
    std::int64_t sinDiametro = 0;
  };
  const auto arbol = [&](std::uint32_t fila, Mitad& m) {
    // Each field of a tree is read once: no column of the working table is decoded for the pass.
    const auto leer = [&](int i) {
      return i < 0 ? store::Value() : pies.valueOfRow(fila, i, true);
    };
    const store::Value prov = leer(pProv);
    const store::Value est = leer(pEst);
    const store::Value num = leer(pNum);
    if (excluido(e, prov, est, num)) return;
    ++m.contados;

    // The diameter decides whether the tree enters the table at all.
    const store::Value d1 = leer(pD1);
    const store::Value d2 = leer(pD2);
    float dn = 0;
    bool conDiametro = false;
    try {
      dn = static_cast<float>((d2.toDouble() + d1.toDouble()) / 20.0);
      conDiametro = std::isfinite(dn) && dn >= 7.5f;
    } catch (const store::StoreError&) {
    }
    if (!conDiametro) {
      ++m.sinDiametro;
      return;
    }

    m.registros.insert(m.registros.end(), largo, ' ');
    char* registro = m.registros.data() + m.filas * largo;
    const store::RegistroNuevo nuevo(arboles, registro);
    PasoTolerante([&] { nuevo.setValue(aProv, prov); });
    PasoTolerante([&] { nuevo.setValue(aPar, est); });
    PasoTolerante([&] { nuevo.setValue(aNum, num); });
    const store::Value especie = leer(pEsp);
    PasoTolerante([&] { nuevo.setValue(aEsp, especie); });
    PasoTolerante([&] { nuevo.setValue(aForma, leer(pForma)); });
    PasoTolerante([&] { nuevo.setValue(aCal, leer(pCal)); });
    const store::Value paramesp = leer(pParam);
    PasoTolerante([&] { nuevo.setValue(aParam, paramesp); });
    nuevo.setValue(aDN, dn);
    nuevo.setValue(aFac, import::ClaseDiametrica(dn));
    const float sn = static_cast<float>(static_cast<double>(dn) * dn / 4 * kPi);
    const float cn = static_cast<float>(static_cast<double>(dn) * kPi);
    nuevo.setValue(aSN, sn);
    nuevo.setValue(aCN, cn);
    PasoTolerante([&] { nuevo.setValue(aCD, ClaseDiametrica(dn, o.AnchoClase)); });
    // The height is converted as a number directly.
    PasoTolerante([&] {
      const store::Value h = leer(pAlt);
      if (!h.isNull()) nuevo.setValue(aAlt, h.toDouble());
    });
    if (corcho && especie.isNumber() && especie.number() == 46 && paramesp.isText()) {
      // Stripping height from the last two characters of PARAMESP; a blank PARAMESP (null)
      // gives no cork values.
      const std::string& t = paramesp.text();
      const float ldch = static_cast<float>(
          LeerNumeroComoVal(t.size() >= 2 ? std::string_view(t).substr(t.size() - 2) : t));
      PasoTolerante([&] { nuevo.setValue(aLDCH, ldch); });
      if (o.CalcularSDCH) {
        PasoTolerante([&] { nuevo.setValue(aSDCH, static_cast<double>(cn) / 10 * ldch); });
      }
      if (o.CalcularIDCH) {
        PasoTolerante([&] {
          nuevo.setValue(aIDCH, static_cast<double>(cn) * (static_cast<double>(ldch) * 10) /
                                    static_cast<double>(sn));
        });
      }
    }
    ++m.filas;
  };

  // The rows of the trees of the plots gathered so far, built and appended a stretch at a time;
  // the counter, the yield to the window and the cancel button go by stretches.
  constexpr std::size_t kArbolesPorTramo = 1u << 15;
  std::vector<std::uint32_t> tramo;
  std::array<Mitad, 2> mitades;
  std::int64_t n = 0;
  const auto construirTramo = [&] {
    for (Mitad& m : mitades) {
      m.registros.clear();
      m.filas = 0;
      m.contados = m.sinDiametro = 0;
    }
    store::EnPartes(tramo.size(), 2, [&](std::size_t k, std::size_t desde, std::size_t hasta) {
      for (std::size_t i = desde; i < hasta; ++i) arbol(tramo[i], mitades[k]);
    });
    arboles.appendRecords({{mitades[0].registros.data(), mitades[0].filas},
                           {mitades[1].registros.data(), mitades[1].filas}});
    for (const Mitad& m : mitades) {
      n += m.contados;
      e.PiesSinDiametroValido += static_cast<int>(m.sinDiametro);
    }
    tramo.clear();
    contador(e, progreso, n);
    progreso.ceder();
  };
  // The trees of each plot in table order, taken in one walk instead of a find per plot; a plot
  // number the walk cannot hold (below 1) is found as before.
  import::PiesPorParcela porParcela(pies);
  const std::int32_t numero = e.ListaParcelas.vacia() ? 0 : e.ListaParcelas.numero;
  for (std::int32_t i = 1; i <= numero; ++i) {
    if (!progreso.continuar()) return ResultadoPasada::Cancelada;
    const auto& parcela = e.ListaParcelas.entradas[static_cast<std::size_t>(i)];
    if (parcela.provincia >= 1 && parcela.estadillo >= 1) {
      const auto [desde, hasta] = porParcela.De(parcela.provincia, parcela.estadillo);
      for (auto pie = desde; pie != hasta; ++pie) tramo.push_back(pies.rowIdAt(pie->second));
    } else {
      const std::string criterio = "PROVINCIA=" + std::to_string(parcela.provincia) +
                                   " AND ESTADILLO=" + std::to_string(parcela.estadillo);
      for (pies.findFirst(criterio); !pies.noMatch(); pies.findNext(criterio))
        tramo.push_back(pies.rowIdAt(pies.absolutePosition()));
    }
    if (tramo.size() >= kArbolesPorTramo) construirTramo();
  }
  construirTramo();
  arboles.close();
  pies.close();
  return ResultadoPasada::Completa;
}

namespace {

void AplicarEcuacionesUsuario(EstadoAplicacion& e, shell::Interaccion& ui,
                              store::Database& salida) {
  const auto ecuaciones = equations::CargarEcuacionesUsuario(
      equations::UbicacionEcuacionesUsuario{e.rutas.BDOut, e.rutas.BDEstruct, e.SufijoTablas});
  if (ecuaciones.empty()) return;
  store::Cursor arboles =
      salida.openCursor("SELECT * FROM [" + NombreTabla(e, TablaResultado::AIndiv) + "]");
  for (const auto& q : ecuaciones) {
    // Checked and compiled once; evaluated per tree with the values a call text carries.
    equations::EcuacionUsuarioPreparada preparada(e.ecuaciones, q, VariablesDeOpciones(e));
    if (!preparada.valida()) {
      if (!preparada.mensaje().empty()) ui.aviso(preparada.mensaje());
      continue;
    }
    const std::string destino = equations::CampoDeVariable(q.conjunto.variable);
    const int iDestino = destino.empty() ? -1 : arboles.fieldIndex(destino);
    if (iDestino < 0) continue;
    std::vector<int> campos;
    for (const auto& campo : preparada.campos()) {
      campos.push_back(campo.empty() ? -1 : arboles.fieldIndex(campo));
    }
    std::string criterio = "ESPECIE=" + std::to_string(q.conjunto.especie);
    if (q.conjunto.forma != 0) criterio += " AND FORMA=" + std::to_string(q.conjunto.forma);
    if (q.conjunto.calidad != 0) criterio += " AND CALIDAD=" + std::to_string(q.conjunto.calidad);
    std::vector<std::optional<double>> valores(campos.size());
    for (arboles.findFirst(criterio); !arboles.noMatch(); arboles.findNext(criterio)) {
      for (std::size_t k = 0; k < campos.size(); ++k) {
        const store::Value v = campos[k] < 0 ? store::Value() : arboles.value(campos[k]);
        valores[k] = v.isNumber() ? std::optional<double>(v.number()) : std::nullopt;
      }
      // A later equation overrides an earlier one; a failed evaluation leaves the field as is.
      const std::optional<double> valor = preparada.Evaluar(valores);
      if (!valor) continue;
      try {
        arboles.edit();
        arboles.setValue(iDestino, *valor);
        arboles.update();
      } catch (const store::StoreError&) {
        arboles.cancelUpdate();
      }
    }
  }
}

void AplicarEcuacionesKAV(EstadoAplicacion& e, shell::Interaccion& ui, store::Database& salida,
                          FuenteEcuacionesKAV& kav) {
  store::Cursor arboles =
      salida.openCursor("SELECT * FROM [" + NombreTabla(e, TablaResultado::AIndiv) + "]");
  shell::Progreso progreso(ui);
  progreso.mostrar("Progreso de cálculos", "Calculando...", true);
  progreso.posicion("0");
  progreso.calculos("cálculos de árbol individual, según ecuaciones.");
  progreso.barra(0);
  progreso.ceder();
  const auto variables = VariablesMarcadas(e);
  const std::int64_t total =
      static_cast<std::int64_t>(e.NumeroPies) * static_cast<std::int64_t>(variables.size());
  // The marked variables that have a column, in their order. One walk over the trees computes
  // them all: each tree's values depend on that tree alone (a later variable reads the VCC just
  // stored for it), so the stored results are those of one walk per variable.
  struct Objetivo {
    std::string variable;
    int columna;
    bool numerica = false;
    std::size_t desde = 0, ancho = 0;  // where the field lies in a record
  };
  std::vector<Objetivo> objetivos;
  for (const auto& variable : variables) {
    const std::string campo = equations::CampoDeVariable(variable);
    const int idx = campo.empty() ? -1 : arboles.fieldIndex(campo);
    if (idx >= 0) {
      const store::FieldDef& f = arboles.field(idx);
      objetivos.push_back({variable, idx, f.dbfType == 'N' || f.dbfType == 'F',
                           arboles.fieldOffset(idx), static_cast<std::size_t>(f.dbfLength)});
    }
  }
  const int iProv = arboles.fieldIndex("PROVINCIA"), iEsp = arboles.fieldIndex("ESPECIE"),
            iForma = arboles.fieldIndex("FORMA"), iParam = arboles.fieldIndex("PARAMESP"),
            iDN = arboles.fieldIndex("DN"), iAlt = arboles.fieldIndex("ALTURA"),
            iVCC = arboles.fieldIndex("VCC");
  if (objetivos.empty()) {
    progreso.ceder();
    return;
  }

  // The trees are taken a stretch at a time in two halves at once, each half with its own copy
  // of the equations (they keep caches), when the source can give a second one. A half reads its
  // trees, evaluates and encodes the values into its own list of writes; the two lists are then
  // written at once (they write different trees). What a tree's later variable reads of its VCC
  // is what the field holds after the VCC just computed for it is stored.
  const std::size_t largo = arboles.recordLength();
  struct Escritura {
    std::uint32_t fila;
    int columna;
    std::size_t bytes;             // where the field's encoded bytes start in Mitad::bytes
    std::optional<double> numero;  // what they read as, for a numeric field
  };
  // Each half on its own cache lines: the two threads update their counters and lists at once.
  struct alignas(64) Mitad {
    FuenteEcuacionesKAV* fuente = nullptr;
    std::vector<char> registro;  // where a value is encoded
    std::vector<Escritura> escrituras;
    std::vector<char> bytes;
    std::int64_t calculados = 0;
  };
  std::unique_ptr<FuenteEcuacionesKAV> segunda = kav.OtraFuente();
  std::array<Mitad, 2> mitades;
  mitades[0].fuente = &kav;
  mitades[1].fuente = segunda.get();
  for (Mitad& h : mitades) h.registro.assign(largo, ' ');
  const auto arbol = [&](std::uint32_t fila, Mitad& h) {
    // Each field of a tree is read once: no column of AIndiv is decoded for the pass.
    const auto leer = [&](int i) {
      return i < 0 ? store::Value() : arboles.valueOfRow(fila, i, true);
    };
    const auto vacio = [&](int i) {
      double x = 0;
      if (arboles.numberOfRow(fila, i, x, true)) return std::isnan(x);
      return leer(i).isNull();
    };
    ArbolKAV a;
    bool leido = false;
    std::optional<store::Value> vccGuardado;
    for (const Objetivo& o : objetivos) {
      if (!vacio(o.columna)) continue;  // set by a user equation
      if (!leido) {
        a.provincia = leer(iProv);
        a.especie = leer(iEsp);
        a.forma = leer(iForma);
        a.paramesp = leer(iParam);
        a.dn = leer(iDN);
        a.altura = leer(iAlt);
        leido = true;
      }
      if (iVCC >= 0) a.vcc = vccGuardado ? *vccGuardado : leer(iVCC);
      const std::optional<double> v = h.fuente->Valor(a, o.variable);
      if (!v) continue;
      ++h.calculados;
      double numero = 0;
      try {
        if (o.numerica) {
          numero = arboles.encodeNumberField(o.columna, *v, h.registro.data());
        } else {
          arboles.encodeField(o.columna, *v, h.registro.data());
        }
      } catch (const store::StoreError&) {
        continue;  // refused: the field stays as it was
      }
      const char* campo = h.registro.data() + o.desde;
      // Filled in place: a write built apart and copied in, its optional number just stored,
      // stalls the processor on every value.
      Escritura& w = h.escrituras.emplace_back();
      w.fila = fila;
      w.columna = o.columna;
      w.bytes = h.bytes.size();
      if (o.numerica) w.numero = numero;
      h.bytes.insert(h.bytes.end(), campo, campo + o.ancho);
      if (o.columna == iVCC) {
        // What the field reads once stored: the number just read back, or the field's text.
        vccGuardado = !o.numerica          ? arboles.decodeField(iVCC, h.registro.data())
                      : std::isnan(numero) ? store::Value()
                                           : store::Value(numero);
      }
    }
  };

  constexpr std::size_t kArbolesPorTramo = 1u << 15;
  std::vector<std::uint32_t> filas(static_cast<std::size_t>(arboles.recordCount()));
  for (std::size_t i = 0; i < filas.size(); ++i)
    filas[i] = arboles.rowIdAt(static_cast<std::int64_t>(i));
  std::int64_t m = 0;
  std::vector<std::vector<store::Cursor::EncodedWrite>> listas(mitades.size());
  for (std::size_t desde = 0; desde < filas.size(); desde += kArbolesPorTramo) {
    const std::size_t hasta = std::min(filas.size(), desde + kArbolesPorTramo);
    for (Mitad& h : mitades) {
      h.escrituras.clear();
      h.bytes.clear();
      h.calculados = 0;
    }
    for (auto& lista : listas) lista.clear();
    store::EnPartes(hasta - desde, segunda ? 2 : 1,
                    [&](std::size_t k, std::size_t primera, std::size_t ultima) {
                      Mitad& h = mitades[k];
                      for (std::size_t i = desde + primera; i < desde + ultima; ++i)
                        arbol(filas[i], h);
                      for (const Escritura& w : h.escrituras) {
                        store::Cursor::EncodedWrite& escritura = listas[k].emplace_back();
                        escritura.rowId = w.fila;
                        escritura.field = w.columna;
                        escritura.bytes = h.bytes.data() + w.bytes;
                        escritura.numero = w.numero;
                      }
                    });
    arboles.writeEncodedLists(listas);
    for (const Mitad& h : mitades) m += h.calculados;
    progreso.posicion(std::to_string(m));
    if (total > 0) {
      int barra = static_cast<int>(RedondeoPar(100.0 * m / total, 0));
      if (barra >= 100) barra = 0;
      progreso.barra(barra);
    }
    progreso.ceder();
  }
  progreso.ceder();
}

}  // namespace

namespace {

// The installed inventory equation database as the equation pass's source.
class FuenteKAVInstalada : public FuenteEcuacionesKAV {
 public:
  explicit FuenteKAVInstalada(equations::EcuacionesKAV kav) : kav_(std::move(kav)) {}
  // The same equations over the tables this one loaded: their own cursors and caches.
  std::unique_ptr<FuenteEcuacionesKAV> OtraFuente() const override {
    return std::make_unique<FuenteKAVInstalada>(kav_.Copia());
  }
  std::optional<double> Valor(const ArbolKAV& a, const std::string& variable) override {
    equations::ArbolParaEcuacion t;
    if (!a.provincia.isNumber() || !a.especie.isNumber()) return std::nullopt;
    t.provincia = static_cast<int>(a.provincia.number());
    t.especie = static_cast<int>(a.especie.number());
    if (a.forma.isNumber()) t.forma = static_cast<int>(a.forma.number());
    if (a.paramesp.isText()) t.paramesp = a.paramesp.text();
    if (a.dn.isNumber()) t.dn = a.dn.number();
    if (a.altura.isNumber()) t.altura = a.altura.number();
    if (a.vcc.isNumber()) t.vcc = a.vcc.number();
    return kav_.VolumenKAV(t, variable);
  }

 private:
  equations::EcuacionesKAV kav_;
};

}  // namespace

std::unique_ptr<FuenteEcuacionesKAV> AbrirFuenteKAV(const std::string& carpetaPrograma) {
  return std::make_unique<FuenteKAVInstalada>(equations::AbrirEcuacionesKAV(carpetaPrograma));
}

AperturaKAV PrepararAperturaKAV(const std::string& carpetaPrograma) {
  // Shared by both calls and their copies; the first call opens, a second one waits for it.
  struct Apertura {
    std::string carpeta;
    std::once_flag una;
    std::unique_ptr<FuenteEcuacionesKAV> fuente;
    std::exception_ptr error;
    void abrir() {
      std::call_once(una, [this] {
        try {
          fuente = AbrirFuenteKAV(carpeta);
        } catch (...) {
          error = std::current_exception();
        }
      });
    }
  };
  auto a = std::make_shared<Apertura>();
  a->carpeta = carpetaPrograma;
  AperturaKAV r;
  r.tomar = [a] {
    a->abrir();
    if (a->error) std::rethrow_exception(a->error);
    return std::move(a->fuente);
  };
  r.abrir = [a] { a->abrir(); };
  return r;
}

EcuacionesKAVAbiertas AbrirFuenteKAVAntes(const std::string& carpetaPrograma) {
  AperturaKAV a = PrepararAperturaKAV(carpetaPrograma);
  // The opening's thread is waited for when the last copy of the function goes.
  auto hilo = std::make_shared<std::future<void>>(std::async(std::launch::async, a.abrir));
  return [hilo, tomar = std::move(a.tomar)] { return tomar(); };
}

void CalculosEcuaciones(EstadoAplicacion& e, shell::Interaccion& ui, store::Database& salida,
                        FuenteEcuacionesKAV* kav) {
  if (e.opciones.MetodoCalculo != 1) AplicarEcuacionesUsuario(e, ui, salida);
  if (e.opciones.MetodoCalculo != 3 && kav != nullptr) AplicarEcuacionesKAV(e, ui, salida, *kav);
}

}  // namespace arbelio::calc
