// Table definitions: fields with their logical types, and named indexes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace arbelio::store {

// Logical field types. On disk (dBASE III+) they become:
//   Text(size) -> C(size)      Byte    -> N(4,0)    Integer -> N(6,0)   Long -> N(11,0)
//   Single     -> N(19,7)      Double  -> N(19,9)   Memo    -> M(10)    Date -> D(8)
//   Boolean    -> L(1)
// Reading a file maps these exact signatures back to the same types; any other N or F field
// reads as Double, C as Text, D as Date, L as Boolean, M as Memo.
// A Single field stores the value rounded to single precision, written in the shortest text
// that reads back as the same float; integer fields round half to even.
enum class FieldType { Text, Byte, Integer, Long, Single, Double, Memo, Date, Boolean };

const char* fieldTypeName(FieldType t);

struct FieldDef {
  std::string name;
  FieldType type = FieldType::Text;
  int size = 0;  // text: characters; other types: taken from the dBASE layout

  // dBASE layout of the field. Filled by FieldDef::make for new fields; read from the file for
  // existing tables.
  char dbfType = 'C';
  int dbfLength = 0;
  int dbfDecimals = 0;

  // A new field of a logical type (size only for text, 1..254).
  static FieldDef make(std::string name, FieldType type, int size = 0);
};

struct IndexDef {
  std::string name;
  std::vector<std::string> fields;  // key fields in order
  bool primary = false;
  bool unique = false;
};

class TableDef {
 public:
  TableDef() = default;
  explicit TableDef(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }

  // Field helpers: createField + append in one step.
  void appendField(FieldDef f) { fields_.push_back(std::move(f)); }
  void appendField(std::string name, FieldType type, int size = 0) {
    fields_.push_back(FieldDef::make(std::move(name), type, size));
  }
  const std::vector<FieldDef>& fields() const { return fields_; }
  // Index of a field by case-insensitive name, -1 when absent.
  int fieldIndex(std::string_view name) const;

  const std::vector<IndexDef>& indexes() const { return indexes_; }
  void appendIndex(IndexDef idx) { indexes_.push_back(std::move(idx)); }
  bool hasIndex(std::string_view name) const;

  // Code page of the text fields of a new table (437, 850 or 1252); existing tables keep the
  // one their header names.
  int codePage() const { return codePage_; }
  void setCodePage(int cp) { codePage_ = cp; }

 private:
  std::string name_;
  int codePage_ = 1252;
  std::vector<FieldDef> fields_;
  std::vector<IndexDef> indexes_;
};

}  // namespace arbelio::store
