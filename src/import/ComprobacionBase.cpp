#include "import/ComprobacionBase.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <unordered_set>

#include "import/ArchivosImport.h"
#include "inventory/TablasInventario.h"
#include "store/Database.h"
#include "store/Text.h"

namespace arbelio::import {

namespace {

enum class Clase { Numero, Cualquiera };

struct CampoNecesario {
  const char* nombre;
  Clase clase;
};

// The fields each table must have, by what the program does with it.
const std::vector<CampoNecesario>& CamposParcela(bool resumen) {
  static const std::vector<CampoNecesario> datest = {
      {"PROVINCIA", Clase::Numero},   {"ESTADILLO", Clase::Numero},
      {"HOJA", Clase::Cualquiera},    {"COORDEX", Clase::Cualquiera},
      {"COORDEY", Clase::Cualquiera}, {"MUNICI", Clase::Cualquiera}};
  static const std::vector<CampoNecesario> datdef = [] {
    auto c = datest;
    for (const char* n : {"NUMPMA", "NumPme", "NumTip", "NumMat", "Huso"})
      c.push_back({n, Clase::Numero});
    return c;
  }();
  return resumen ? datdef : datest;
}

const std::vector<CampoNecesario> kCamposPiesma = {
    {"PROVINCIA", Clase::Numero},   {"ESTADILLO", Clase::Numero}, {"NUMORDEN", Clase::Numero},
    {"ESPECIE", Clase::Numero},     {"DIAMETRO1", Clase::Numero}, {"DIAMETRO2", Clase::Numero},
    {"ALTURA", Clase::Numero},      {"FORMA", Clase::Numero},     {"CALIDAD", Clase::Numero},
    {"PARAMESP", Clase::Cualquiera}};
const std::vector<CampoNecesario> kCamposArbol = {
    {"PROVINCIA", Clase::Numero}, {"ESTADILLO", Clase::Numero}, {"NUMORDEN", Clase::Numero}};
const std::vector<CampoNecesario> kCamposEspeci = {
    {"PROVINCIA", Clase::Numero}, {"ESTADILLO", Clase::Numero}, {"ESPECIE", Clase::Cualquiera},
    {"NUMPM", Clase::Numero},     {"AREABASI", Clase::Numero},  {"PORCENPM", Clase::Numero},
    {"PORCENAB", Clase::Numero}};
const std::vector<CampoNecesario> kCamposInfCor = {{"DESCRIPCIO", Clase::Cualquiera}};

// A list of problems of one kind: the first ones in full, the rest counted.
class Lista {
 public:
  void anadir(std::string linea) {
    if (lineas_.size() < kProblemasListados) lineas_.push_back(std::move(linea));
    ++total_;
  }
  std::int64_t total() const { return total_; }
  std::string texto(const std::string& titulo) const {
    std::string t = titulo;
    for (const auto& l : lineas_) t += "\n  " + l;
    if (total_ > static_cast<std::int64_t>(lineas_.size()))
      t += "\n  ... y " + std::to_string(total_ - static_cast<std::int64_t>(lineas_.size())) +
           " más.";
    return t;
  }

 private:
  std::vector<std::string> lineas_;
  std::int64_t total_ = 0;
};

std::optional<std::int32_t> Clave(const store::Value& v) {
  return inventory::ClaveDeParcela(v);
}

std::string Citado(const store::Cursor& c, int i) {
  return c.value(i).isNull() ? "'" + c.rawText(i) + "'" : c.value(i).toString();
}

struct Tabla {
  std::string nombre;  // as in messages: base name + code
  store::Cursor cursor;
  std::vector<int> pos;  // positions of the needed fields, in the order of `campos`
};

class Comprobador {
 public:
  Comprobador(const std::string& carpeta, const std::string& codigo)
      : carpeta_(carpeta), codigo_(codigo) {
    store::OpenOptions o;
    o.readOnly = true;
    db_ = store::Database::open(carpeta, o);
  }

