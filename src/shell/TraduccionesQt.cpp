#include "shell/TraduccionesQt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace arbelio::shell {

bool CargarTraduccionesQt(QCoreApplication& aplicacion) {
  const QLocale espanol(QLocale::Spanish, QLocale::Spain);
  QLocale::setDefault(espanol);
  auto* traductor = new QTranslator(&aplicacion);
  if (!traductor->load(espanol, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete traductor;
    return false;
  }
  QCoreApplication::installTranslator(traductor);
  return true;
}

}  // namespace arbelio::shell
