#include "data/KeyExpression.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/CodePage.h"
#include "data/DbError.h"
#include "data/FieldCodec.h"
#include "data/NameCase.h"

namespace data {
namespace {

using Node = KeyExpression::Node;
using Op = KeyExpression::Op;

struct Function {
  const char* name;
  Op op;
  int minArgs, maxArgs;
};
// LEFT becomes SUBSTR, RTRIM is TRIM.
constexpr Function kFunctions[] = {
    {"DTOS", Op::Dtos, 1, 1},    {"STR", Op::Str, 1, 3},       {"UPPER", Op::Upper, 1, 1},
    {"LOWER", Op::Lower, 1, 1},  {"SUBSTR", Op::Substr, 2, 3}, {"LEFT", Op::Substr, 2, 2},
    {"RIGHT", Op::Right, 2, 2}, {"TRIM", Op::Trim, 1, 1},     {"RTRIM", Op::Trim, 1, 1},
    {"LTRIM", Op::Ltrim, 1, 1},  {"VAL", Op::Val, 1, 1},
};

// dBase takes a function name shortened to its first four letters.
bool NamesFunction(const std::string& written, const std::string& full) {
  return written == full || (written.size() >= 4 && full.compare(0, written.size(), written) == 0);
}

const char* TypeName(KeyType t) {
  switch (t) {
    case KeyType::Numeric: return "numérico";
    case KeyType::Date: return "de fecha";
    default: return "de caracteres";
  }
}

class Parser {
 public:
  Parser(const std::string& text, const std::vector<DbfField>& fields, std::vector<Node>& nodes, int& firstField)
      : s_(text), fields_(fields), nodes_(nodes), firstField_(firstField) {}

