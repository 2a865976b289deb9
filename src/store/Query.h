// Evaluation of the SQL dialect over in-memory tables (internal to the store).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/Sql.h"
#include "store/Table.h"

namespace arbelio::store::query {

// Total order used by ORDER BY, GROUP BY and seeks: null < numbers < texts; numbers by value,
// texts by their bytes.
int compareValues(const Value& a, const Value& b);
// A comparison of a condition. A quoted operand makes it a text comparison; an unquoted number a
// numeric one (a text field that does not read as a number never matches). Null never matches.
bool compareOperands(const Value& a, bool aQuoted, const Value& b, bool bQuoted, sql::CmpOp op);
// Key text for hashing a row's values (groups, DISTINCT, equality indexes).
void appendKey(std::string& key, const Value& v);

struct COperand {
  enum class Kind { Column, Literal, Slot } kind = Kind::Column;
  int index = -1;  // column or slot
  Value literal;
  bool quoted = false;
  bool single = false;  // a column of single-precision numbers
};

struct CCond {
  sql::Cond::Kind kind = sql::Cond::Kind::Cmp;
  sql::CmpOp op = sql::CmpOp::Eq;
  COperand lhs, rhs;
  std::vector<COperand> list;
  std::vector<CCond> kids;
};

// Resolves the column names of a condition against a row source's columns (through an optional
// projection: cursor column i is source column proj[i]). Unknown names throw error 3265.
CCond compileCondition(const sql::Cond& cond, const std::vector<FieldDef>& fields,
                       const std::vector<int>& proj);

// Equality conjunction "A = lit AND B = lit ..." as (source column, literal, quoted) terms.
struct EqTerm {
  int col;
  Value literal;
  bool quoted;
  bool single = false;  // the column holds single-precision numbers
};
bool equalityTerms(const CCond& c, std::vector<EqTerm>& out);
// Key of a row value for an equality term: "" when the value can never match.
// A quoted term compares a single-precision column by the text the column shows.
bool eqKeyPart(std::string& key, const Value& fieldValue, bool quoted, bool single = false);
void eqLiteralKeyPart(std::string& key, const Value& literal, bool quoted);

bool evalRow(const CCond& c, const RowSource& src, std::uint32_t row);

struct Result {
  std::shared_ptr<RowSource> source;
  std::shared_ptr<Table> table;     // set when the rows are rows of this table
  std::vector<std::uint32_t> rows;  // the result's rows in order
  std::vector<int> proj;            // result column -> source column
  std::vector<FieldDef> fields;     // result columns (names as selected or aliased)
  bool plain = false;               // one table, plain columns: updatable as a dynaset
};

// Runs a SELECT over src; table is src itself when src is a writable table (else null).
Result runSelect(const sql::Select& s, const std::shared_ptr<RowSource>& src,
                 const std::shared_ptr<Table>& table);
// Stable sort of rows by "col [DESC]" keys resolved against fields/proj.
void sortRows(std::vector<std::uint32_t>& rows, const RowSource& src,
              const std::vector<sql::OrderKey>& keys, const std::vector<FieldDef>& fields,
              const std::vector<int>& proj);

}  // namespace arbelio::store::query
