// The SQL dialect of the store: parsing (internal).
//
//   SELECT [DISTINCT] list FROM table|[table] [WHERE cond] [GROUP BY cols [HAVING cond]]
//          [ORDER BY col [ASC|DESC], ...] [;]
//   DELETE [*] FROM table [WHERE cond]
//   INSERT INTO table SELECT ...
// list: * | item, item...   item: column | Count|Sum|Avg|Min|Max(column|*) [AS alias]
// cond: comparisons (=, <>, <, >, <=, >=) joined by AND/OR, NOT, parentheses, col IN (values).
// Keywords and names in any letter case; a quoted value ('text' with '' for a quote) compares
// as text, an unquoted number as a number.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Value.h"

namespace arbelio::store::sql {

enum class Agg { None, Count, Sum, Avg, Min, Max };
enum class CmpOp { Eq, Ne, Lt, Gt, Le, Ge };

struct Operand {
  enum class Kind { Column, Literal, Aggregate } kind = Kind::Column;
  std::string name;  // column (for Aggregate: its argument, "*" for Count(*))
  Value literal;     // Literal
  bool quoted = false;
  Agg agg = Agg::None;
  std::string text;  // as written, for names of unaliased expressions
};

struct Cond {
  enum class Kind { Cmp, In, And, Or, Not } kind = Kind::Cmp;
  CmpOp op = CmpOp::Eq;
  Operand lhs, rhs;
  std::vector<Operand> list;  // In
  std::vector<Cond> kids;     // And / Or / Not
};

struct SelectItem {
  Operand expr;
  std::string alias;
};

struct OrderKey {
  std::string name;
  bool desc = false;
};

struct Select {
  bool distinct = false;
  bool star = false;
  std::vector<SelectItem> items;
  std::string table;
  std::optional<Cond> where;
  std::vector<std::string> groupBy;
  std::optional<Cond> having;
  std::vector<OrderKey> orderBy;
};

struct Statement {
  enum class Kind { Select, Delete, Insert } kind = Kind::Select;
  Select select;              // Select, and the source of Insert
  std::string target;         // Delete / Insert
  std::optional<Cond> where;  // Delete
};

// Throw StoreError (syntax error) with the offending text.
Statement parseStatement(std::string_view text);
Cond parseCriteria(std::string_view text);
std::vector<OrderKey> parseOrderBy(std::string_view text);
// True when text starts with SELECT (after blanks), i.e. is a query rather than a table name.
bool looksLikeSelect(std::string_view text);

}  // namespace arbelio::store::sql
