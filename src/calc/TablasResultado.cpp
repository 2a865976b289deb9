#include "calc/TablasResultado.h"

namespace arbelio::calc {

using store::FieldType;

const char* NombreBase(TablaResultado t) {
  switch (t) {
    case TablaResultado::AIndiv:
      return "AIndiv";
    case TablaResultado::Parcel:
      return "Parcel";
    case TablaResultado::Specie:
      return "Specie";
    case TablaResultado::Cldiam:
      return "Cldiam";
    case TablaResultado::Sp_par:
      return "Sp_par";
    case TablaResultado::Cd_par:
      return "Cd_par";
    case TablaResultado::Cd_esp:
      return "Cd_esp";
    case TablaResultado::Cdsp_p:
      return "Cdsp_p";
    case TablaResultado::Totals:
      return "Totals";
  }
  return "";
}

std::string NombreTabla(const EstadoAplicacion& estado, TablaResultado t) {
  return NombreBase(t) + estado.SufijoTablas;
}

std::vector<std::string> VariablesMarcadas(const EstadoAplicacion& estado) {
  std::vector<std::string> v;
  for (const auto& fila : estado.VariablesUnidades) {
    if (fila.calcular == "SI") v.push_back(fila.codigo);
  }
  return v;
}

bool VariableMarcada(const EstadoAplicacion& estado, const std::string& codigo) {
  for (const auto& fila : estado.VariablesUnidades) {
    if (fila.codigo == codigo) return fila.calcular == "SI";
  }
  return false;
}

store::TableDef DefinicionTablaResultado(const EstadoAplicacion& estado, TablaResultado t) {
  store::TableDef d(NombreTabla(estado, t));
  const auto& o = estado.opciones;
  auto entero = [&](const char* n) { d.appendField(n, FieldType::Integer); };
  auto simple = [&](const char* n) { d.appendField(n, FieldType::Single); };
  auto simples = [&](std::initializer_list<const char*> ns) {
    for (const char* n : ns) simple(n);
  };
  switch (t) {
    case TablaResultado::AIndiv:
      for (const char* n : {"PROVINCIA", "PARCELA", "NUMORDEN", "ESPECIE", "FORMA", "CALIDAD"}) {
        entero(n);
      }
      d.appendField("PARAMESP", FieldType::Text, 3);
      d.appendField("FACTOREXP", FieldType::Byte);
      simples({"CD", "DN", "SN", "CN"});
      if (o.CalcularSDCH || o.CalcularIDCH) simple("LDCH");
      if (o.CalcularSDCH) simple("SDCH");
      if (o.CalcularIDCH) simple("IDCH");
      simple("ALTURA");
      break;
    case TablaResultado::Parcel:
      entero("PROVINCIA");
      entero("PARCELA");
      simples({"N", "Dg", "Dm", "Do", "Hm", "Ho", "AB"});
      if (o.CalcularSDCH) simple("SDCH");
      if (o.CalcularIDCH) simple("IDM");
      break;
    case TablaResultado::Cd_par:
      entero("PROVINCIA");
      entero("PARCELA");
      simples({"CD", "N", "Dm", "Hm", "AB"});
      break;
    case TablaResultado::Sp_par:
      entero("PROVINCIA");
      entero("PARCELA");
      entero("ESPECIE");
      simples({"N", "NTP", "AB", "ABTP", "Dg", "Dm", "Do", "Hm", "Ho"});
      break;
    case TablaResultado::Cdsp_p:
      entero("PROVINCIA");
      entero("PARCELA");
      entero("ESPECIE");
      simples({"CD", "N", "NTP", "AB", "ABTP", "Dg", "Dm", "Hm"});
      break;
    case TablaResultado::Cd_esp:
      entero("ESPECIE");
      simples({"CD", "N", "NTP", "AB", "ABTP", "Dg", "Dm", "Hm"});
      break;
    case TablaResultado::Specie:
      entero("ESPECIE");
      simples({"N", "NTP", "AB", "ABTP", "Dg", "Dm", "Do", "Hm", "Ho"});
      break;
    case TablaResultado::Cldiam:
      simples({"CD", "N", "NTP", "AB", "ABTP", "Dm", "Hm"});
      break;
    case TablaResultado::Totals:
      simples({"N", "Dg", "Dm", "Do", "Hm", "Ho", "AB"});
      break;
  }
  for (const auto& v : VariablesMarcadas(estado)) d.appendField(v, FieldType::Single);
  if (t == TablaResultado::Parcel) simples({"HART", "REINEKE"});
  return d;
}

void CrearTablaResultado(store::Database& salida, EstadoAplicacion& estado, TablaResultado t) {
  if (t == TablaResultado::AIndiv) estado.SufijoCalculos = estado.SufijoTablas;
  salida.appendTableDef(DefinicionTablaResultado(estado, t));
}

}  // namespace arbelio::calc
