#include "shell/FuenteCursor.h"

#include <cstring>
#include <unordered_map>

#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::shell {

namespace {

std::vector<ColumnaVista> ColumnasDe(const store::Cursor& c) {
  std::vector<ColumnaVista> v;
  for (int i = 0; i < c.fieldCount(); ++i)
    v.push_back(ColumnaVista{c.fieldName(i), "", Alineacion::Derecha, {}});
  return v;
}

int CampoOError(const store::Cursor& c, std::string_view nombre) {
  const int i = c.fieldIndex(nombre);
  if (i < 0) {
    throw store::StoreError(
        store::err::kElementoNoEncontrado,
        "No se encontró el campo '" + std::string(nombre) + "' en esta colección.");
  }
  return i;
}

// Appends a value's part of a key, compared as a number (numerico) or as trimmed text. False
// when the value can never match (null, or a text that is not a number in a numeric field).
bool ParteClave(std::string& clave, const store::Value& v, bool numerico) {
  if (v.isNull()) return false;
  if (!numerico) {
    const std::string texto = v.isText() ? v.text() : v.toString();
    const std::string_view t = store::trimView(texto);
    clave.append(t.data(), t.size());
    clave.push_back('\0');
    return true;
  }
  double d = 0;
  if (v.isNumber()) {
    d = v.number();
  } else if (!store::parseNumber(v.text(), d)) {
    return false;
  }
  d += 0.0;  // -0 and 0 are one key
  char bytes[sizeof d];
  std::memcpy(bytes, &d, sizeof d);
  clave.append(bytes, sizeof d);
  return true;
}

}  // namespace

FuenteCursor::FuenteCursor(store::Cursor cursor)
    : FuenteTabla(ColumnasDe(cursor)), cursor_(std::move(cursor)) {}

FuenteCursor::FuenteCursor(const store::Cursor& base, std::vector<std::uint32_t> ids)
    : FuenteCursor(base.withRows(std::move(ids))) {}

store::Value FuenteCursor::valor(std::int64_t fila, std::string_view campo) const {
  return cursor_.valueAt(fila, CampoOError(cursor_, campo));
}

void FuenteCursor::aplicarOrden(const std::vector<std::int64_t>& permutacion) {
  std::vector<std::uint32_t> ids;
  ids.reserve(permutacion.size());
  for (const std::int64_t f : permutacion) ids.push_back(cursor_.rowIdAt(f));
  cursor_ = cursor_.withRows(std::move(ids));
}

void FuenteCursor::quitarFilas(std::int64_t fila, std::int64_t cuantas) {
  const std::int64_t n = filas();
  std::vector<std::uint32_t> ids;
  ids.reserve(static_cast<std::size_t>(n - cuantas));
  for (std::int64_t f = 0; f < n; ++f) {
    if (f < fila || f >= fila + cuantas) ids.push_back(cursor_.rowIdAt(f));
  }
  cursor_ = cursor_.withRows(std::move(ids));
}

std::vector<std::uint32_t> FilasPorClaves(const store::Cursor& cursor,
                                          const std::vector<std::string>& campos,
                                          const std::vector<std::vector<store::Value>>& claves) {
  std::vector<int> cols;
  for (const auto& c : campos) cols.push_back(CampoOError(cursor, c));
  if (claves.empty() || cols.empty()) return {};
  // Each field compares as its keys are written (the first key that gives it a value):
  // numerically for numbers, as text for texts.
  std::vector<bool> numerico(cols.size(), false);
  for (std::size_t j = 0; j < cols.size(); ++j) {
    for (const auto& k : claves) {
      if (j < k.size() && !k[j].isNull()) {
        numerico[j] = k[j].isNumber();
        break;
      }
    }
  }

  // Distinct keys and, for each entry of the list, its key (-1: a key that never matches).
  std::unordered_map<std::string, std::int32_t> idDeClave;
  std::vector<std::int32_t> claveDeEntrada(claves.size(), -1);
  std::string clave;
  for (std::size_t k = 0; k < claves.size(); ++k) {
    if (claves[k].size() != cols.size()) continue;
    clave.clear();
    bool ok = true;
    for (std::size_t j = 0; ok && j < cols.size(); ++j)
      ok = ParteClave(clave, claves[k][j], numerico[j]);
    if (!ok) continue;
    claveDeEntrada[k] =
        idDeClave.emplace(clave, static_cast<std::int32_t>(idDeClave.size())).first->second;
  }

  // One pass over the rows: each row's key, and the rows counted per key.
  const std::int64_t n = cursor.recordCount();
  std::vector<std::int32_t> claveDeFila(static_cast<std::size_t>(n), -1);
  std::vector<std::int64_t> inicio(idDeClave.size() + 1, 0);
  for (std::int64_t f = 0; f < n; ++f) {
    clave.clear();
    bool ok = true;
    for (std::size_t j = 0; ok && j < cols.size(); ++j)
      ok = ParteClave(clave, cursor.valueAt(f, cols[j]), numerico[j]);
    if (!ok) continue;
    const auto it = idDeClave.find(clave);
    if (it == idDeClave.end()) continue;
    claveDeFila[static_cast<std::size_t>(f)] = it->second;
    ++inicio[static_cast<std::size_t>(it->second) + 1];
  }
  // The rows grouped by key, in cursor order within each group (a counting sort).
  for (std::size_t k = 1; k < inicio.size(); ++k) inicio[k] += inicio[k - 1];
  std::vector<std::uint32_t> agrupadas(static_cast<std::size_t>(inicio.back()));
  {
    std::vector<std::int64_t> siguiente(inicio.begin(), inicio.end() - 1);
    for (std::int64_t f = 0; f < n; ++f) {
      const std::int32_t k = claveDeFila[static_cast<std::size_t>(f)];
      if (k >= 0)
        agrupadas[static_cast<std::size_t>(siguiente[static_cast<std::size_t>(k)]++)] =
            cursor.rowIdAt(f);
    }
  }
  claveDeFila = {};

  std::vector<std::uint32_t> resultado;
  resultado.reserve(agrupadas.size());
  for (const std::int32_t k : claveDeEntrada) {
    if (k < 0) continue;
    const auto desde = agrupadas.begin() + inicio[static_cast<std::size_t>(k)];
    const auto hasta = agrupadas.begin() + inicio[static_cast<std::size_t>(k) + 1];
    resultado.insert(resultado.end(), desde, hasta);
  }
  return resultado;
}

}  // namespace arbelio::shell