  InformeComprobacion ejecutar() {
    const bool resumen = ExisteTabla(carpeta_, "Datdef" + codigo_ + ".dbf");
    construirEspeci_ = !ExisteTabla(carpeta_, "ESPECI" + codigo_ + ".dbf");
    auto parcelas = abrir(resumen ? "Datdef" : "Datest", CamposParcela(resumen));
    auto piesma = abrir("Piesma", kCamposPiesma);
    std::vector<std::optional<Tabla>> arboles;
    for (const char* b : {"Piesme", "Tiposx", "Matorr"}) arboles.push_back(abrir(b, kCamposArbol));
    std::optional<Tabla> especi, infcor;
    if (!construirEspeci_) especi = abrir("Especi", kCamposEspeci);
    if (ExisteTabla(carpeta_, "InfCor" + codigo_ + ".dbf")) infcor = abrir("InfCor", kCamposInfCor);
    if (!informe_.errores.empty()) return informe_;

    codigoProvincia();
    recorrerParcelas(*parcelas);
    recorrerPiesma(*piesma);
    for (auto& t : arboles) recorrerArboles(*t, kCamposArbol, nullptr);
    if (especi) recorrerArboles(*especi, kCamposEspeci, nullptr, false);

    if (fatales_.total() > 0) {
      informe_.errores.push_back(
          fatales_.texto("Pies mayores de la tabla Piesma" + codigo_ +
                         " sin diámetros o especie válidos, que la tabla Especi" + codigo_ +
                         " necesita (corríjalos o seleccione la base de datos con su tabla Especi" +
                         codigo_ + "):"));
    }
    if (danados_.total() > 0)
      informe_.avisos.push_back(danados_.texto("Valores dañados, que se toman como vacíos:"));
    if (imposibles_.total() > 0) {
      informe_.avisos.push_back(imposibles_.texto(
          "Valores imposibles (diámetro de más de 4 m o altura de más de 100 m), que se usan "
          "tal cual; revíselos:"));
    }
    if (sinClave_.total() > 0) {
      informe_.avisos.push_back(sinClave_.texto(
          "Filas de parcela sin provincia o estadillo válidos (números enteros de 1 a 32767), "
          "que no se tienen en cuenta:"));
    }
    if (repetidas_.total() > 0) {
      informe_.avisos.push_back(
          repetidas_.texto("Parcelas repetidas en la tabla de parcelas, que se calculan una vez:"));
    }
    if (desconocidas_.total() > 0) {
      informe_.avisos.push_back(desconocidas_.texto(
          "Códigos de provincia desconocidos (las provincias van del 1 al 52):"));
    }
    if (!huerfanos_.empty()) {
      std::string t = "Pies que no pertenecen a ninguna parcela de la tabla " + nombreParcelas_ +
                      " (no se tienen en cuenta):";
      for (const auto& [tabla, n] : huerfanos_) {
        t += "\n  " + std::to_string(n) + (n == 1 ? " fila" : " filas") + " de la tabla " + tabla;
      }
      informe_.avisos.push_back(t);
    }
    return informe_;
  }

 private:
  std::optional<Tabla> abrir(const std::string& base, const std::vector<CampoNecesario>& campos) {
    Tabla t;
    t.nombre = base + codigo_;
    t.cursor = db_.openCursor(t.nombre, store::CursorKind::ForwardOnly);
    const std::string archivo = "La tabla " + t.nombre;
    bool bien = true;
    std::set<std::string> vistos;
    for (int i = 0; i < t.cursor.fieldCount(); ++i) {
      const std::string n = store::toUpperAscii(t.cursor.fieldName(i));
      if (!vistos.insert(n).second) {
        informe_.errores.push_back(archivo + " tiene dos campos " + t.cursor.fieldName(i) + ".");
        bien = false;
      }
    }
    for (const CampoNecesario& c : campos) {
      const int i = t.cursor.fieldIndex(c.nombre);
      t.pos.push_back(i);
      if (i < 0) {
        informe_.errores.push_back(archivo + " no tiene el campo " + c.nombre + ".");
        bien = false;
        continue;
      }
      const store::FieldDef& f = t.cursor.field(i);
      if (c.clase != Clase::Numero) continue;
      if (f.dbfType != 'N' && f.dbfType != 'F') {
        informe_.errores.push_back("El campo " + f.name + " de la tabla " + t.nombre +
                                   " no es numérico.");
        bien = false;
      } else if (f.dbfLength == 0) {
        informe_.errores.push_back("El campo " + f.name + " de la tabla " + t.nombre +
                                   " no tiene longitud.");
        bien = false;
      }
    }
    if (!bien) return std::nullopt;
    return t;
  }

