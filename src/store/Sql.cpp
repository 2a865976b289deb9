#include "store/Sql.h"

#include <cctype>

#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::store::sql {
namespace {

struct Token {
  enum class Kind { End, Ident, Number, String, Symbol } kind = Kind::End;
  std::string text;  // identifier / symbol / string contents / number text
  double number = 0;
  std::size_t pos = 0;
  bool bracketed = false;
};

[[noreturn]] void syntaxError(std::string_view source, std::size_t pos, const std::string& what) {
  std::string near(source.substr(std::min(pos, source.size()), 30));
  throw StoreError(err::kErrorSintaxis, "Error de sintaxis en '" + std::string(source) +
                                            "': " + what +
                                            (near.empty() ? "" : " cerca de '" + near + "'") + ".");
}

bool isIdentStart(unsigned char c) {
  return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool isIdentChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c >= 0x80;
}

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (std::isspace(c)) {
      ++i;
      continue;
    }
    Token t;
    t.pos = i;
    if (c == '[') {
      const std::size_t e = s.find(']', i + 1);
      if (e == std::string_view::npos) syntaxError(s, i, "falta ']'");
      t.kind = Token::Kind::Ident;
      t.text = std::string(trimView(s.substr(i + 1, e - i - 1)));
      t.bracketed = true;
      if (t.text.empty()) syntaxError(s, i, "nombre vacío entre corchetes");
      i = e + 1;
    } else if (c == '\'' || c == '"') {
      const char q = static_cast<char>(c);
      std::size_t j = i + 1;
      std::string v;
      while (true) {
        if (j >= s.size()) syntaxError(s, i, "falta la comilla de cierre");
        if (s[j] == q) {
          if (j + 1 < s.size() && s[j + 1] == q) {
            v.push_back(q);
            j += 2;
            continue;
          }
          break;
        }
        v.push_back(s[j++]);
      }
      t.kind = Token::Kind::String;
      t.text = std::move(v);
      i = j + 1;
    } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() && std::isdigit(s[i + 1]))) {
      std::size_t j = i;
      while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
      if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
          j = k;
          while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
        }
      }
      t.kind = Token::Kind::Number;
      t.text = std::string(s.substr(i, j - i));
      if (!parseNumber(t.text, t.number) || t.text.find(',') != std::string::npos) {
        syntaxError(s, i, "número no válido");
      }
      i = j;
    } else if (isIdentStart(c)) {
      std::size_t j = i;
      while (j < s.size() && isIdentChar(static_cast<unsigned char>(s[j]))) ++j;
      t.kind = Token::Kind::Ident;
      t.text = std::string(s.substr(i, j - i));
      i = j;
    } else {
      t.kind = Token::Kind::Symbol;
      if ((c == '<' || c == '>') && i + 1 < s.size() && (s[i + 1] == '=' || s[i + 1] == '>')) {
        t.text = std::string(s.substr(i, 2));
        if (t.text == ">>") syntaxError(s, i, "operador no válido");
        i += 2;
      } else if (std::string_view("=<>(),*;+-").find(static_cast<char>(c)) !=
                 std::string_view::npos) {
        t.text = std::string(1, static_cast<char>(c));
        ++i;
      } else {
        syntaxError(s, i, "carácter no válido");
      }
    }
    out.push_back(std::move(t));
  }
  Token end;
  end.pos = s.size();
  out.push_back(end);
  return out;
}

class Parser {
 public:
  explicit Parser(std::string_view src) : src_(src), toks_(tokenize(src)) {}

  Statement statement() {
    Statement st;
    if (keyword("SELECT")) {
      st.kind = Statement::Kind::Select;
      st.select = selectBody();
    } else if (keyword("DELETE")) {
      st.kind = Statement::Kind::Delete;
      symbol("*");
      expectKeyword("FROM");
      st.target = tableName();
      if (keyword("WHERE")) st.where = condition();
    } else if (keyword("INSERT")) {
      st.kind = Statement::Kind::Insert;
      expectKeyword("INTO");
      st.target = tableName();
      expectKeyword("SELECT");
      st.select = selectBody();
    } else {
      fail("se esperaba SELECT, DELETE o INSERT");
    }
    finish();
    return st;
  }

  Cond criteria() {
    Cond c = condition();
    finish();
    return c;
  }

  std::vector<OrderKey> orderList() {
    auto keys = orderKeys();
    finish();
    return keys;
  }

