// The command barrier: whatever a command throws ends it with the command's own message, after
// its progress dialog and hourglass are gone.
#include "shell/EjecutarOrden.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "shell/InteraccionGuionada.h"
#include "shell/Progreso.h"
#include "store/StoreError.h"

namespace arbelio::shell {
namespace {

// Notes, for every message, whether the progress dialog or the hourglass was still up.
class InteraccionQueMira : public InteraccionGuionada {
 public:
  using InteraccionGuionada::InteraccionGuionada;
  std::vector<bool> ocupadaAlAvisar;
  Respuesta mensaje(const std::string& texto, const std::string& titulo, IconoMensaje icono,
                    BotonesMensaje botones) override {
    ocupadaAlAvisar.push_back(progresoVisible || reloj);
    return InteraccionGuionada::mensaje(texto, titulo, icono, botones);
  }
};

class EjecutarOrdenTest : public ::testing::Test {
 protected:
  EstadoComun estado;
  InteraccionQueMira ui{estado};
};

TEST_F(EjecutarOrdenTest, UnaExcepcionQueNoEsDelAlmacenDaElMensajeDeLaOrdenYLaTermina) {
  int pasos = 0;
  const bool hecha = EjecutarOrden(ui, FalloOrden::Prefijo("Error "), [&] {
    Progreso p(ui, "Generando base de datos de trabajo...", "", false);
    ++pasos;
    throw std::out_of_range("índice fuera del intervalo");
    ++pasos;
  });
  EXPECT_FALSE(hecha);
  EXPECT_EQ(pasos, 1);
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto, "Error índice fuera del intervalo");
  EXPECT_EQ(ui.mensajes[0].titulo, "VERDANIA");
  EXPECT_EQ(ui.mensajes[0].icono, IconoMensaje::Critico);
  EXPECT_EQ(ui.ocupadaAlAvisar, std::vector<bool>{false});
}

TEST_F(EjecutarOrdenTest, CadaOrdenRedactaSuFalloConNumeroYDescripcion) {
  FalloOrden guardar;
  guardar.texto = [](const Fallo& f) {
    return "Error guardando cálculos: " + std::to_string(f.numero) + "     " + f.descripcion;
  };
  guardar.icono = IconoMensaje::Ninguno;
  EXPECT_FALSE(EjecutarOrden(ui, guardar, [] {
    throw store::StoreError(store::err::kPermisoDenegado, "Permiso denegado");
  }));
  EXPECT_FALSE(EjecutarOrden(ui, guardar, [] {
    throw std::filesystem::filesystem_error("sin acceso", "/no/existe",
                                            std::make_error_code(std::errc::permission_denied));
  }));
  EXPECT_FALSE(EjecutarOrden(ui, guardar, [] { throw 42; }));
  ASSERT_EQ(ui.mensajes.size(), 3u);
  EXPECT_EQ(ui.mensajes[0].texto, "Error guardando cálculos: 70     Permiso denegado");
  EXPECT_EQ(ui.mensajes[1].texto.rfind("Error guardando cálculos: 75     ", 0), 0u);
  EXPECT_NE(ui.mensajes[1].texto.find("/no/existe"), std::string::npos);
  EXPECT_EQ(ui.mensajes[2].texto, "Error guardando cálculos: 0     Error desconocido");
  EXPECT_EQ(ui.mensajes[2].icono, IconoMensaje::Ninguno);
}

TEST_F(EjecutarOrdenTest, UnaOrdenQueTerminaNoDiceNada) {
  int pasos = 0;
  EXPECT_TRUE(EjecutarOrden(ui, FalloOrden::Prefijo("Error "), [&] { ++pasos; }));
  EXPECT_EQ(pasos, 1);
  EXPECT_TRUE(ui.mensajes.empty());
}

// The window gives kept memory back only while no command runs: a nested command counts, and a
// failed one is no longer counted once it has ended.
TEST_F(EjecutarOrdenTest, SeSabeSiHayUnaOrdenEnCurso) {
  EXPECT_FALSE(OrdenEnCurso());
  std::vector<bool> visto;
  EjecutarOrden(ui, FalloOrden::Prefijo("Error "), [&] {
    visto.push_back(OrdenEnCurso());
    EjecutarOrden(ui, FalloOrden::Prefijo("Error "), [&] { visto.push_back(OrdenEnCurso()); });
    visto.push_back(OrdenEnCurso());
    throw std::runtime_error("falla");
  });
  EXPECT_EQ(visto, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(ui.mensajes.size(), 1u);
  EXPECT_FALSE(OrdenEnCurso());
}

TEST(DescribirFalloTest, NumeroYDescripcionDeCadaClase) {
  auto describir = [](auto excepcion) {
    return DescribirFallo(std::make_exception_ptr(excepcion));
  };
  const Fallo almacen = describir(store::StoreError(3051, "No es una tabla válida"));
  EXPECT_EQ(almacen.numero, 3051);
  EXPECT_EQ(almacen.descripcion, "No es una tabla válida");
  EXPECT_EQ(describir(std::bad_alloc()).numero, kErrorMemoria);
  EXPECT_EQ(describir(std::bad_alloc()).descripcion, "Memoria insuficiente");
  EXPECT_EQ(describir(std::runtime_error("x")).numero, 0);
  EXPECT_EQ(describir(std::runtime_error("x")).descripcion, "x");
}

}  // namespace
}  // namespace arbelio::shell
