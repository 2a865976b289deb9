#include "calc/HazCalculos.h"

#include <set>

#include "calc/CalculosParcela.h"
#include "calc/EstadisticosMuestreo.h"
#include "calc/OpcionesCalculo.h"
#include "cut/GenerarSufijo.h"
#include "inventory/TablasInventario.h"
#include "shell/EjecutarOrden.h"
#include "shell/EspacioTrabajo.h"
#include "shell/Progreso.h"
#include "store/FileOps.h"
#include "store/Memoria.h"

namespace arbelio::calc {

namespace {

std::string ruta(const std::string& carpeta, const std::string& archivo) {
  return carpeta + "/" + archivo;
}

// A failed run says "Error " and the failure's description.
shell::FalloOrden FalloCalculo() {
  return shell::FalloOrden::Prefijo("Error ", shell::IconoMensaje::Exclamacion);
}

}  // namespace

std::array<bool, 9> TablasNecesarias(const std::array<bool, 9>& s) {
  std::array<bool, 9> t = s;
  t[kAIndiv] = true;
  if (t[kSpecie]) t[kSpPar] = t[kParcel] = t[kTotals] = true;
  if (t[kCldiam]) t[kCdPar] = t[kParcel] = t[kTotals] = true;
  if (t[kSpPar] || t[kTotals]) t[kParcel] = true;
  return t;
}

std::string AvisoPiesSinDiametro(std::int32_t n) {
  return std::to_string(n) +
         " pies mayores sin diámetro válido (nulo o menor de 7,5 cm) no se han incluido en los "
         "cálculos.";
}

std::vector<inventory::Parcela> ParcelasDeDatDef00(store::Database& trabajo) {
  std::vector<inventory::Parcela> parcelas;
  std::set<std::pair<std::int16_t, std::int16_t>> vistas;
  store::Cursor c = trabajo.openCursor("DATDEF00", store::CursorKind::ForwardOnly);
  const int cProv = c.fieldIndex("Provincia"), cEst = c.fieldIndex("Estadillo");
  for (; !c.eof(); c.moveNext()) {
    const auto prov = inventory::ClaveDeParcela(c.value(cProv));
    const auto est = inventory::ClaveDeParcela(c.value(cEst));
    // Rows without a usable key (reported when the database was selected) are left out, and a
    // plot listed twice is computed once.
    if (!prov || !est || !vistas.insert({*prov, *est}).second) continue;
    parcelas.push_back({*prov, *est});
  }
  return parcelas;
}

void PrepararCalculo(EstadoAplicacion& e, shell::Interaccion& ui, const EntornoCalculo& entorno) {
  const auto& r = e.rutas;
  const bool hayBaseTrabajo = !store::findFileNoCase(r.BDTemp, "Datdef00.dbf").empty();
  if (e.ListaParcelas.vacia() || !hayBaseTrabajo) {
    shell::RelojArena reloj(ui);
    if (!hayBaseTrabajo && entorno.generarBaseTrabajo) entorno.generarBaseTrabajo();
    // The run computes this working database: no other database may join the selection now
    // (it would be listed but never computed).
    e.menus.alPrepararCalculo();
    e.SufijoTablas = cut::GenerarSufijo(entorno.aleatorio);
    store::Database trabajo = store::Database::open(r.BDTemp);
    {
      store::Cursor c = trabajo.openCursor("SELECT Sum(NUMPMA) as NumTodosPies FROM DATDEF00");
      const store::Value v = c.value("NumTodosPies");
      e.NumeroPies = v.isNull() ? 0 : v.toInt32();
    }
    {
      // The plots of the working table, each once: its count is the number of plots.
      std::vector<inventory::Parcela> parcelas = ParcelasDeDatDef00(trabajo);
      e.NumeroParcelas = static_cast<std::int32_t>(parcelas.size());
      if (!parcelas.empty()) {
        e.ListaParcelas.entradas.assign(1, inventory::Parcela{});
        e.ListaParcelas.entradas.insert(e.ListaParcelas.entradas.end(), parcelas.begin(),
                                        parcelas.end());
        e.ListaParcelas.numero = static_cast<std::int32_t>(parcelas.size());
      }
    }
    trabajo.close();
    for (const auto& nombre : e.NombresTablas) {
      const std::string destino = ruta(r.BDOut, nombre + e.SufijoTablas + ".dbf");
      if (store::fileExists(destino)) store::deleteFile(destino);
      store::copyFile(ruta(r.BDEstruct, nombre + ".dbf"), destino);
    }
  } else {
    for (const auto& nombre : e.NombresTablas) {
      const std::string destino = ruta(r.BDOut, nombre + e.SufijoTablas + ".dbf");
      if (!store::fileExists(destino)) store::copyFile(ruta(r.BDEstruct, nombre + ".dbf"), destino);
    }
  }
  // The memo file of the cut information table comes with its template.
  const std::string dbt = ruta(r.BDEstruct, "InfCor.dbt");
  const std::string destinoDbt = ruta(r.BDOut, "InfCor" + e.SufijoTablas + ".dbt");
  if (store::fileExists(dbt) && !store::fileExists(destinoDbt)) store::copyFile(dbt, destinoDbt);
}

ResultadoCalculo HazCalculos(EstadoAplicacion& e, shell::Interaccion& ui,
                             const EntornoCalculo& entorno) {
  ResultadoCalculo res;
  // A cut emptied by hand is not "no cut": computing every plot of the working database
  // instead would be a result the user did not ask for.
  if (e.CorteVaciado()) {
    ui.aviso(cut::kCorteVaciado, shell::IconoMensaje::Informacion);
    res.cancelado = true;
    return res;
  }
  const bool completa = shell::EjecutarOrden(ui, FalloCalculo(), [&] {
    if (entorno.descargarVisor) entorno.descargarVisor();
    // The run's progress dialog: the tree pass shows it, every pass works in it, and it is
    // hidden here at the end, or when a failure leaves this scope.
    shell::Progreso progreso(ui, shell::Progreso::Papel::Operacion);
    // The installed inventory equations are opened on another thread while the run is
    // prepared; they are taken (and a failure to open them stops the run) before the tree pass,
    // as if opened there.
    EcuacionesKAVAbiertas kavAbierta;
    if (e.opciones.MetodoCalculo != 3) {
      kavAbierta = entorno.abrirEcuacionesKAV ? entorno.abrirEcuacionesKAV
                                              : AbrirFuenteKAVAntes(e.rutas.carpetaDatos);
    }
    e.SufijoCalculos = e.SufijoTablas;
    shell::LimpiarBDOUT(e, ui);
    PrepararCalculo(e, ui, entorno);
    store::Database trabajo = store::Database::open(e.rutas.BDTemp);
    store::Database salida = store::Database::open(e.rutas.BDOut);
    bool hechas = false;
    if (progreso.continuar()) {
      CrearTablaResultado(salida, e, TablaResultado::AIndiv);
      res.tablas.push_back(TablaResultado::AIndiv);
      if (progreso.continuar()) {
        std::unique_ptr<FuenteEcuacionesKAV> kav;
        if (kavAbierta) kav = kavAbierta();
        const ResultadoPasada arbol = CalculosArbolIndividual(e, ui, trabajo, salida);
        // Nothing after the tree pass reads the working database: its tables (and their decoded
        // columns) leave memory now, before the equations and the breakdowns read AIndiv.
        trabajo.close();
        if (entorno.trabajoLeido) entorno.trabajoLeido();
        if (arbol == ResultadoPasada::Completa) CalculosEcuaciones(e, ui, salida, kav.get());
        kav.reset();
        res.piesCalculados =
            salida.openCursor(NombreTabla(e, TablaResultado::AIndiv)).recordCount();
        const auto tablas = TablasNecesarias(e.opciones.TablasCalcular);
        // The large tables no later step reads are written out as soon as they are complete and
        // leave memory, which then holds the next tables of the run: AIndiv once the passes have
        // its trees in memory, Cd_par after the class summary that reads it, Cdsp_p when it is
        // complete. They are written on another thread while the passes go on.
        //
        // The trees in memory serve the passes that walk them; after the last of those they are
        // dropped, and the memory they and the passes kept goes back to the system, for the
        // files written next (the tables released below and at the end) to take.
        int ultimaConArboles = -1;
        for (int indice : kOrdenPasadas) {
          const bool recorre = indice == kParcel || indice == kSpPar || indice == kCdPar ||
                               indice == kCdEsp || indice == kCdspP;
          if (recorre && tablas[static_cast<std::size_t>(indice)]) ultimaConArboles = indice;
        }
        if (entorno.arboles && ultimaConArboles >= 0) {
          entorno.arboles(e, salida);
          salida.releaseInBackground(NombreTabla(e, TablaResultado::AIndiv));
        }
        const int ultimaConCdPar = tablas[kCldiam] ? kCldiam : kCdPar;
        for (int indice : kOrdenPasadas) {
          if (!tablas[static_cast<std::size_t>(indice)]) continue;
          const auto t = kTodasLasTablas[static_cast<std::size_t>(indice)];
          CrearTablaResultado(salida, e, t);
          res.tablas.push_back(t);
          if (indice == kParcel) {
            CalculosParcela(e, ui, salida, entorno.arboles ? entorno.arboles(e, salida) : nullptr);
          } else if (entorno.pasadas[static_cast<std::size_t>(indice)]) {
            entorno.pasadas[static_cast<std::size_t>(indice)](e, ui, salida);
          }
          if (indice == ultimaConArboles && entorno.soltarArboles) {
            entorno.soltarArboles();
            store::DevuelveAreasLibres();
          }
          if (indice == ultimaConCdPar)
            salida.releaseInBackground(NombreTabla(e, TablaResultado::Cd_par));
          if (indice == kCdspP) salida.releaseInBackground(NombreTabla(e, TablaResultado::Cdsp_p));
        }
        // The sampling statistics come with Parcel, after Sp_par (their species rows).
        if (tablas[kParcel]) CalculosEstadisticos(e, ui, salida);
        hechas = true;
      }
    }
    // The areas the run freed and kept for its own later tables go back to the system, and the
    // tables still to be written give theirs as they are written: the files take that memory.
    // What the closed tables leave kept goes back too.
    store::DevuelveAreasLibres();
    salida.closeFreeingMemory();
    trabajo.close();
    store::DevuelveAreasLibres();
    if (hechas) {
      progreso.etiquetas(false, false, false);
      res.cancelado = progreso.terminar();
      ui.ceder();
      if (e.VolumenesIncompletos) ui.aviso(kAvisoVolumenesIncompletos);
      if (e.PiesSinDiametroValido > 0) ui.aviso(AvisoPiesSinDiametro(e.PiesSinDiametroValido));
      e.menus.alTerminarCalculo();
      if (!res.cancelado && entorno.mostrarVisor) entorno.mostrarVisor();
    } else {
      progreso.terminar();
      res.cancelado = true;
    }
  });
  if (!completa) res.cancelado = true;
  // A run that failed or was cancelled before that pass leaves no trees in memory either.
  if (entorno.soltarArboles) entorno.soltarArboles();
  return res;
}

ResultadoCalculo mnuCalCalcular_Click(EstadoAplicacion& e, shell::Interaccion& ui,
                                      const EntornoCalculo& entorno) {
  TablasCalculoRapido(e.opciones);
  return HazCalculos(e, ui, entorno);
}

bool mnuCalOpciones_Click(EstadoAplicacion& e, shell::Interaccion& ui,
                          const EntornoCalculo& entorno) {
  if (e.CorteVaciado()) {
    ui.aviso(cut::kCorteVaciado, shell::IconoMensaje::Informacion);
    return false;
  }
  return shell::EjecutarOrden(ui, FalloCalculo(), [&] {
    shell::RelojArena reloj(ui);
    PrepararCalculo(e, ui, entorno);
  });
}

}  // namespace arbelio::calc
