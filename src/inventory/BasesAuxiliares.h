// The auxiliary databases installed beside the program, as SQLite files: HusoHoja (table
// Hojas: UTM zones of each map sheet) and EcuacionesKAV (tables Modelos and Cubicacion: the
// inventory's volume models and equations, searched through BuscaF1Index..BuscaF6Index).
// They are built from CSV sources at build time, or converted from the inventory's own Access
// files with mdbtools.
#pragma once

#include <array>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

#include "inventory/ErrorDatos.h"
#include "inventory/MallaMTN50.h"

namespace arbelio::inventory {

// Rows "Hoja,nHusos,Huso1,Huso2" (an optional header line; Huso2 may be empty). Throws
// ErrorDatos naming the line of a malformed row or a repeated sheet.
std::vector<HusosHoja> LeeCsvHusoHoja(std::istream& in);
// Writes the table Hojas (Hoja, nHusos, Huso1, Huso2; unique index "PrimaryKey" on Hoja) into
// a new SQLite file, replacing the target only when complete.
void CreaHusoHojaSqlite(const std::vector<HusosHoja>& filas, const std::string& salida);

struct ModeloKAV {
  int idModelo = 0;
  std::string modelo;
};

// One equation of the inventory: the key (tree class, province, species text, variable), the
// forms it serves and the model with its three parameters.
struct EcuacionKAV {
  std::string clase = "P.M.";
  int provincia = 0;
  std::string especie;
  std::array<bool, 6> formas{};
  std::string variable;
  int modelo = 0;
  double a = 0, b = 0, c = 0;
};

// "IdModelo,Modelo" rows; the formula may be quoted with double quotes.
std::vector<ModeloKAV> LeeCsvModelos(std::istream& in);
// "clase,provincias,especie,formas,variable,modelo,a,b,c" rows. provincias is "*" (codes 1-50,
// 55 and 56) or codes separated by blanks; formas lists the form digits ("123456").
// One equation per province.
std::vector<EcuacionKAV> LeeCsvCubicacion(std::istream& in);
// Writes the tables Modelos and Cubicacion with the indexes BuscaF1Index..BuscaF6Index.
void CreaEcuacionesSqlite(const std::vector<ModeloKAV>& modelos,
                          const std::vector<EcuacionKAV>& ecuaciones, const std::string& salida);

// Converts the tables Hojas, Modelos and Cubicacion of an Access file into a SQLite file with
// mdbtools (mdb-tables, mdb-schema, mdb-export), keeping the index names. The tools are looked
// for in the folder named by ARBELIO_MDBTOOLS, else on the PATH. Returns the converted tables
// and warnings (missing indexes...). Throws ErrorDatos when the file is missing, is not an
// Access database, lacks the tables, or the tools are not installed.
struct ResultadoImportacion {
  std::vector<std::string> tablas;
  std::vector<long long> filas;  // rows of each converted table
  std::vector<std::string> avisos;
};
ResultadoImportacion ImportaMdb(const std::string& archivoMdb, const std::string& salida);

}  // namespace arbelio::inventory
