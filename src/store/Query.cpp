#include "store/Query.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "store/StoreError.h"
#include "store/Text.h"
#include "store/Tramos.h"

namespace arbelio::store::query {

using sql::Agg;
using sql::CmpOp;
using sql::Cond;
using sql::Operand;

int compareValues(const Value& a, const Value& b) {
  const auto rank = [](const Value& v) { return v.isNull() ? 0 : v.isNumber() ? 1 : 2; };
  const int ra = rank(a), rb = rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 1) return a.number() < b.number() ? -1 : (a.number() > b.number() ? 1 : 0);
  if (ra == 2) {
    const int c = a.text().compare(b.text());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  return 0;
}

namespace {
bool applyOp(int c, CmpOp op) {
  switch (op) {
    case CmpOp::Eq:
      return c == 0;
    case CmpOp::Ne:
      return c != 0;
    case CmpOp::Lt:
      return c < 0;
    case CmpOp::Gt:
      return c > 0;
    case CmpOp::Le:
      return c <= 0;
    case CmpOp::Ge:
      return c >= 0;
  }
  return false;
}

bool asNumber(const Value& v, double& out) {
  if (v.isNumber()) {
    out = v.number();
    return true;
  }
  return v.isText() && parseNumber(v.text(), out);
}
}  // namespace

static std::string textOfColumn(const Value& v, bool single) {
  if (single && v.isNumber()) return formatSingle(static_cast<float>(v.number()));
  return v.toString();
}

bool compareOperands(const Value& a, bool aQuoted, const Value& b, bool bQuoted, CmpOp op) {
  if (a.isNull() || b.isNull()) return false;
  if (aQuoted || bQuoted || (a.isText() && b.isText())) {
    const int c = a.toString().compare(b.toString());
    return applyOp(c < 0 ? -1 : (c > 0 ? 1 : 0), op);
  }
  double x = 0, y = 0;
  if (!asNumber(a, x) || !asNumber(b, y)) return false;
  return applyOp(x < y ? -1 : (x > y ? 1 : 0), op);
}

void appendKey(std::string& key, const Value& v) {
  if (v.isNull()) {
    key.push_back('X');
  } else if (v.isNumber()) {
    double d = v.number();
    if (d == 0) d = 0;
    char b[sizeof(double)];
    std::memcpy(b, &d, sizeof d);
    key.push_back('N');
    key.append(b, sizeof b);
  } else {
    key.push_back('T');
    const auto n = static_cast<std::uint32_t>(v.text().size());
    key.append(reinterpret_cast<const char*>(&n), sizeof n);
    key += v.text();
  }
}

bool eqKeyPart(std::string& key, const Value& fieldValue, bool quoted, bool single) {
  if (fieldValue.isNull()) return false;
  if (quoted) {
    appendKey(key, Value(textOfColumn(fieldValue, single)));
    return true;
  }
  double d = 0;
  if (!asNumber(fieldValue, d)) return false;
  appendKey(key, Value(d));
  return true;
}

void eqLiteralKeyPart(std::string& key, const Value& literal, bool quoted) {
  if (quoted) {
    appendKey(key, Value(literal.toString()));
  } else {
    double d = 0;
    if (asNumber(literal, d)) {
      appendKey(key, Value(d));
    } else {
      key += "\x01never";  // a text literal compared numerically never matches
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Compilation

namespace {

int resolveColumn(const std::string& name, const std::vector<FieldDef>& fields,
                  const std::vector<int>& proj) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (equalsNoCase(fields[i].name, name)) {
      return proj.empty() ? static_cast<int>(i) : proj[i];
    }
  }
  throw StoreError(err::kElementoNoEncontrado, "No se encuentra el campo '" + name + "'.");
}

COperand compileOperand(const Operand& o, const std::vector<FieldDef>& fields,
                        const std::vector<int>& proj) {
  COperand c;
  if (o.kind == Operand::Kind::Literal) {
    c.kind = COperand::Kind::Literal;
    c.literal = o.literal;
    c.quoted = o.quoted;
  } else if (o.kind == Operand::Kind::Column) {
    c.kind = COperand::Kind::Column;
    c.index = resolveColumn(o.name, fields, proj);
  } else {
    throw StoreError(err::kErrorSintaxis,
                     "No se admite una función de agregado en este criterio: '" + o.text + "'.");
  }
  return c;
}

bool isSingleColumn(const Operand& o, const std::vector<FieldDef>& fields) {
  if (o.kind != Operand::Kind::Column) return false;
  for (const auto& f : fields) {
    if (equalsNoCase(f.name, o.name)) return f.type == FieldType::Single;
  }
  return false;
}

// A single-precision column holds float values: an equality with a number matches by value,
// so the number is taken at single precision too ("CD=0.45" finds the stored 0.45f).
void roundToSingle(COperand& lit) {
  if (lit.kind == COperand::Kind::Literal && !lit.quoted && lit.literal.isNumber()) {
    lit.literal = Value(static_cast<double>(static_cast<float>(lit.literal.number())));
  }
}

}  // namespace

CCond compileCondition(const Cond& cond, const std::vector<FieldDef>& fields,
                       const std::vector<int>& proj) {
  CCond c;
  c.kind = cond.kind;
  c.op = cond.op;
  switch (cond.kind) {
    case Cond::Kind::Cmp:
      c.lhs = compileOperand(cond.lhs, fields, proj);
      c.rhs = compileOperand(cond.rhs, fields, proj);
      c.lhs.single = isSingleColumn(cond.lhs, fields);
      c.rhs.single = isSingleColumn(cond.rhs, fields);
      if (cond.op == CmpOp::Eq || cond.op == CmpOp::Ne) {
        if (isSingleColumn(cond.lhs, fields)) roundToSingle(c.rhs);
        if (isSingleColumn(cond.rhs, fields)) roundToSingle(c.lhs);
      }
      break;
    case Cond::Kind::In:
      c.lhs = compileOperand(cond.lhs, fields, proj);
      c.lhs.single = isSingleColumn(cond.lhs, fields);
      for (const auto& v : cond.list) c.list.push_back(compileOperand(v, fields, proj));
      if (isSingleColumn(cond.lhs, fields)) {
        for (auto& item : c.list) roundToSingle(item);
      }
      break;
    default:
      for (const auto& k : cond.kids) c.kids.push_back(compileCondition(k, fields, proj));
  }
  return c;
}

bool equalityTerms(const CCond& c, std::vector<EqTerm>& out) {
  if (c.kind == Cond::Kind::And) {
    for (const auto& k : c.kids) {
      if (!equalityTerms(k, out)) return false;
    }
    return true;
  }
  if (c.kind != Cond::Kind::Cmp || c.op != CmpOp::Eq) return false;
  const COperand* col = nullptr;
  const COperand* lit = nullptr;
  if (c.lhs.kind == COperand::Kind::Column && c.rhs.kind == COperand::Kind::Literal) {
    col = &c.lhs, lit = &c.rhs;
  } else if (c.rhs.kind == COperand::Kind::Column && c.lhs.kind == COperand::Kind::Literal) {
    col = &c.rhs, lit = &c.lhs;
  } else {
    return false;
  }
  out.push_back(EqTerm{col->index, lit->literal, lit->quoted, col->single});
  return true;
}

namespace {

template <class Get>
bool evalWith(const CCond& c, const Get& get) {
  switch (c.kind) {
    case Cond::Kind::And:
      for (const auto& k : c.kids) {
        if (!evalWith(k, get)) return false;
      }
      return true;
    case Cond::Kind::Or:
      for (const auto& k : c.kids) {
        if (evalWith(k, get)) return true;
      }
      return false;
    case Cond::Kind::Not:
      return !evalWith(c.kids[0], get);
    case Cond::Kind::In: {
      const Value v = get(c.lhs);
      for (const auto& item : c.list) {
        const Value x =
            item.quoted && c.lhs.single && v.isNumber() ? Value(textOfColumn(v, true)) : v;
        if (compareOperands(x, false, item.literal, item.quoted, CmpOp::Eq)) return true;
      }
      return false;
    }
    case Cond::Kind::Cmp:
    default: {
      // A quoted text against a single-precision column compares with the text the column
      // shows.
      Value a = get(c.lhs);
      Value b = get(c.rhs);
      if (c.lhs.single && c.rhs.quoted && a.isNumber()) a = Value(textOfColumn(a, true));
      if (c.rhs.single && c.lhs.quoted && b.isNumber()) b = Value(textOfColumn(b, true));
      return compareOperands(a, c.lhs.quoted, b, c.rhs.quoted, c.op);
    }
  }
}

}  // namespace

bool evalRow(const CCond& c, const RowSource& src, std::uint32_t row) {
  return evalWith(c, [&](const COperand& o) -> Value {
    if (o.kind == COperand::Kind::Column) return src.get(row, o.index);
    return o.literal;
  });
}

// ---------------------------------------------------------------------------------------------
// Sorting

void sortRows(std::vector<std::uint32_t>& rows, const RowSource& src,
              const std::vector<sql::OrderKey>& keys, const std::vector<FieldDef>& fields,
              const std::vector<int>& proj) {
  if (keys.empty() || rows.size() < 2) return;
  std::vector<int> cols;
  std::vector<bool> desc;
  for (const auto& k : keys) {
    cols.push_back(resolveColumn(k.name, fields, proj));
    desc.push_back(k.desc);
  }
  const std::size_t nk = cols.size();
  // Up to four keys that hold only numbers and empty fields (codes, plot numbers, diameters:
  // the usual case) are sorted as whole numbers that keep the order compareValues gives (empty
  // first, then by number; descending keys reversed), the row's place breaking ties so the
  // order is the stable one.
  constexpr std::size_t kClavesNumericas = 4;
  struct Entrada {
    std::array<std::uint64_t, kClavesNumericas> k{};
    std::uint32_t i = 0;
  };
  // The whole-number keys of a row; false when a key holds text.
  const auto claves = [&](std::uint32_t fila, std::array<std::uint64_t, kClavesNumericas>& k) {
    for (std::size_t c = 0; c < nk; ++c) {
      std::uint64_t clave = 0;  // empty: below every number
      const auto numero = [&clave](double n) {
        const double d = n == 0 ? 0.0 : n;  // -0 equals 0
        const auto bits = std::bit_cast<std::uint64_t>(d);
        clave = (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
      };
      double n = 0;
      if (src.numberAt(fila, cols[c], n)) {
        // A numeric field read as a number: no value is made for it.
        if (!std::isnan(n)) numero(n);
      } else {
        const Value v = src.get(fila, cols[c]);
        if (v.isNumber() && !std::isnan(v.number())) {
          numero(v.number());
        } else if (!v.isNull()) {
          return false;
        }
      }
      k[c] = desc[c] ? ~clave : clave;
    }
    return true;
  };
  // A table merged from sorted parts (the provinces of a working table) comes as a few runs
  // already in order; rows already in order are one run. One walk over the keys finds the runs
  // (a row whose keys are below the previous row's starts one); up to kTramosMaximos runs are
  // merged two by two reading the keys of the rows compared, n log(runs) comparisons and no
  // entry per row. The merge keeps the earlier run's row on a tie, so the order is the stable
  // one.
  bool soloNumeros = nk <= kClavesNumericas;
  if (soloNumeros) {
    std::array<std::uint64_t, kClavesNumericas> anterior{}, actual{};
    std::vector<std::size_t> cortes{0};
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (!claves(rows[i], actual)) {
        soloNumeros = false;
        break;
      }
      if (i > 0 && actual < anterior) {
        cortes.push_back(i);
        if (cortes.size() > kTramosMaximos) break;
      }
      anterior = actual;
    }
    if (soloNumeros && cortes.size() <= kTramosMaximos) {
      std::array<std::uint64_t, kClavesNumericas> ka{}, kb{};
      MezclaTramos(rows, std::move(cortes), [&](std::uint32_t a, std::uint32_t b) {
        claves(a, ka);
        claves(b, kb);
        return ka < kb;
      });
      return;
    }
  }
  std::vector<std::uint32_t, AsignadorGrande<std::uint32_t>> order(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
  const auto ordenar = [&](const auto& posiciones) {
    std::vector<std::uint32_t> sorted(rows.size());
    for (std::size_t i = 0; i < posiciones.size(); ++i) sorted[i] = rows[posiciones[i]];
    rows.swap(sorted);
  };
  std::vector<Entrada, AsignadorGrande<Entrada>> entradas;
  if (soloNumeros) entradas.resize(rows.size());
  for (std::size_t i = 0; soloNumeros && i < rows.size(); ++i) {
    entradas[i].i = static_cast<std::uint32_t>(i);
    soloNumeros = claves(rows[i], entradas[i].k);
  }
  if (soloNumeros) {
    const auto menor = [](const Entrada& a, const Entrada& b) {
      return a.k != b.k ? a.k < b.k : a.i < b.i;
    };
    std::sort(entradas.begin(), entradas.end(), menor);
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = entradas[i].i;
    ordenar(order);
    return;
  }
  entradas = {};
  std::vector<Value> values(rows.size() * nk);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t k = 0; k < nk; ++k) values[i * nk + k] = src.get(rows[i], cols[k]);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    for (std::size_t k = 0; k < nk; ++k) {
      const int c = compareValues(values[a * nk + k], values[b * nk + k]);
      if (c != 0) return desc[k] ? c > 0 : c < 0;
    }
    return false;
  });
  ordenar(order);
}

