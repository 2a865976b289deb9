#include "import/ArchivosImport.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>

#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"
#include "store/Text.h"

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
  store::copyFile(RutaTabla(carpetaOrigen, archivo), destino, store::ModoCopia::SegundoNombre);
}

void BorraTablaSiExiste(const std::string& carpeta, const std::string& archivo) {
  const std::string r = store::findFileNoCase(carpeta, archivo);
  if (!r.empty()) store::deleteFile(r);
}

namespace {

bool EsNumerico(const store::FieldDef& f) {
  return f.dbfType == 'N' || f.dbfType == 'F';
}

// Integer digits of a numeric field: its width less the decimals and their point.
int Enteros(const store::FieldDef& f) {
  return f.dbfLength - f.dbfDecimals - (f.dbfDecimals > 0 ? 1 : 0);
}

// The logical type the store reads a numeric field of this width as.
store::FieldType TipoNumerico(int largo, int decimales) {
  using T = store::FieldType;
  if (decimales == 0 && largo == 4) return T::Byte;
  if (decimales == 0 && largo == 6) return T::Integer;
  if (decimales == 0 && largo == 11) return T::Long;
  if (largo == 19 && decimales == 7) return T::Single;
  return T::Double;
}

// Widens `f` so that it holds the values of `fuente`; true when it changed.
bool Ensancha(store::FieldDef& f, const store::FieldDef& fuente) {
  if (f.dbfType == 'C') {
    const int largo = std::min(254, std::max(f.dbfLength, fuente.dbfLength));
    if (largo == f.dbfLength) return false;
    f.dbfLength = f.size = largo;
    return true;
  }
  if (!EsNumerico(f)) return false;
  const int decimales = std::max(f.dbfDecimals, EsNumerico(fuente) ? fuente.dbfDecimals : 0);
  const int enteros = std::max(Enteros(f), EsNumerico(fuente) ? Enteros(fuente) : fuente.dbfLength);
  const int largo = std::min(254, enteros + decimales + (decimales > 0 ? 1 : 0));
  if (largo <= f.dbfLength && decimales == f.dbfDecimals) return false;
  f.dbfLength = f.size = std::max(largo, f.dbfLength);
  f.dbfDecimals = decimales;
  f.type = TipoNumerico(f.dbfLength, f.dbfDecimals);
  return true;
}

}  // namespace

void CreaTablaParaFuentes(const std::string& plantilla, const std::vector<std::string>& fuentes,
                          const std::string& destino) {
  store::TableDef def = store::readTableDef(plantilla);
  std::vector<store::FieldDef> campos = def.fields();
  bool cambia = false;
  for (const std::string& f : fuentes) {
    const store::TableDef fuente = store::readTableDef(f);
    for (const store::FieldDef& c : fuente.fields()) {
      auto it = std::find_if(campos.begin(), campos.end(), [&](const store::FieldDef& d) {
        return store::equalsNoCase(d.name, c.name);
      });
      if (it == campos.end()) {
        campos.push_back(c);
        cambia = true;
      } else {
        cambia = Ensancha(*it, c) || cambia;
      }
    }
  }
  if (!cambia) {
    store::copyFile(plantilla, destino);
    return;
  }
  const std::filesystem::path p(destino);
  if (store::fileExists(destino)) store::deleteFile(destino);
  store::TableDef nueva(p.stem().string());
  for (const store::FieldDef& c : campos) nueva.appendField(c);
  nueva.setCodePage(def.codePage());
  store::Database db = store::Database::open(p.parent_path().string());
  db.appendTableDef(nueva);
  db.close();
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
