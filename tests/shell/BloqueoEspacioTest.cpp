// One running program per workspace: while another process holds it, the load refuses it
// with a Spanish message (the window program does not start; arbelio-batch fails) and cleans
// nothing; once that process ends, however it ends, the workspace is free again.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../comun/CarpetaTemporal.h"
#include "shell/EspacioTrabajo.h"
#include "shell/InteraccionGuionada.h"
#include "state/EstadoAplicacion.h"
#include "store/FileOps.h"

namespace arbelio::shell {
namespace {

namespace fs = std::filesystem;
using pruebas::CarpetaTemporal;

// Another process holding the lock of a folder until it is killed.
class OtroProceso {
 public:
  explicit OtroProceso(const std::string& carpeta) {
    int tubo[2];
    if (pipe(tubo) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      close(tubo[0]);
      const char r = store::lockFolderForProcess(carpeta) ? 's' : 'n';
      (void)!write(tubo[1], &r, 1);
      for (;;) pause();
    }
    close(tubo[1]);
    char r = 0;
    (void)!read(tubo[0], &r, 1);
    close(tubo[0]);
    bloqueado_ = r == 's';
  }
  ~OtroProceso() { termina(); }
  void termina() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);  // no clean exit: the system still releases the lock
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  bool bloqueado() const { return bloqueado_; }

 private:
  pid_t pid_ = 0;
  bool bloqueado_ = false;
};

int EjecutaBatch(const std::string& args, std::string& salida, const std::string& registro) {
  const int r = std::system(
      ("'" + std::string(ARBELIO_BATCH) + "' " + args + " > '" + registro + "' 2>&1").c_str());
  std::ifstream in(registro);
  std::stringstream s;
  s << in.rdbuf();
  salida = s.str();
  return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
}

TEST(BloqueoEspacio, OtroProgramaEnLaMismaCarpetaDeTrabajoNoLaToca) {
  CarpetaTemporal casa, aparte;
  const RutasPrograma rutas = ConstruirRutas({casa.ruta(), std::nullopt, std::nullopt});
  fs::create_directories(rutas.BDTemp);
  pruebas::EscribirArchivo(rutas.BDTemp + "/Piesma00.dbf", "de la otra ejecución");

  OtroProceso otro(casa.ruta());
  ASSERT_TRUE(otro.bloqueado());
  EstadoAplicacion estado;
  InteraccionGuionada ui{estado};
  EXPECT_FALSE(CargarPrincipal(estado, ui, rutas));
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto, MensajeEspacioEnUso(casa.ruta()));
  EXPECT_NE(ui.mensajes[0].texto.find("está en uso por otra ejecución"), std::string::npos);
  EXPECT_TRUE(fs::exists(rutas.BDTemp + "/Piesma00.dbf"));  // nothing was cleaned

  // arbelio-batch with that home refuses it too, and fails.
  const std::string muestra = std::string(ARBELIO_PROGRAM_DIR) + "/samples/47/Piesma47.dbf";
  std::string salida;
  EXPECT_EQ(EjecutaBatch("run --db '" + muestra + "' --vars none --home '" + casa.ruta() +
                             "' --out '" + aparte.archivo("salida") + "'",
                         salida, aparte.archivo("registro.txt")),
            1);
  EXPECT_NE(salida.find(MensajeEspacioEnUso(casa.ruta())), std::string::npos) << salida;
  EXPECT_TRUE(fs::exists(rutas.BDTemp + "/Piesma00.dbf"));

  // The other process killed: the workspace is free.
  otro.termina();
  EXPECT_EQ(EjecutaBatch("run --db '" + muestra + "' --vars none --home '" + casa.ruta() +
                             "' --out '" + aparte.archivo("salida") + "'",
                         salida, aparte.archivo("registro.txt")),
            0)
      << salida;
  EstadoAplicacion estado2;
  InteraccionGuionada ui2{estado2};
  EXPECT_TRUE(CargarPrincipal(estado2, ui2, rutas));
  EXPECT_TRUE(ui2.mensajes.empty());
  // Loading again in the same process (New project, a second load) keeps its own lock.
  EXPECT_TRUE(CargarPrincipal(estado2, ui2, rutas));
  EXPECT_TRUE(store::lockFolderForProcess(casa.ruta()));
}

}  // namespace
}  // namespace arbelio::shell