 private:
  const Token& peek(std::size_t k = 0) const { return toks_[std::min(pos_ + k, toks_.size() - 1)]; }
  [[noreturn]] void fail(const std::string& what) const { syntaxError(src_, peek().pos, what); }

  bool isKeyword(const Token& t, std::string_view kw) const {
    return t.kind == Token::Kind::Ident && !t.bracketed && equalsNoCase(t.text, kw);
  }
  bool keyword(std::string_view kw) {
    if (isKeyword(peek(), kw)) {
      ++pos_;
      return true;
    }
    return false;
  }
  void expectKeyword(std::string_view kw) {
    if (!keyword(kw)) fail("se esperaba " + std::string(kw));
  }
  bool symbol(std::string_view s) {
    if (peek().kind == Token::Kind::Symbol && peek().text == s) {
      ++pos_;
      return true;
    }
    return false;
  }
  void expectSymbol(std::string_view s) {
    if (!symbol(s)) fail("se esperaba '" + std::string(s) + "'");
  }
  void finish() {
    symbol(";");
    if (peek().kind != Token::Kind::End) fail("texto sobrante");
  }

  static bool reserved(const std::string& w) {
    static const char* kWords[] = {"SELECT", "DISTINCT", "FROM", "WHERE", "GROUP",  "BY",
                                   "HAVING", "ORDER",    "AS",   "AND",   "OR",     "NOT",
                                   "IN",     "DESC",     "ASC",  "INTO",  "DELETE", "INSERT"};
    for (const char* k : kWords) {
      if (equalsNoCase(w, k)) return true;
    }
    return false;
  }

  std::string name() {
    const Token& t = peek();
    if (t.kind != Token::Kind::Ident || (!t.bracketed && reserved(t.text))) {
      fail("se esperaba un nombre");
    }
    ++pos_;
    return t.text;
  }
  // A table is a file of the database's folder: a name with a path in it is refused, so a
  // statement never reads or writes outside that folder.
  std::string tableName() {
    const std::size_t at = peek().pos;
    std::string n = name();
    if (n.find_first_of("/\\:") != std::string::npos || n.find("..") != std::string::npos) {
      syntaxError(src_, at, "el nombre de tabla '" + n + "' no puede llevar una ruta");
    }
    return n;
  }

  static Agg aggOf(const std::string& w) {
    if (equalsNoCase(w, "COUNT")) return Agg::Count;
    if (equalsNoCase(w, "SUM")) return Agg::Sum;
    if (equalsNoCase(w, "AVG")) return Agg::Avg;
    if (equalsNoCase(w, "MIN")) return Agg::Min;
    if (equalsNoCase(w, "MAX")) return Agg::Max;
    return Agg::None;
  }

  Operand operand() {
    Operand o;
    const Token& t = peek();
    const std::size_t start = t.pos;
    if (t.kind == Token::Kind::String) {
      o.kind = Operand::Kind::Literal;
      o.literal = Value(t.text);
      o.quoted = true;
      ++pos_;
    } else if (t.kind == Token::Kind::Number ||
               (t.kind == Token::Kind::Symbol && (t.text == "-" || t.text == "+") &&
                peek(1).kind == Token::Kind::Number)) {
      double sign = 1;
      if (t.kind == Token::Kind::Symbol) {
        sign = t.text == "-" ? -1 : 1;
        ++pos_;
      }
      o.kind = Operand::Kind::Literal;
      o.literal = Value(sign * peek().number);
      ++pos_;
    } else if (t.kind == Token::Kind::Ident && !t.bracketed && aggOf(t.text) != Agg::None &&
               peek(1).kind == Token::Kind::Symbol && peek(1).text == "(") {
      o.kind = Operand::Kind::Aggregate;
      o.agg = aggOf(t.text);
      pos_ += 2;
      if (symbol("*")) {
        if (o.agg != Agg::Count) fail("sólo Count admite '*'");
        o.name = "*";
      } else {
        o.name = name();
      }
      expectSymbol(")");
    } else {
      o.kind = Operand::Kind::Column;
      o.name = name();
    }
    const std::size_t end = peek().pos;
    o.text = std::string(trimView(src_.substr(start, end - start)));
    return o;
  }

