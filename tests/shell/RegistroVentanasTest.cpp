// The windows New project unloads: registered hooks run in the fixed order, once.
#include "shell/RegistroVentanas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace arbelio::shell {
namespace {

TEST(RegistroVentanas, UnaVentanaQueSeLlevaOtraAlDescargarseLaQuitaDelRegistro) {
  RegistroVentanas r;
  std::vector<std::string> descargadas;
  // The cut data viewer belongs to the cut tool: unloading the tool unloads it too.
  r.registrar(VentanaProyecto::FormVisorDatosCorte, [&] { descargadas.push_back("visor"); });
  r.registrar(VentanaProyecto::FormCorte, [&] {
    descargadas.push_back("corte");
    r.quitar(VentanaProyecto::FormVisorDatosCorte);
  });
  r.descargarTodas();
  EXPECT_EQ(descargadas, std::vector<std::string>{"corte"});
  EXPECT_FALSE(r.registrada(VentanaProyecto::FormVisorDatosCorte));
}

TEST(RegistroVentanas, RegistrarOtraVezSustituyeYDescargarDosVecesNoRepite) {
  RegistroVentanas r;
  std::vector<std::string> descargadas;
  r.registrar(VentanaProyecto::FormSplash, [&] { descargadas.push_back("splash"); });
  r.registrar(VentanaProyecto::FormSplash, [&] { descargadas.push_back("acerca de"); });
  r.registrar(VentanaProyecto::FormInfoProgreso, [&] { descargadas.push_back("progreso"); });
  EXPECT_TRUE(r.registrada(VentanaProyecto::FormSplash));
  r.descargarTodas();
  r.descargarTodas();
  EXPECT_EQ(descargadas, (std::vector<std::string>{"progreso", "acerca de"}));
}

}  // namespace
}  // namespace arbelio::shell
