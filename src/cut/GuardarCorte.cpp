#include "cut/GuardarCorte.h"

#include <ctime>
#include <filesystem>
#include <set>
#include <tuple>

#include "cut/ListaParcelasCorte.h"
#include "import/ArchivosImport.h"
#include "shell/EjecutarOrden.h"
#include "shell/FuenteCursor.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::cut {

namespace fs = std::filesystem;

namespace {

std::string Dos(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

bool MismaCarpeta(const std::string& a, const std::string& b) {
  std::error_code ec;
  const bool iguales = fs::equivalent(a, b, ec);
  return !ec && iguales;
}

}  // namespace

std::string AvisoDescripcionCortada() {
  return "El comentario tiene más de " + std::to_string(kLargoDescripcion) +
         " caracteres: se guardan los " + std::to_string(kLargoDescripcion) + " primeros.";
}

MomentoCorte AhoraLocal() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string HoraCreac(const MomentoCorte& m) {
  const std::string hora = std::to_string(m.hora) + ":" + Dos(m.minuto) + ":" + Dos(m.segundo);
  return hora.substr(0, 5);
}

std::string FechaCreac(const MomentoCorte& m) {
  return std::to_string(m.anio) + Dos(m.mes) + Dos(m.dia);
}

bool GuardarTablasCorte(EstadoAplicacion& estado, shell::Interaccion& ui, shell::Progreso& progreso,
                        const std::string& comentario, const MomentoCorte& momento) {
  shell::FalloOrden fallo;
  fallo.texto = [](const shell::Fallo& f) {
    return "Error guardando corte  " + std::to_string(f.numero) + "\r\n" + f.descripcion;
  };
  return shell::EjecutarOrden(ui, fallo, [&] {
    const std::string& codigo = estado.SufijoTablas;
    const auto& rutas = estado.rutas;
    progreso.explicacion(" Se está guardando la base de datos\r\ndel corte  con el código '" +
                         codigo + "'.");
    // Each table starts empty with its template's layout, widened as its working table was
    // (so every value of the working table fits and the fields keep their positions).
    int barra = 0;
    for (const char* nombre : kTablasCorte) {
      const std::string plantilla = rutas.BDEstruct + "/" + nombre + ".dbf";
      const std::string destino = rutas.BDCorte + "/" + nombre + codigo + ".dbf";
      if (store::fileExists(destino)) store::deleteFile(destino);
      if (std::string(nombre) == "InfCor") {
        store::copyFile(plantilla, destino);
      } else {
        import::CreaTablaParaFuentes(
            plantilla, {import::RutaTabla(rutas.BDTemp, std::string(nombre) + "00.dbf")}, destino);
      }
      progreso.barra(++barra);
    }
    const std::string memo = rutas.BDCorte + "/InfCor" + codigo + ".dbt";
    if (store::fileExists(memo)) store::deleteFile(memo);
    store::copyFile(rutas.BDEstruct + "/InfCor.dbt", memo);
    progreso.barra(++barra);

    store::Database corte = store::Database::open(rutas.BDCorte);
    store::OpenOptions lectura;
    lectura.readOnly = true;
    store::Database trabajo = store::Database::open(rutas.BDTemp, lectura);
    std::vector<std::vector<store::Value>> claves;
    for (const inventory::Parcela& p : ParcelasDeLista(estado.ListaParcelas))
      claves.push_back({store::Value(p.provincia), store::Value(p.estadillo)});
    std::set<std::tuple<double, double, double>> excluidos;
    for (const inventory::Pie& p : estado.PiesExcluidos)
      if (p.provincia != 0) excluidos.insert({p.provincia, p.estadillo, p.numorden});

    for (std::size_t t = 0; t + 1 < kTablasCorte.size(); ++t) {
      const std::string nombre = kTablasCorte[t];
      store::Cursor fuente = trabajo.openCursor(nombre + "00", store::CursorKind::Snapshot);
      std::vector<std::uint32_t> filas =
          shell::FilasPorClaves(fuente, {"PROVINCIA", "ESTADILLO"}, claves);
      if (nombre == "Piesma" && !excluidos.empty()) {
        const int cProv = fuente.fieldIndex("PROVINCIA");
        const int cEst = fuente.fieldIndex("ESTADILLO");
        const int cNum = fuente.fieldIndex("NUMORDEN");
        std::erase_if(filas, [&](std::uint32_t id) {
          const store::Value n = fuente.valueOfRow(id, cNum);
          if (n.isNull()) return false;
          return excluidos.count({fuente.valueOfRow(id, cProv).toDouble(),
                                  fuente.valueOfRow(id, cEst).toDouble(), n.toDouble()}) != 0;
        });
      }
      corte.appendRows(nombre + codigo, fuente.withRows(std::move(filas)));
      barra += 14;
      progreso.barra(barra);
    }

    store::Cursor info = corte.openCursor("InfCor" + codigo, store::CursorKind::Table);
    info.addNew();
    info.setValue("DESCRIPCIO", store::Value(comentario));
    // The report goes into the memo line by line.
    const std::string& informe = estado.InformeCriterios;
    std::size_t inicio = 0;
    while (inicio < informe.size()) {
      std::size_t fin = informe.find("\r\n", inicio);
      fin = fin == std::string::npos ? informe.size() : fin + 2;
      info.appendChunk("CRITERIOS", std::string_view(informe).substr(inicio, fin - inicio));
      inicio = fin;
    }
    info.setValue("FECHACREAC", store::Value(FechaCreac(momento)));
    info.setValue("HORACREAC", store::Value(HoraCreac(momento)));
    info.setValue("NUMESTADIS", store::Value(estado.NumeroParcelas));
    info.setValue("NUMPIESMAS", store::Value(estado.NumeroPies));
    info.update();
    info.close();
    progreso.barra(100);
    corte.close();
  });
}

void CopiarCorte(const EstadoAplicacion& estado, const std::string& destino) {
  const std::string& origen = estado.rutas.BDCorte;
  if (MismaCarpeta(destino, origen)) return;
  const std::string& codigo = estado.SufijoTablas;
  std::vector<std::string> archivos;
  for (const char* nombre : kTablasCorte) archivos.push_back(std::string(nombre) + codigo + ".dbf");
  archivos.push_back("InfCor" + codigo + ".dbt");
  for (const std::string& archivo : archivos)
    store::replaceFile(origen + "/" + archivo, destino + "/" + archivo);
}

bool NombreCorteValido(const std::string& nombreArchivo) {
  const std::vector<std::string> cs = import::Caracteres(nombreArchivo);
  return cs.size() == 12 && import::Izquierda(nombreArchivo, 6) == "Datdef" &&
         cs[8] + cs[9] + cs[10] + cs[11] == ".dbf";
}

bool mnuAGuardarCorte_Click(EstadoAplicacion& estado, shell::Interaccion& ui,
                            const std::function<MomentoCorte()>& reloj) {
  shell::FalloOrden fallo;
  fallo.texto = [](const shell::Fallo& f) {
    return " Error guardando corte: Nº " + std::to_string(f.numero) + " " + f.descripcion;
  };
  bool guardado = false;
  shell::EjecutarOrden(ui, fallo, [&] {
    const auto respuesta = ui.entrada(kTextoComentarioCorte, kTituloComentarioCorte, "");
    std::string comentario = respuesta ? *respuesta : std::string();
    if (import::Caracteres(comentario).size() > kLargoDescripcion) {
      comentario = import::Izquierda(comentario, kLargoDescripcion);
      ui.aviso(AvisoDescripcionCortada(), shell::IconoMensaje::Informacion);
    }

    std::string ruta, nombre;
    for (;;) {
      shell::DialogoArchivo dialogo;
      dialogo.titulo = kTituloGuardarCorte + estado.SufijoTablas;
      dialogo.filtro = kFiltroGuardarCorte;
      dialogo.nombreInicial = "Datdef" + estado.SufijoTablas + ".dbf";
      const auto elegida = ui.guardarArchivo(dialogo);
      if (!elegida) return;
      const std::size_t barra = elegida->find_last_of('/');
      nombre = barra == std::string::npos ? *elegida : elegida->substr(barra + 1);
      if (NombreCorteValido(nombre)) {
        ruta = *elegida;
        break;
      }
      ui.aviso(kNombreCorteNoValido);
    }
    const std::vector<std::string> letras = import::Caracteres(nombre);
    estado.SufijoTablas = letras[6] + letras[7];
    const std::size_t barra = ruta.find_last_of('/');
    const std::string destino = barra == std::string::npos ? "." : ruta.substr(0, barra);

    shell::Progreso progreso(ui, "Guardando...", "", false, shell::PosicionProgreso::Centrado);
    progreso.etiquetas(false, false, false);
    const MomentoCorte momento = reloj ? reloj() : AhoraLocal();
    // A cut that could not be written whole is not copied over the user's files.
    if (!GuardarTablasCorte(estado, ui, progreso, comentario, momento)) return;
    CopiarCorte(estado, destino);
    progreso.terminar();
    guardado = true;
  });
  return guardado;
}

}  // namespace arbelio::cut
