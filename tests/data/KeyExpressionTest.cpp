// Key expressions evaluated on a hand-made record, against the key types,
// lengths and bytes dBase gives them.
#include <gtest/gtest.h>

#include <cstring>

#include "core/DateTime.h"
#include "data/DbError.h"
#include "data/KeyExpression.h"

using namespace data;

namespace {

std::vector<DbfField> Fields() {
  std::vector<DbfField> f = {{"ASUNTO", 'C', 12, 0, 0, false}, {"FECHA", 'D', 8, 0, 0, false},
                             {"HORA", 'C', 5, 0, 0, false},    {"N", 'N', 11, 0, 0, false},
                             {"F", 'N', 20, 4, 0, false},      {"NOTAS", 'M', 10, 0, 0, false},
                             {"VACIA", 'D', 8, 0, 0, false},   {"CIFRA", 'C', 8, 0, 0, false},
                             {"NAN", 'O', 8, 0, 0, false}};
  int offset = 1;
  for (auto& x : f) {
    x.offset = offset;
    offset += x.length;
  }
  return f;
}

std::string Record() {
  const std::vector<DbfField> f = Fields();
  std::string r(1 + 12 + 8 + 5 + 11 + 20 + 10 + 8 + 8 + 8, ' ');
  auto put = [&](int i, const std::string& v) { std::memcpy(&r[f[i].offset], v.data(), v.size()); };
  put(0, "  Cita \xE1rbol");  // cp1252 "á"
  put(1, "20040301");
  put(2, "09:30");
  put(3, "        -42");
  put(4, "           1234.5678");
  put(7, " -12.5xy");
  put(8, std::string(8, '\xFF'));  // a double that is no number
  return r;
}

std::string Key(const std::string& expression, int length = 0) {
  const KeyExpression e = KeyExpression::Compile(expression, Fields(), DbfLevel::dBase4, 1252);
  return e.KeyOf(Record().data(), length ? length : e.Length());
}

TEST(KeyExpressionTest, CharacterExpressionsGiveDbaseKeysAndLengths) {
  struct Case {
    const char* expression;
    int length;
    const char* key;
  } cases[] = {
      {"ASUNTO", 12, "  Cita \xE1rbol"},
      {"DTOS(FECHA)", 8, "20040301"},
      {"dtos(fecha)+hora", 13, "2004030109:30"},
      {"DTOS(VACIA)+HORA", 13, "        09:30"},
      {"SUBSTR(ASUNTO,3,4)", 4, "Cita"},
      {"SUBSTR(ASUNTO,8)", 5, "\xE1rbol"},
      {"SUBS(ASUNTO, 3, 40)", 10, "Cita \xE1rbol"},
      {"LEFT(HORA,2)", 2, "09"},
      {"RIGHT(HORA,2)", 2, "30"},
      // RIGHT() takes the value as it is: a padded value's blanks count, a
      // trimmed one's are gone; no more than the value is long.
      {"RIGHT(HORA+'  ',3)", 3, "0  "},
      {"RIGHT(TRIM(HORA+'  '),3)", 3, ":30"},
      {"RIGHT(LTRIM(ASUNTO),5)", 5, "\xE1rbol"},
      {"RIGHT(HORA,9)", 5, "09:30"},
      {"HORA+'x'", 6, "09:30x"},
      {"UPPER(ASUNTO)", 12, "  CITA \xC1RBOL"},
      {"LOWER(HORA+'AB')", 7, "09:30ab"},
      {"TRIM(LTRIM(ASUNTO))+HORA", 17, "Cita \xE1rbol09:30  "},
      {"LTRIM(ASUNTO)+\"|\"", 13, "Cita \xE1rbol|  "},
      {"STR(N)", 10, "       -42"},
      {"STR(N,4)", 4, " -42"},
      {"STR(F,10,2)", 10, "   1234.57"},
      {"STR(F,6,2)", 6, "1234.6"},  // decimals go before the whole part does
      {"STR(F,3)", 3, "***"},
      {"STR(N,2)", 2, "**"},  // the sign needs its place too
      {"STR(N,3)", 3, "-42"},
      {"STR(NAN,5)", 5, "*****"},
      {"STR(N+F,8,1)", 8, "  1192.6"},
      {"STR(VAL(CIFRA),6,1)+DTOS(FECHA)", 14, " -12.520040301"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    const KeyExpression e = KeyExpression::Compile(c.expression, Fields(), DbfLevel::dBase4, 1252);
    EXPECT_EQ(e.Type(), KeyType::Character);
    EXPECT_EQ(e.Length(), c.length);
    EXPECT_EQ(e.KeyOf(Record().data(), e.Length()), c.key);
  }
  // The tag's own length rules: a shorter key is cut, a longer one padded.
  EXPECT_EQ(Key("DTOS(FECHA)+HORA", 10), "2004030109");
  EXPECT_EQ(Key("HORA", 7), "09:30  ");
}

TEST(KeyExpressionTest, UpperAndLowerFollowTheTablesCodePage) {
  struct Case {
    int codePage;
    const char* lower;
    const char* upper;
  } cases[] = {
      {1252, "\xE1\xF1\xE9\xFF\x9A\xDF\xB5", "\xC1\xD1\xC9\x9F\x8A\xDF\xB5"},  // áñéÿš, ß and µ stay
      {850, "\xA0\xA4\x82\x81\x87\xE1", "\xB5\xA5\x90\x9A\x80\xE1"},          // áñéüç, ß stays
      {437, "\xA0\xA4\x82\x81\x87\xE1", "\xA0\xA5\x90\x9A\x80\xE1"},          // no Á in 437
  };
  const std::vector<DbfField> fields = {{"T", 'C', 7, 0, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    auto key = [&](const char* expression, const std::string& text) {
      const std::string record = " " + (text + "       ").substr(0, 7);
      const KeyExpression e = KeyExpression::Compile(expression, fields, DbfLevel::dBase4, c.codePage);
      std::string k = e.KeyOf(record.data(), e.Length());
      k.erase(k.find_last_not_of(' ') + 1);
      return k;
    };
    EXPECT_EQ(key("UPPER(T)", c.lower), c.upper);
    EXPECT_EQ(key("UPPER(T)", "abz"), "ABZ");
    EXPECT_EQ(key("LOWER(T)", c.upper), c.lower);
  }
}

TEST(KeyExpressionTest, NumericAndDateExpressionsAndWhatTheyServe) {
  const auto fields = Fields();
  const std::string rec = Record();
  auto compile = [&](const char* text) { return KeyExpression::Compile(text, fields, DbfLevel::dBase4, 1252); };
  EXPECT_EQ(compile("VAL(CIFRA)").Type(), KeyType::Numeric);
  EXPECT_DOUBLE_EQ(compile("VAL(CIFRA)").NumberOf(rec.data()), -12.5);
  EXPECT_DOUBLE_EQ(compile("VAL(HORA)").NumberOf(rec.data()), 9);
  EXPECT_NEAR(NumericKeyValue(compile("N+F").KeyOf(rec.data(), 12).data()), 1192.5678, 1e-9);
  EXPECT_DOUBLE_EQ(compile("F-N").NumberOf(rec.data()), 1276.5678);
  EXPECT_EQ(compile("FECHA").Type(), KeyType::Date);
  EXPECT_EQ(compile("FECHA").KeyOf(rec.data(), 8), DateKey(dt::EncodeDate(2004, 3, 1)));
  // Which tags keep the order of a field (lookups by that field's values).
  EXPECT_EQ(compile("N").PlainField(), 3);
  EXPECT_EQ(compile("FECHA").DateField(), 1);
  EXPECT_EQ(compile("DTOS(FECHA)").DateField(), 1);
  EXPECT_EQ(compile("DTOS(FECHA)").PlainField(), -1);
  EXPECT_EQ(compile("DTOS(FECHA)+HORA").DateField(), -1);
  EXPECT_EQ(compile("UPPER(ASUNTO)").FirstField(), 0);
}

TEST(KeyExpressionTest, WhatCannotBeEvaluatedIsRefusedWithAReason) {
  const char* refused[] = {
      "XYZ(ASUNTO)",         // unknown function
      "ASUNTO+N",            // character plus number
      "DTOS(ASUNTO)",        // wrong argument type
      "NADA",                // no such field
      "NOTAS",               // memo fields have no key
      "SUBSTR(ASUNTO,N,2)",  // a length that is not a constant
      "UPPER(ASUNTO",        // unclosed
      "STR()",               // too few arguments
      "'ABC'",               // no field at all
      "UPPER('abc')+'x'",    // nor here
      "STR(5)",
      "ASUNTO ASUNTO",       // trailing text
      "IIF(N>0,ASUNTO,HORA)",
  };
  for (const char* text : refused) {
    SCOPED_TRACE(text);
    try {
      KeyExpression::Compile(text, Fields(), DbfLevel::dBase4, 1252);
      ADD_FAILURE() << "accepted";
    } catch (const DbError& e) {
      EXPECT_GT(std::strlen(e.what()), 5u);
    }
  }
}

}  // namespace