  bool comparison(CmpOp& op) {
    const Token& t = peek();
    if (t.kind != Token::Kind::Symbol) return false;
    if (t.text == "=")
      op = CmpOp::Eq;
    else if (t.text == "<>")
      op = CmpOp::Ne;
    else if (t.text == "<")
      op = CmpOp::Lt;
    else if (t.text == ">")
      op = CmpOp::Gt;
    else if (t.text == "<=")
      op = CmpOp::Le;
    else if (t.text == ">=")
      op = CmpOp::Ge;
    else
      return false;
    ++pos_;
    return true;
  }

  Cond condition() {
    Cond first = conjunction();
    if (!isKeyword(peek(), "OR")) return first;
    Cond c;
    c.kind = Cond::Kind::Or;
    c.kids.push_back(std::move(first));
    while (keyword("OR")) c.kids.push_back(conjunction());
    return c;
  }

  Cond conjunction() {
    Cond first = factor();
    if (!isKeyword(peek(), "AND")) return first;
    Cond c;
    c.kind = Cond::Kind::And;
    c.kids.push_back(std::move(first));
    while (keyword("AND")) c.kids.push_back(factor());
    return c;
  }

  // Each NOT and each parenthesis nests one level; a text nested deeper than anything the
  // program writes is refused before it can exhaust the stack.
  struct Nivel {
    explicit Nivel(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxDepth) {
        p_.fail("la condición anida más de " + std::to_string(kMaxDepth) +
                " paréntesis u operadores NOT");
      }
    }
    ~Nivel() { --p_.depth_; }
    Nivel(const Nivel&) = delete;
    Nivel& operator=(const Nivel&) = delete;
    Parser& p_;
  };

  Cond factor() {
    if (keyword("NOT")) {
      Nivel nivel(*this);
      Cond c;
      c.kind = Cond::Kind::Not;
      c.kids.push_back(factor());
      return c;
    }
    if (peek().kind == Token::Kind::Symbol && peek().text == "(") {
      // A parenthesised condition (an operand never starts with "(").
      Nivel nivel(*this);
      ++pos_;
      Cond c = condition();
      expectSymbol(")");
      return c;
    }
    Cond c;
    c.lhs = operand();
    if (keyword("IN")) {
      c.kind = Cond::Kind::In;
      expectSymbol("(");
      do {
        Operand v = operand();
        if (v.kind != Operand::Kind::Literal) fail("la lista IN sólo admite valores");
        c.list.push_back(std::move(v));
      } while (symbol(","));
      expectSymbol(")");
      return c;
    }
    c.kind = Cond::Kind::Cmp;
    if (!comparison(c.op)) fail("se esperaba un operador de comparación");
    c.rhs = operand();
    return c;
  }

  std::vector<OrderKey> orderKeys() {
    std::vector<OrderKey> keys;
    do {
      OrderKey k;
      k.name = name();
      if (keyword("DESC"))
        k.desc = true;
      else
        keyword("ASC");
      keys.push_back(std::move(k));
    } while (symbol(","));
    return keys;
  }

  Select selectBody() {
    Select s;
    if (keyword("DISTINCT")) s.distinct = true;
    if (symbol("*")) {
      s.star = true;
    } else {
      do {
        SelectItem item;
        item.expr = operand();
        if (item.expr.kind == Operand::Kind::Literal) fail("se esperaba un campo");
        if (keyword("AS")) item.alias = name();
        s.items.push_back(std::move(item));
      } while (symbol(","));
    }
    expectKeyword("FROM");
    s.table = tableName();
    if (keyword("WHERE")) s.where = condition();
    if (keyword("GROUP")) {
      expectKeyword("BY");
      do {
        s.groupBy.push_back(name());
      } while (symbol(","));
      if (keyword("HAVING")) s.having = condition();
    }
    if (keyword("ORDER")) {
      expectKeyword("BY");
      s.orderBy = orderKeys();
    }
    return s;
  }

  static constexpr int kMaxDepth = 200;

  std::string_view src_;
  std::vector<Token> toks_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

Statement parseStatement(std::string_view text) {
  return Parser(text).statement();
}
Cond parseCriteria(std::string_view text) {
  return Parser(text).criteria();
}
std::vector<OrderKey> parseOrderBy(std::string_view text) {
  return Parser(text).orderList();
}

bool looksLikeSelect(std::string_view text) {
  const std::string_view t = trimView(text);
  return t.size() >= 6 && equalsNoCase(t.substr(0, 6), "SELECT") &&
         (t.size() == 6 || !isIdentChar(static_cast<unsigned char>(t[6])));
}

}  // namespace arbelio::store::sql
