// LIKE on stored bytes against SQLite's own LIKE on the decoded text.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>
#include <string>
#include <vector>

#include "data/CodePage.h"
#include "data/sql/StoredLike.h"
#include "data/sql/SqlFunctions.h"

namespace data::sql {
namespace {

// SQLite's answer for `[fold](text) LIKE pattern` on the connection's terms
// (case-sensitive LIKE, UPPER and LOWER of A-Z only), the text bound as the
// virtual tables hand it out.
class SqliteLike {
 public:
  SqliteLike() {
    sqlite3_open(":memory:", &db_);
    sqlite3_exec(db_, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    RegisterSqlFunctions(db_);
    const char* sql[] = {"SELECT ?1 LIKE ?2", "SELECT UPPER(?1) LIKE ?2", "SELECT LOWER(?1) LIKE ?2"};
    for (int i = 0; i < 3; ++i) sqlite3_prepare_v2(db_, sql[i], -1, &stmt_[i], nullptr);
  }
  ~SqliteLike() {
    for (sqlite3_stmt* s : stmt_) sqlite3_finalize(s);
    sqlite3_close(db_);
  }
  bool operator()(const std::string& utf8, const std::string& pattern, LikeFold fold) {
    sqlite3_stmt* s = stmt_[static_cast<int>(fold)];
    sqlite3_reset(s);
    sqlite3_bind_text(s, 1, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, pattern.data(), static_cast<int>(pattern.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(s), SQLITE_ROW);
    return sqlite3_column_int(s, 0) == 1;
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_[3] = {};
};

const LikeFold kFolds[] = {LikeFold::None, LikeFold::Upper, LikeFold::Lower};

// Random texts and patterns over a small alphabet, so that matches are
// frequent: letters in both cases, accented letters (whose case UPPER keeps),
// the wildcards and quotes as plain text, a blank, the euro sign and an
// unassigned byte of 1252, and now and then a zero byte (SQLite reads a text
// only up to it). Lengths reach past the 16-byte blocks of the search.
TEST(StoredLikeTest, AnswersAsSqliteLikeOnTheDecodedText) {
  SqliteLike sqlite;
  std::mt19937 rng(7);
  const std::string textBytes = std::string("aAbB%_' ") + "\xE9\xC9\xF1\xD1\x80\x81";  // é É ñ Ñ € U+0081
  const std::vector<std::string> patternChars = {"a", "A", "b", "B", "%", "_", "'", " ", "é", "É", "ñ",
                                                 "€", "\xC2\x81", "漢", "%%", "_%"};
  auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  int matches = 0;
  for (int round = 0; round < 6000; ++round) {
    std::string stored;
    const std::size_t length = round % 10 == 0 ? 40 + pick(40) : pick(12);
    for (std::size_t i = 0; i < length; ++i) stored += pick(60) == 0 ? '\0' : textBytes[pick(textBytes.size())];
    std::string pattern;
    const std::size_t pieces = pick(6);
    for (std::size_t i = 0; i < pieces; ++i) pattern += patternChars[pick(patternChars.size())];
    // Long texts with patterns that must find a run far inside them.
    if (length >= 40 && round % 20 == 0) pattern = "%" + ToUtf8(stored.substr(length - 3 - pick(8), 3), 1252) + "%";
    for (LikeFold fold : kFolds) {
      const bool expected = sqlite(ToUtf8(stored, 1252), pattern, fold);
      matches += expected;
      ASSERT_EQ(StoredLike(pattern, fold, 1252).Matches(StoredLike::AsRead(stored)), expected)
          << "fold " << static_cast<int>(fold) << " pattern [" << pattern << "] text [" << ToUtf8(stored, 1252)
          << "]";
    }
  }
  EXPECT_GT(matches, 1000);  // the cases are not mostly trivial misses
}

TEST(StoredLikeTest, OtherCodePagesReadTheirOwnCharacters) {
  SqliteLike sqlite;
  const std::string stored = "Ma\xA4" "ana \x82";  // cp850: "Mañana é"
  for (const char* pattern : {"%ñ%", "MA_ANA%", "%é", "%É", "Ma\xC2\xA4%"}) {
    for (LikeFold fold : kFolds)
      EXPECT_EQ(StoredLike(pattern, fold, 850).Matches(stored), sqlite(ToUtf8(stored, 850), pattern, fold)) << pattern;
  }
  EXPECT_TRUE(StoredLike("%ñ%", LikeFold::None, 850).Matches(stored));
}

TEST(StoredLikeTest, APatternThatIsNotUtf8MatchesEverything) {
  // Left for SQLite to judge: the scan must not turn such rows away.
  EXPECT_TRUE(StoredLike("\xFF%", LikeFold::None, 1252).Matches("abc"));
  EXPECT_TRUE(StoredLike("\xC3", LikeFold::Upper, 1252).Matches(""));
}

}  // namespace
}  // namespace data::sql