// ---------------------------------------------------------------------------------------------
// SELECT

namespace {

struct AggDef {
  Agg fn;
  int col;  // -1 for Count(*)
};

// The running state of one aggregate over a group: small and trivially copyable, so the
// states of many groups sit in one flat array. Min and Max keep the row holding the extreme.
struct AggState {
  std::int64_t count = 0;
  double sum = 0;
  std::uint32_t extremo = UINT32_MAX;
};

Value aggResult(const AggDef& def, const AggState& s, const RowSource& src) {
  switch (def.fn) {
    case Agg::Count:
      return Value(static_cast<double>(s.count));
    case Agg::Sum:
      return s.count ? Value(s.sum) : Value();
    case Agg::Avg:
      return s.count ? Value(s.sum / static_cast<double>(s.count)) : Value();
    case Agg::Min:
    case Agg::Max:
      return s.extremo == UINT32_MAX ? Value() : src.get(s.extremo, def.col);
    default:
      return Value();
  }
}

// The bits that key a number in a group: both zeros one key, and every NaN (a null: blank or
// damaged) the one key kClaveNula.
constexpr std::uint64_t kClaveNula = 0x7FF8000000000000ULL;
std::uint64_t bitsDeClave(double n) {
  if (std::isnan(n)) return kClaveNula;
  return std::bit_cast<std::uint64_t>(n == 0 ? 0.0 : n);
}

// The key part appendKey gives for what get() gives of a numeric field read by numberAt: null
// for a NaN, else the number.
void appendNumberKey(std::string& key, double n) {
  if (std::isnan(n)) {
    key.push_back('X');
    return;
  }
  const std::uint64_t bits = bitsDeClave(n);
  char b[sizeof bits];
  std::memcpy(b, &bits, sizeof bits);
  key.push_back('N');
  key.append(b, sizeof b);
}

void aggAdd(const AggDef& def, AggState& s, const RowSource& src, std::uint32_t row) {
  if (def.col < 0) {
    ++s.count;
    return;
  }
  if (def.fn == Agg::Count || def.fn == Agg::Sum || def.fn == Agg::Avg) {
    // A numeric field is read as a number (NaN: null), with no value made for it.
    double n = 0;
    if (src.numberAt(row, def.col, n)) {
      if (std::isnan(n)) return;
      ++s.count;
      if (def.fn != Agg::Count) s.sum += n;
      return;
    }
  }
  const Value v = src.get(row, def.col);
  if (v.isNull()) return;
  switch (def.fn) {
    case Agg::Count:
      ++s.count;
      break;
    case Agg::Sum:
    case Agg::Avg: {
      double d = 0;
      if (!asNumber(v, d)) {
        throw StoreError(err::kTipoNoCoincide,
                         "No coinciden los tipos en la función de agregado "
                         "sobre el campo '" +
                             src.columns()[def.col].name + "'.");
      }
      ++s.count;
      s.sum += d;
      break;
    }
    case Agg::Min:
      if (s.count++ == 0 || compareValues(v, src.get(s.extremo, def.col)) < 0) s.extremo = row;
      break;
    case Agg::Max:
      if (s.count++ == 0 || compareValues(v, src.get(s.extremo, def.col)) > 0) s.extremo = row;
      break;
    default:
      break;
  }
}

int findAgg(std::vector<AggDef>& aggs, Agg fn, int col) {
  for (std::size_t i = 0; i < aggs.size(); ++i) {
    if (aggs[i].fn == fn && aggs[i].col == col) return static_cast<int>(i);
  }
  aggs.push_back(AggDef{fn, col});
  return static_cast<int>(aggs.size() - 1);
}

// HAVING operands: aggregates become slots into the group's aggregate values, columns the value
// of the group's first row.
COperand compileHavingOperand(const Operand& o, const RowSource& src, std::vector<AggDef>& aggs) {
  COperand c;
  if (o.kind == Operand::Kind::Literal) {
    c.kind = COperand::Kind::Literal;
    c.literal = o.literal;
    c.quoted = o.quoted;
  } else if (o.kind == Operand::Kind::Aggregate) {
    c.kind = COperand::Kind::Slot;
    const int col = o.name == "*" ? -1 : resolveColumn(o.name, src.columns(), {});
    c.index = findAgg(aggs, o.agg, col);
  } else {
    c.kind = COperand::Kind::Column;
    c.index = resolveColumn(o.name, src.columns(), {});
  }
  return c;
}

CCond compileHaving(const Cond& cond, const RowSource& src, std::vector<AggDef>& aggs) {
  CCond c;
  c.kind = cond.kind;
  c.op = cond.op;
  if (cond.kind == Cond::Kind::Cmp || cond.kind == Cond::Kind::In) {
    c.lhs = compileHavingOperand(cond.lhs, src, aggs);
    if (cond.kind == Cond::Kind::Cmp) c.rhs = compileHavingOperand(cond.rhs, src, aggs);
    for (const auto& v : cond.list) c.list.push_back(compileHavingOperand(v, src, aggs));
  } else {
    for (const auto& k : cond.kids) c.kids.push_back(compileHaving(k, src, aggs));
  }
  return c;
}

}  // namespace

