// MDIPrincipal: the main window, a multiple-document frame with the menu bar of the work flow.
// It owns the Qt Interaccion, the splash/About window, the pop-up menu "Menú2" and the registry
// of the windows New project unloads. Enabled states come from EstadoComun::menus; the window
// only mirrors them. Commands of later subsystems are attached with asignarOrden(); until then
// an entry says it is not available. Every entry runs its command through the command barrier
// (EjecutarOrden).
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "shell/EjecutarOrden.h"
#include "shell/EstadoComun.h"
#include "shell/FormSplash.h"
#include "shell/InteraccionQt.h"
#include "shell/RegistroVentanas.h"

class QAction;
class QMdiArea;
class QMenu;

namespace arbelio::shell {

class MDIPrincipal : public QMainWindow {
  Q_OBJECT

 public:
  explicit MDIPrincipal(EstadoComun& estado, QWidget* padre = nullptr);
  ~MDIPrincipal() override;

  // The window's load: caption, workspace paths and folders, initial state. False when the
  // workspace cannot be set up (the user has been told why); the program should end.
  bool cargar(const RutasPrograma& rutas);
  // Shows the start-up splash over the window.
  FormSplash* mostrarSplash();

  EstadoComun& estado() { return estado_; }
  InteraccionQt& interaccion() { return *ui_; }
  QMdiArea* areaMdi() const { return areaMdi_; }
  FormSplash* splash() const { return splash_; }
  // The pop-up menu "Menú2" with "Eliminar fila" and "Ordenar".
  QMenu* menuEmergente() const { return menu2_; }
  // An entry by control name ("mnuAAgregarBD", "mnuCálCalcular", "mnuVCascada"...).
  QAction* accion(const QString& nombreControl) const;
  // Attaches the command run by an entry. It runs through the command barrier: a failure that
  // escapes it shows `fallo`'s message and ends the command.
  void asignarOrden(const QString& nombreControl, std::function<void()> orden,
                    FalloOrden fallo = FalloOrden::Prefijo("Error "));

  // The windows New project unloads. A window registers itself when it loads, usually with
  // registrarVentana().
  RegistroVentanas& ventanas() { return ventanas_; }
  // Registers a loaded window: New project closes and deletes it, with its frame when it sits
  // in the multiple-document area. Nothing happens if the window is already gone.
  void registrarVentana(VentanaProyecto ventana, QWidget* widget);

  // Ventana entries.
  void mnuVCascada_Click();
  void mnuVMosaicoHorizontal_Click();
  void mnuVMosaicoVertical_Click();
  void mnuVOrganizarIconos_Click();
  // Archivo and Ayuda entries owned by the shell.
  void mnuANuevoProyecto_Click();
  void mnuAyudaContenido_Click();
  void mnAyudaAcercaDe_Click();

 signals:
  // The window was closed ("&Salir"): the program ends.
  void cerrada();

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override;
  void closeEvent(QCloseEvent* evento) override;

 private:
  QAction* nuevaAccion(QMenu* menu, const QString& nombre, const QString& caption,
                       const QKeySequence& atajo = {});
  QMenu* nuevoMenu(QMenu* padre, const QString& nombre, const QString& caption);
  void ejecutar(const QString& nombreControl);
  void reflejarMenus();
  void rellenarVentana();

  EstadoComun& estado_;
  std::unique_ptr<InteraccionQt> ui_;
  QMdiArea* areaMdi_;
  QMenu* menuVentana_ = nullptr;
  QMenu* menu2_ = nullptr;
  QPointer<FormSplash> splash_;
  QHash<QString, QAction*> acciones_;
  struct Orden {
    std::function<void()> orden;
    FalloOrden fallo;
  };
  QHash<QString, Orden> ordenes_;
  RegistroVentanas ventanas_;
  QList<QAction*> accionesListaVentanas_;
};

}  // namespace arbelio::shell
