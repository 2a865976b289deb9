// Qt's own texts in Spanish: the standard buttons, the file dialogs, the input box and the
// context menus of text boxes come from Qt's translations (Debian's qt6-translations-l10n).
#pragma once

class QCoreApplication;

namespace arbelio::shell {

// Installs Qt's Spanish translation (qtbase_es) into the application and makes Spanish the
// default locale. False when the translation is not installed: Qt's texts then stay in
// English and everything else works.
bool CargarTraduccionesQt(QCoreApplication& aplicacion);

}  // namespace arbelio::shell