  int Parse() {
    const int root = Expression();
    Skip();
    if (pos_ < s_.size()) Fail("sobra \"" + s_.substr(pos_) + "\"");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const { throw DbError(why); }

  void Skip() {
    while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
  }
  bool Take(char c) {
    Skip();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  int Add(Node n) {
    nodes_.push_back(std::move(n));
    return static_cast<int>(nodes_.size()) - 1;
  }
  const Node& At(int i) const { return nodes_[i]; }

  int Expression() {
    int left = Primary();
    for (;;) {
      if (Take('+')) {
        const int right = Primary();
        const KeyType a = At(left).type, b = At(right).type;
        Node n;
        n.a = left;
        n.b = right;
        if (a == KeyType::Character && b == KeyType::Character) {
          n.op = Op::Concat;
          n.length = At(left).length + At(right).length;
        } else if (a == KeyType::Numeric && b == KeyType::Numeric) {
          n.op = Op::Add;
          n.type = KeyType::Numeric;
        } else {
          Fail(std::string("no se puede sumar un valor ") + TypeName(a) + " y uno " + TypeName(b));
        }
        left = Add(std::move(n));
      } else if (Take('-')) {
        const int right = Primary();
        if (At(left).type != KeyType::Numeric || At(right).type != KeyType::Numeric)
          Fail("solo se restan valores numéricos");
        Node n;
        n.op = Op::Subtract;
        n.type = KeyType::Numeric;
        n.a = left;
        n.b = right;
        left = Add(std::move(n));
      } else {
        return left;
      }
    }
  }

  int Primary() {
    Skip();
    if (pos_ >= s_.size()) Fail("la expresión termina antes de tiempo");
    const char c = s_[pos_];
    if (c == '(') {
      ++pos_;
      const int inner = Expression();
      if (!Take(')')) Fail("falta un paréntesis de cierre");
      return inner;
    }
    if (c == '"' || c == '\'') {
      const size_t end = s_.find(c, pos_ + 1);
      if (end == std::string::npos) Fail("falta el cierre de un texto");
      Node n;
      n.op = Op::Text;
      n.text = s_.substr(pos_ + 1, end - pos_ - 1);
      n.length = static_cast<int>(n.text.size());
      pos_ = end + 1;
      return Add(std::move(n));
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      const size_t start = pos_;
      while (pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.')) ++pos_;
      Node n;
      n.op = Op::Number;
      n.type = KeyType::Numeric;
      char* end = nullptr;
      const std::string digits = s_.substr(start, pos_ - start);
      n.number = std::strtod(digits.c_str(), &end);
      if (*end != 0) Fail("\"" + digits + "\" no es un número");
      return Add(std::move(n));
    }
    if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') Fail(std::string("no se esperaba \"") + c + "\"");
    std::string name = Name();
    Skip();
    if (s_.compare(pos_, 2, "->") == 0) {
      // An alias before the field: the table's own fields are meant.
      pos_ += 2;
      Skip();
      name = Name();
    }
    if (Take('(')) return Call(name);
    const int field = FieldNamed(name);
    if (field < 0) Fail("la tabla no tiene el campo " + name);
    if (firstField_ < 0) firstField_ = field;
    const DbfField& f = fields_[field];
    Node n;
    n.op = Op::Field;
    n.field = field;
    if (f.type == 'C') {
      n.length = f.length;
    } else if (IsNumericType(f.type)) {
      n.type = KeyType::Numeric;
    } else if (IsDateType(f.type)) {
      n.type = KeyType::Date;
    } else {
      Fail("el campo " + f.name + " (tipo " + std::string(1, f.type) + ") no puede formar parte de una clave");
    }
    return Add(std::move(n));
  }

  std::string Name() {
    const size_t start = pos_;
    while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) ++pos_;
    if (pos_ == start) Fail("falta un nombre");
    return Upper(s_.substr(start, pos_ - start));
  }

  int FieldNamed(const std::string& name) const {
    for (size_t i = 0; i < fields_.size(); ++i)
      if (fields_[i].name == name) return static_cast<int>(i);
    return -1;
  }

  // A whole number given as a constant (lengths and positions).
  int Constant(int node, const std::string& function) const {
    const Node& n = At(node);
    if (n.op != Op::Number || n.number != std::floor(n.number) || n.number < 0 || n.number > 255)
      Fail("la función " + function + " necesita números constantes");
    return static_cast<int>(n.number);
  }

  void Expect(int node, KeyType type, const std::string& function) const {
    if (At(node).type != type)
      Fail("la función " + function + " espera un valor " + TypeName(type) + ", no uno " + TypeName(At(node).type));
  }

  int Call(const std::string& written) {
    const Function* fn = nullptr;
    for (const Function& f : kFunctions)
      if (NamesFunction(written, f.name)) fn = &f;
    if (!fn) Fail("la función " + written + " no está entre las que se saben calcular");
    const std::string name = fn->name;
    std::vector<int> args;
    if (!Take(')')) {
      do args.push_back(Expression());
      while (Take(','));
      if (!Take(')')) Fail("falta un paréntesis de cierre en " + name);
    }
    if (static_cast<int>(args.size()) < fn->minArgs || static_cast<int>(args.size()) > fn->maxArgs)
      Fail("número de argumentos incorrecto en " + name);
    Node n;
    n.op = fn->op;
    n.a = args[0];
    const int argLength = At(args[0]).length;
    switch (fn->op) {
      case Op::Dtos:
        Expect(args[0], KeyType::Date, name);
        n.length = 8;
        break;
      case Op::Str:
        Expect(args[0], KeyType::Numeric, name);
        n.length = args.size() > 1 ? Constant(args[1], name) : 10;
        n.decimals = args.size() > 2 ? Constant(args[2], name) : 0;
        if (n.length < 1) Fail("la función STR necesita una longitud de al menos 1");
        break;
      case Op::Upper:
      case Op::Lower:
      case Op::Trim:
      case Op::Ltrim:
        Expect(args[0], KeyType::Character, name);
        n.length = argLength;
        break;
      case Op::Substr: {
        Expect(args[0], KeyType::Character, name);
        const int k = Constant(args[1], name);
        int start, count;
        if (name == "LEFT") {
          start = 0;
          count = k;
        } else {
          if (k < 1) Fail("SUBSTR empieza en la posición 1");
          start = k - 1;
          count = args.size() > 2 ? Constant(args[2], name) : argLength - start;
        }
        n.start = start;
        n.count = std::max(0, std::min(count, argLength - start));
        n.length = n.count;
        break;
      }
      case Op::Right:
        // The last characters of the value as it is (a field's trailing
        // blanks count, a trimmed value's do not).
        Expect(args[0], KeyType::Character, name);
        n.count = std::min(Constant(args[1], name), argLength);
        n.length = n.count;
        break;
      case Op::Val:
        Expect(args[0], KeyType::Character, name);
        n.type = KeyType::Numeric;
        break;
      default:
        break;
    }
    return Add(std::move(n));
  }

  const std::string& s_;
  const std::vector<DbfField>& fields_;
  std::vector<Node>& nodes_;
  int& firstField_;
  size_t pos_ = 0;
};

std::string FormatStr(double v, int length, int decimals) {
  // Fewer decimals when they do not fit; asterisks when the whole part does
  // not (nor a value that is no number at all).
  if (!std::isfinite(v)) return std::string(length, '*');
  for (int d = decimals; d >= 0; --d) {
    const double scale = std::pow(10.0, d);
    double rounded = std::round(v * scale) / scale;
    if (rounded == 0) rounded = 0;  // no "-0"
    char buf[400];
    std::snprintf(buf, sizeof buf, "%*.*f", length, d, rounded);
    if (static_cast<int>(std::strlen(buf)) <= length) return buf;
  }
  return std::string(length, '*');
}

double ValOf(const std::string& s) {
  size_t i = s.find_first_not_of(' ');
  if (i == std::string::npos) return 0;
  const size_t start = i;
  if (s[i] == '-' || s[i] == '+') ++i;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
  }
  const std::string number = s.substr(start, i - start);
  return std::strtod(number.c_str(), nullptr);
}

}  // namespace

KeyExpression KeyExpression::Compile(const std::string& text, const std::vector<DbfField>& fields, DbfLevel level,
                                     int codePage) {
  KeyExpression e;
  e.fields_ = fields;
  e.level_ = level;
  e.codePage_ = codePage;
  Parser(text, fields, e.nodes_, e.firstField_).Parse();
  const Node& root = e.nodes_.back();
  e.type_ = root.type;
  e.length_ = root.type == KeyType::Numeric ? kNumericKeyLength : root.type == KeyType::Date ? kDateKeyLength : root.length;
  // (Also "'A'+'B'" or STR(5): a key the same for every record.)
  if (e.firstField_ < 0) throw DbError("la clave no depende de ningún campo");
  if (e.type_ == KeyType::Character && (e.length_ < 1 || e.length_ > 240))
    throw DbError("la clave mide " + std::to_string(e.length_) + " caracteres (de 1 a 240)");
  if (root.op == Op::Field) e.plainField_ = root.field;
  if (root.op == Op::Field && root.type == KeyType::Date) e.dateField_ = root.field;
  if (root.op == Op::Dtos && e.nodes_[root.a].op == Op::Field) e.dateField_ = e.nodes_[root.a].field;
  return e;
}

std::string KeyExpression::Dtos(std::optional<TDateTime> day) {
  if (!day) return std::string(8, ' ');
  int y, m, d;
  dt::DecodeDate(*day, y, m, d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
  return buf;
}

KeyExpression::Value KeyExpression::Eval(int node, const char* record) const {
  const Node& n = nodes_[node];
  Value v;
  switch (n.op) {
    case Op::Field: {
      const DbfField& f = fields_[n.field];
      if (n.type == KeyType::Character) v.text.assign(record + f.offset, f.length);
      else if (n.type == KeyType::Numeric) v.number = ReadNumber(f, record, level_);
      else v.date = ReadDate(f, record);
      break;
    }
    case Op::Text: v.text = n.text; break;
    case Op::Number: v.number = n.number; break;
    case Op::Concat:
      v.text = Eval(n.a, record).text;
      v.text += Eval(n.b, record).text;
      break;
    case Op::Add: v.number = Eval(n.a, record).number + Eval(n.b, record).number; break;
    case Op::Subtract: v.number = Eval(n.a, record).number - Eval(n.b, record).number; break;
    case Op::Dtos: v.text = Dtos(Eval(n.a, record).date); break;
    case Op::Str: v.text = FormatStr(Eval(n.a, record).number, n.length, n.decimals); break;
    case Op::Upper:
      v.text = Eval(n.a, record).text;
      for (char& c : v.text) c = UpperInCodePage(static_cast<unsigned char>(c), codePage_);
      break;
    case Op::Lower:
      v.text = Eval(n.a, record).text;
      for (char& c : v.text) c = LowerInCodePage(static_cast<unsigned char>(c), codePage_);
      break;
    case Op::Substr: {
      const std::string s = Eval(n.a, record).text;
      if (static_cast<size_t>(n.start) < s.size()) v.text = s.substr(n.start, n.count);
      break;
    }
    case Op::Right: {
      const std::string s = Eval(n.a, record).text;
      v.text = s.size() > static_cast<size_t>(n.count) ? s.substr(s.size() - n.count) : s;
      break;
    }
    case Op::Trim:
      v.text = Eval(n.a, record).text;
      v.text.erase(v.text.find_last_not_of(' ') + 1);
      break;
    case Op::Ltrim: {
      const std::string s = Eval(n.a, record).text;
      const size_t first = s.find_first_not_of(' ');
      if (first != std::string::npos) v.text = s.substr(first);
      break;
    }
    case Op::Val: v.number = ValOf(Eval(n.a, record).text); break;
  }
  return v;
}

std::string KeyExpression::KeyOf(const char* record, int length) const {
  switch (type_) {
    case KeyType::Numeric: return NumericKey(NumberOf(record));
    case KeyType::Date: return DateKey(DateOf(record));
    default: return CharacterKey(Eval(static_cast<int>(nodes_.size()) - 1, record).text, length);
  }
}

double KeyExpression::NumberOf(const char* record) const {
  return Eval(static_cast<int>(nodes_.size()) - 1, record).number;
}

std::optional<TDateTime> KeyExpression::DateOf(const char* record) const {
  return Eval(static_cast<int>(nodes_.size()) - 1, record).date;
}

}  // namespace data
