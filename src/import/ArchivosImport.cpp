#include "import/ArchivosImport.h"

#include "store/FileOps.h"

namespace arbelio::import {

std::string RutaTabla(const std::string& carpeta, const std::string& archivo) {
  std::string r = store::findFileNoCase(carpeta, archivo);
  return r.empty() ? carpeta + "/" + archivo : r;
}

bool ExisteTabla(const std::string& carpeta, const std::string& archivo) {
  return !store::findFileNoCase(carpeta, archivo).empty();
}

void CopiaTabla(const std::string& carpetaOrigen, const std::string& archivo,
                const std::string& destino) {
  store::copyFile(RutaTabla(carpetaOrigen, archivo), destino);
}

void BorraTablaSiExiste(const std::string& carpeta, const std::string& archivo) {
  const std::string r = store::findFileNoCase(carpeta, archivo);
  if (!r.empty()) store::deleteFile(r);
}

std::vector<std::string> Caracteres(const std::string& texto) {
  std::vector<std::string> r;
  for (std::size_t i = 0; i < texto.size();) {
    const auto c = static_cast<unsigned char>(texto[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + n > texto.size()) n = texto.size() - i;
    r.push_back(texto.substr(i, n));
    i += n;
  }
  return r;
}

std::string Izquierda(const std::string& texto, std::size_t caracteres) {
  std::string r;
  const auto cs = Caracteres(texto);
  for (std::size_t i = 0; i < cs.size() && i < caracteres; ++i) r += cs[i];
  return r;
}

}  // namespace arbelio::import