Result runSelect(const sql::Select& s, const std::shared_ptr<RowSource>& source,
                 const std::shared_ptr<Table>& table) {
  const RowSource& src = *source;
  Result res;

  // Rows that pass WHERE, in table order.
  std::vector<std::uint32_t> rows;
  {
    std::optional<CCond> where;
    if (s.where) where = compileCondition(*s.where, src.columns(), {});
    rows.reserve(static_cast<std::size_t>(src.liveCount()));
    const std::uint32_t n = src.rowCount();
    for (std::uint32_t r = 0; r < n; ++r) {
      if (src.isDeleted(r)) continue;
      if (where && !evalRow(*where, src, r)) continue;
      rows.push_back(r);
    }
  }

  bool anyAggregate = s.having.has_value();
  for (const auto& item : s.items) {
    anyAggregate = anyAggregate || item.expr.kind == Operand::Kind::Aggregate;
  }
  const bool grouped = anyAggregate || !s.groupBy.empty();

  // Plain columns of the result (all but aggregates) and their fields.
  std::vector<FieldDef> outFields;
  std::vector<int> outCols;  // source column, or -1 - aggIndex for aggregates
  std::vector<AggDef> aggs;
  if (s.star) {
    for (std::size_t c = 0; c < src.columns().size(); ++c) {
      outFields.push_back(src.columns()[c]);
      outCols.push_back(static_cast<int>(c));
    }
  } else {
    for (std::size_t i = 0; i < s.items.size(); ++i) {
      const auto& item = s.items[i];
      if (item.expr.kind == Operand::Kind::Column) {
        const int c = resolveColumn(item.expr.name, src.columns(), {});
        FieldDef f = src.columns()[c];
        f.name = item.alias.empty() ? item.expr.name : item.alias;
        outFields.push_back(f);
        outCols.push_back(c);
      } else {
        const int col =
            item.expr.name == "*" ? -1 : resolveColumn(item.expr.name, src.columns(), {});
        const int a = findAgg(aggs, item.expr.agg, col);
        FieldDef f;
        f.name = item.alias.empty() ? "Expr" + std::to_string(1000 + i) : item.alias;
        if (item.expr.agg == Agg::Count) {
          f.type = FieldType::Long;
          f.dbfType = 'N';
          f.dbfLength = 11;
          f.dbfDecimals = 0;
          f.size = 11;
        } else if ((item.expr.agg == Agg::Min || item.expr.agg == Agg::Max) && col >= 0) {
          const std::string name = f.name;
          f = src.columns()[col];
          f.name = name;
        } else {
          f.type = FieldType::Double;
          f.dbfType = 'N';
          f.dbfLength = 19;
          f.dbfDecimals = 9;
          f.size = 19;
        }
        outFields.push_back(f);
        outCols.push_back(-1 - a);
      }
    }
  }

  if (!grouped && !s.distinct) {
    // Plain query over the table's rows: an updatable dynaset.
    std::vector<int> proj;
    for (int c : outCols) proj.push_back(c);
    std::vector<sql::OrderKey> keys = s.orderBy;
    // ORDER BY may name a source column or an alias of the list.
    std::vector<FieldDef> sortFields = src.columns();
    std::vector<int> sortProj;
    for (std::size_t c = 0; c < sortFields.size(); ++c) sortProj.push_back(static_cast<int>(c));
    for (auto& k : keys) {
      if (src.columnIndex(k.name) >= 0) continue;
      for (std::size_t i = 0; i < outFields.size(); ++i) {
        if (equalsNoCase(outFields[i].name, k.name)) k.name = src.columns()[proj[i]].name;
      }
    }
    sortRows(rows, src, keys, sortFields, sortProj);
    res.source = source;
    res.table = table;
    res.rows = std::move(rows);
    res.proj = std::move(proj);
    res.fields = std::move(outFields);
    res.plain = true;
    return res;
  }

  auto out = std::make_shared<ResultSet>(outFields);
  if (!grouped) {
    // DISTINCT over plain columns: order first, then keep the first of each repeated row.
    std::vector<sql::OrderKey> keys = s.orderBy;
    for (auto& k : keys) {
      for (std::size_t i = 0; i < outFields.size(); ++i) {
        if (src.columnIndex(k.name) < 0 && equalsNoCase(outFields[i].name, k.name)) {
          k.name = src.columns()[outCols[i]].name;
        }
      }
    }
    sortRows(rows, src, keys, src.columns(), {});
    std::unordered_map<std::string, bool> seen;
    std::string key;
    for (std::uint32_t r : rows) {
      std::vector<Value> vals;
      key.clear();
      for (int c : outCols) {
        vals.push_back(src.get(r, c));
        appendKey(key, vals.back());
      }
      if (seen.emplace(key, true).second) out->addRow(std::move(vals));
    }
  } else {
    std::vector<int> groupCols;
    for (const auto& g : s.groupBy) groupCols.push_back(resolveColumn(g, src.columns(), {}));
    std::optional<CCond> having;
    if (s.having) having = compileHaving(*s.having, src, aggs);

    // The groups' key values and aggregate states live in two flat arrays (group i's at
    // i * nk and i * na), so a query of a hundred thousand groups does not allocate per group.
    const std::size_t nk = groupCols.size();
    const std::size_t na = aggs.size();
    std::vector<std::uint32_t> firstRows;  // first row of each group
    std::vector<Value> keyValues;
    std::vector<AggState> states;
    // Room for as many groups as rows, so nothing is moved while they grow; the pages are only
    // touched as groups come.
    states.reserve(rows.size() * na);
    keyValues.reserve(rows.size() * nk);
    firstRows.reserve(rows.size());
    // A row's group: a new one is opened at its first row.
    const auto agregar = [&](std::size_t& grupo, bool nuevo, std::uint32_t r) {
      if (nuevo) {
        grupo = firstRows.size();
        firstRows.push_back(r);
        for (int c : groupCols) keyValues.push_back(src.get(r, c));
        states.resize(states.size() + na);
      }
      AggState* st = states.data() + grupo * na;
      for (std::size_t a = 0; a < na; ++a) aggAdd(aggs[a], st[a], src, r);
    };
    // No key, or one numeric field (a province, a plot, a species, a class): the key is the
    // number's bits, as the text key tells numbers apart (both zeros one key, every null one).
    bool numerica = nk == 0;
    if (nk == 1 && !rows.empty()) {
      double n = 0;
      numerica = src.numberAt(rows.front(), groupCols[0], n);
    }
    if (numerica) {
      std::unordered_map<std::uint64_t, std::size_t> index;
      index.reserve(std::min<std::size_t>(rows.size(), 4096));
      for (std::uint32_t r : rows) {
        std::uint64_t key = 0;
        if (nk == 1) {
          double n = 0;
          if (!src.numberAt(r, groupCols[0], n)) {
            throw StoreError(err::kOperacionNoAdmitida,
                             "El campo de agrupación no es numérico en todas las filas.");
          }
          key = bitsDeClave(n);
        }
        const auto [it, nuevo] = index.try_emplace(key, 0);
        agregar(it->second, nuevo, r);
      }
    } else {
      std::unordered_map<std::string, std::size_t> index;
      index.reserve(rows.size());
      std::string key;
      // A row of a group already met costs its key and a lookup.
      for (std::uint32_t r : rows) {
        key.clear();
        for (int c : groupCols) {
          double n = 0;
          if (src.numberAt(r, c, n)) {
            appendNumberKey(key, n);
          } else {
            appendKey(key, src.get(r, c));
          }
        }
        const auto [it, nuevo] = index.try_emplace(key, 0);
        agregar(it->second, nuevo, r);
      }
    }
    // A query with aggregates and no GROUP BY has exactly one row, even over no rows.
    if (groupCols.empty() && firstRows.empty()) {
      firstRows.push_back(UINT32_MAX);
      states.resize(na);
    }
    // Groups come out in ascending order of their keys.
    std::vector<std::uint32_t> groups(firstRows.size());
    for (std::size_t i = 0; i < groups.size(); ++i) groups[i] = static_cast<std::uint32_t>(i);
    if (!groupCols.empty()) {
      std::stable_sort(groups.begin(), groups.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (std::size_t k = 0; k < nk; ++k) {
          const int c = compareValues(keyValues[a * nk + k], keyValues[b * nk + k]);
          if (c != 0) return c < 0;
        }
        return false;
      });
    }
    std::unordered_map<std::string, bool> seen;
    std::vector<Value> aggValues;
    for (const std::uint32_t gi : groups) {
      const std::uint32_t firstRow = firstRows[gi];
      aggValues.clear();
      for (std::size_t a = 0; a < na; ++a)
        aggValues.push_back(aggResult(aggs[a], states[gi * na + a], src));
      if (having) {
        const bool ok = evalWith(*having, [&](const COperand& o) -> Value {
          if (o.kind == COperand::Kind::Slot) return aggValues[static_cast<std::size_t>(o.index)];
          if (o.kind == COperand::Kind::Column) {
            return firstRow == UINT32_MAX ? Value() : src.get(firstRow, o.index);
          }
          return o.literal;
        });
        if (!ok) continue;
      }
      std::vector<Value> vals;
      for (int c : outCols) {
        if (c >= 0) {
          vals.push_back(firstRow == UINT32_MAX ? Value() : src.get(firstRow, c));
        } else {
          vals.push_back(aggValues[static_cast<std::size_t>(-1 - c)]);
        }
      }
      if (s.distinct) {
        std::string key;
        for (const auto& v : vals) appendKey(key, v);
        if (!seen.emplace(key, true).second) continue;
      }
      out->addRow(std::move(vals));
    }
    if (!s.orderBy.empty()) {
      std::vector<std::uint32_t> order(out->rowCount());
      for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
      sortRows(order, *out, s.orderBy, out->columns(), {});
      std::vector<std::vector<Value>> sorted;
      sorted.reserve(order.size());
      for (auto i : order) sorted.push_back(std::move(out->rows()[i]));
      out->rows().swap(sorted);
    }
  }
  res.source = out;
  res.rows.resize(out->rowCount());
  for (std::size_t i = 0; i < res.rows.size(); ++i) res.rows[i] = static_cast<std::uint32_t>(i);
  for (std::size_t i = 0; i < outFields.size(); ++i) res.proj.push_back(static_cast<int>(i));
  res.fields = out->columns();
  res.plain = false;
  return res;
}

}  // namespace arbelio::store::query