  // The database code, when it is a number, should be a province's.
  void codigoProvincia() {
    const std::string c = store::trimSpaces(codigo_);
    if (c.empty() || c.find_first_not_of("0123456789") != std::string::npos) return;
    const int n = std::stoi(c);
    if (n < 1 || n > 52) desconocidas_.anadir("código de la base de datos: " + c);
  }

  // Where a row is, for messages ("parcela 12, pie 3"), made only when a message needs it.
  using Donde = std::function<std::string()>;

  // The values of the row's needed numeric fields, read once for every check of the row (the
  // others are left null); the walk reads each row once, so no column is decoded for it.
  void leer(const Tabla& t, const std::vector<CampoNecesario>& campos) {
    fila_.resize(campos.size());
    for (std::size_t k = 0; k < campos.size(); ++k) {
      if (campos[k].clase == Clase::Numero) fila_[k] = t.cursor.value(t.pos[k], true);
    }
  }

  // A damaged value of a needed numeric field is listed with where it is (the row read by leer).
  void revisar(const Tabla& t, const std::vector<CampoNecesario>& campos, const Donde& donde) {
    for (std::size_t k = 0; k < campos.size(); ++k) {
      if (campos[k].clase != Clase::Numero) continue;
      const int i = t.pos[k];
      if (fila_[k].isNull() && t.cursor.isDamaged(i)) {
        danados_.anadir("tabla " + t.nombre + ", campo " + t.cursor.fieldName(i) + ", " + donde() +
                        ": '" + t.cursor.rawText(i) + "'");
      }
    }
  }

  void recorrerParcelas(Tabla& t) {
    nombreParcelas_ = t.nombre;
    const auto& campos = CamposParcela(t.pos.size() > CamposParcela(false).size());
    std::map<std::pair<std::int32_t, std::int32_t>, int> veces;
    std::int64_t fila = 0;
    for (; !t.cursor.eof(); t.cursor.moveNext()) {
      ++fila;
      leer(t, campos);
      const auto prov = Clave(fila_[0]);
      const auto est = Clave(fila_[1]);
      revisar(t, campos, [&] {
        return est ? "parcela " + std::to_string(*est) : "fila " + std::to_string(fila);
      });
      if (!prov || !est) {
        sinClave_.anadir("tabla " + t.nombre + ", fila " + std::to_string(fila) + ": provincia " +
                         Citado(t.cursor, t.pos[0]) + ", estadillo " + Citado(t.cursor, t.pos[1]));
        continue;
      }
      if (++veces[{*prov, *est}] == 1) {
        if (*prov > 52) {
          if (provinciasDesconocidas_.insert(*prov).second)
            desconocidas_.anadir("provincia " + std::to_string(*prov) + " en la tabla " + t.nombre);
        }
        parcelas_.insert(ClaveParcela(*prov, *est));
      }
    }
    for (const auto& [clave, n] : veces) {
      if (n > 1) {
        repetidas_.anadir("provincia " + std::to_string(clave.first) + ", parcela " +
                          std::to_string(clave.second) + ": " + std::to_string(n) + " veces");
      }
    }
  }

  static std::uint64_t ClaveParcela(std::int32_t prov, std::int32_t est) {
    return (static_cast<std::uint64_t>(prov) << 32) | static_cast<std::uint32_t>(est);
  }

