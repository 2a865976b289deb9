#include "store/Schema.h"

#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::store {

const char* fieldTypeName(FieldType t) {
  switch (t) {
    case FieldType::Text:
      return "Texto";
    case FieldType::Byte:
      return "Byte";
    case FieldType::Integer:
      return "Entero";
    case FieldType::Long:
      return "Entero largo";
    case FieldType::Single:
      return "Simple";
    case FieldType::Double:
      return "Doble";
    case FieldType::Memo:
      return "Memo";
    case FieldType::Date:
      return "Fecha";
    case FieldType::Boolean:
      return "Sí/No";
  }
  return "?";
}

FieldDef FieldDef::make(std::string name, FieldType type, int size) {
  if (name.empty() || name.size() > 10) {
    throw StoreError(err::kErrorSintaxis,
                     "Nombre de campo no válido: '" + name + "' (de 1 a 10 caracteres).");
  }
  FieldDef f;
  f.name = std::move(name);
  f.type = type;
  switch (type) {
    case FieldType::Text:
      if (size < 1 || size > 254) {
        throw StoreError(err::kErrorSintaxis, "Tamaño de campo de texto no válido para '" + f.name +
                                                  "': " + std::to_string(size) + ".");
      }
      f.dbfType = 'C';
      f.dbfLength = size;
      break;
    case FieldType::Byte:
      f.dbfType = 'N';
      f.dbfLength = 4;
      break;
    case FieldType::Integer:
      f.dbfType = 'N';
      f.dbfLength = 6;
      break;
    case FieldType::Long:
      f.dbfType = 'N';
      f.dbfLength = 11;
      break;
    case FieldType::Single:
      f.dbfType = 'N';
      f.dbfLength = 19;
      f.dbfDecimals = 7;
      break;
    case FieldType::Double:
      f.dbfType = 'N';
      f.dbfLength = 19;
      f.dbfDecimals = 9;
      break;
    case FieldType::Memo:
      f.dbfType = 'M';
      f.dbfLength = 10;
      break;
    case FieldType::Date:
      f.dbfType = 'D';
      f.dbfLength = 8;
      break;
    case FieldType::Boolean:
      f.dbfType = 'L';
      f.dbfLength = 1;
      break;
  }
  f.size = f.dbfLength;
  return f;
}

int TableDef::fieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (equalsNoCase(fields_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

bool TableDef::hasIndex(std::string_view name) const {
  for (const auto& i : indexes_) {
    if (equalsNoCase(i.name, name)) return true;
  }
  return false;
}

}  // namespace arbelio::store
