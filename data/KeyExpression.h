#pragma once
// The key expressions of dBase index tags, compiled against a table's fields
// and evaluated on its records. Supported (names in any case, functions also
// by their first four letters, an alias before a field ignored):
//
//   field names                     C, N/F/I..., D fields as they are
//   a + b, a - b                    concatenation of character values;
//                                   addition and subtraction of numbers
//   "text", 'text', 12, 1.5         constants (texts keep their case)
//   DTOS(d)                         C(8) "YYYYMMDD", blanks for a blank date
//   STR(n [, length [, decimals]])  C(length), right-aligned, default 10,0;
//                                   fewer decimals when they do not fit,
//                                   asterisks when the whole part does not
//   UPPER(c), LOWER(c)              same length; letters by the table's code
//                                   page (437, 850, 1252)
//   SUBSTR(c, start [, count]), LEFT(c, n)
//   RIGHT(c, n)                     the last n characters of c as it is: a
//                                   field's trailing blanks count
//   TRIM(c), RTRIM(c), LTRIM(c)     blanks removed; the key keeps c's length
//   VAL(c)                          the number c starts with, else 0
//
// Character keys are as long as dBase makes them: a field's width, the sum
// for a concatenation, the count of SUBSTR/LEFT/RIGHT, the length of STR.
// Values shorter than that (TRIM) are padded with blanks. Numbers given to
// SUBSTR, LEFT, RIGHT and STR must be constants, as key lengths are fixed.
// A key names at least one field. Anything else (IIF, SOUNDEX, comparisons, ...) is refused with the reason.
#include <optional>
#include <string>
#include <vector>

#include "core/DateTime.h"
#include "data/DbfHeader.h"
#include "data/IndexKey.h"

namespace data {

class KeyExpression {
 public:
  // Throws DbError saying why (in Spanish, without naming the tag) when the
  // text is not an expression this engine evaluates over `fields`.
  static KeyExpression Compile(const std::string& text, const std::vector<DbfField>& fields, DbfLevel level,
                               int codePage);

  KeyType Type() const { return type_; }
  // Key length in bytes (12 for numbers, 8 for dates).
  int Length() const { return length_; }
  // The field the expression is, or -1.
  int PlainField() const { return plainField_; }
  // The date field the expression is or puts in DTOS() alone, or -1: such a
  // tag orders its records as the date field does.
  int DateField() const { return dateField_; }
  // The first field the expression names (for messages).
  int FirstField() const { return firstField_; }

  // The key of a record (its stored bytes) as the tag holds it, `length`
  // bytes long for character keys (the tag's own length may differ).
  std::string KeyOf(const char* record, int length) const;
  // For numeric and date keys: the value itself, before encoding.
  double NumberOf(const char* record) const;
  std::optional<TDateTime> DateOf(const char* record) const;

  // "YYYYMMDD", or blanks for no date: the text DTOS() gives.
  static std::string Dtos(std::optional<TDateTime> day);

  // One step of the compiled expression.
  enum class Op { Field, Text, Number, Concat, Add, Subtract, Dtos, Str, Upper, Lower, Substr, Right, Trim, Ltrim, Val };
  struct Node {
    Op op = Op::Text;
    KeyType type = KeyType::Character;
    int length = 0;          // character results: the key length dBase gives
    int a = -1, b = -1;      // operands (node numbers)
    int field = -1;          // Field
    std::string text;        // Text
    double number = 0;       // Number
    int start = 0, count = 0, decimals = 0;  // Substr (0-based), Right, Str
  };

 private:
  struct Value {
    std::string text;  // character results, in the table's code page
    double number = 0;
    std::optional<TDateTime> date;
  };
  Value Eval(int node, const char* record) const;

  std::vector<Node> nodes_;  // children before parents; the root is last
  std::vector<DbfField> fields_;
  DbfLevel level_ = DbfLevel::dBase4;
  int codePage_ = 1252;
  KeyType type_ = KeyType::Character;
  int length_ = 0;
  int plainField_ = -1;
  int dateField_ = -1;
  int firstField_ = -1;
};

}  // namespace data