  // Walks a table keyed by province and plot (a tree table, or the species per plot): its
  // damaged values, what `extra` checks of each row, and, for trees, the rows of no plot.
  void recorrerArboles(Tabla& t, const std::vector<CampoNecesario>& campos,
                       void (Comprobador::*extra)(const Tabla&, const Donde&, bool),
                       bool arboles = true) {
    std::int64_t fuera = 0;
    const bool conPie = campos.size() > 2 && store::equalsNoCase(campos[2].nombre, "NUMORDEN");
    const Donde donde = [&] {
      std::string d = "parcela " + Citado(t.cursor, t.pos[1]);
      if (conPie) d += ", pie " + Citado(t.cursor, t.pos[2]);
      return d;
    };
    for (; !t.cursor.eof(); t.cursor.moveNext()) {
      leer(t, campos);
      const auto prov = Clave(fila_[0]);
      const auto est = Clave(fila_[1]);
      revisar(t, campos, donde);
      const bool enParcela = prov && est && parcelas_.count(ClaveParcela(*prov, *est)) > 0;
      if (extra) (this->*extra)(t, donde, enParcela);
      if (!enParcela) ++fuera;
    }
    if (arboles && fuera > 0) huerfanos_.emplace_back(t.nombre, fuera);
  }

  void recorrerPiesma(Tabla& t) { recorrerArboles(t, kCamposPiesma, &Comprobador::extraPiesma); }

  // Large trees: impossible diameters and heights, and what the species build needs of the
  // trees of the plots (the others it never reads).
  void extraPiesma(const Tabla& t, const Donde& donde, bool enParcela) {
    const auto limite = [&](int k, double maximo, const char* unidad) {
      const store::Value& v = fila_[static_cast<std::size_t>(k)];
      if (v.isNumber() && (v.number() < 0 || v.number() > maximo)) {
        imposibles_.anadir("tabla " + t.nombre + ", campo " +
                           t.cursor.fieldName(t.pos[static_cast<std::size_t>(k)]) + ", " + donde() +
                           ": " + v.toString() + " " + unidad);
      }
    };
    limite(4, kDiametroMaximoMm, "mm");
    limite(5, kDiametroMaximoMm, "mm");
    limite(6, kAlturaMaximaM, "m");
    if (!construirEspeci_ || !enParcela) return;
    for (const int k : {3, 4, 5}) {
      const int i = t.pos[static_cast<std::size_t>(k)];
      const store::Value& v = fila_[static_cast<std::size_t>(k)];
      const bool valido = v.isNumber() && (k != 3 || (v.number() >= -32768 && v.number() <= 32767));
      if (!valido) {
        fatales_.anadir(donde() + ", campo " + t.cursor.fieldName(i) + ": " +
                        (v.isNull() ? (t.cursor.isDamaged(i) ? "'" + t.cursor.rawText(i) + "'"
                                                             : std::string("vacío"))
                                    : v.toString()));
      }
    }
  }

  std::string carpeta_, codigo_;
  store::Database db_;
  bool construirEspeci_ = false;
  InformeComprobacion informe_;
  std::string nombreParcelas_;
  std::unordered_set<std::uint64_t> parcelas_;
  std::set<std::int32_t> provinciasDesconocidas_;
  Lista danados_, imposibles_, sinClave_, repetidas_, desconocidas_, fatales_;
  std::vector<std::pair<std::string, std::int64_t>> huerfanos_;
  std::vector<store::Value> fila_;
};

}  // namespace

InformeComprobacion ComprobarBaseDatos(const std::string& carpeta, const std::string& codigo) {
  return Comprobador(carpeta, codigo).ejecutar();
}

std::string TextoRechazo(const InformeComprobacion& informe) {
  std::string t = "Esta base de datos no es correcta.";
  for (const auto& e : informe.errores) t += "\n" + e;
  return t;
}

std::string TextoAvisos(const std::string& codigo, const InformeComprobacion& informe) {
  std::string t = "Avisos sobre los datos de la base de datos " + codigo + ":";
  for (const auto& a : informe.avisos) t += "\n\n" + a;
  return t;
}

}  // namespace arbelio::import
