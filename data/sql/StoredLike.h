#pragma once
// SQLite's LIKE (case-sensitive: "%" any run of characters, "_" any one
// character, no escape) worked out on a text as stored in a single-byte code
// page, without decoding it: the answer is the one SQLite gives on the UTF-8
// text the virtual tables hand out for those bytes. The text may be the
// column itself or its UPPER or LOWER as the connection defines them (only
// a-z / A-Z change).
//
// Every pattern character becomes the set of stored bytes that read as that
// character once folded, "_" the set of all bytes, so matching is a walk
// over bytes. SQLite reads a text and a pattern only up to their first zero
// character; so does the pattern here, and the text given to Matches must be
// cut so too (AsRead). Matching allocates nothing.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace data::sql {

enum class LikeFold : std::uint8_t { None, Upper, Lower };

class StoredLike {
 public:
  // `pattern` as written in the query (UTF-8); `codePage` of the stored text.
  // A pattern that is not valid UTF-8 matches every text (SQLite's reading
  // of it is left to SQLite).
  StoredLike(std::string_view pattern, LikeFold fold, int codePage);

  // `stored` as SQLite reads it: cut at its first zero byte (AsRead).
  bool Matches(std::string_view stored) const;
  static std::string_view AsRead(std::string_view stored);

 private:
  using ByteSet = std::array<std::uint64_t, 4>;
  static bool Has(const ByteSet& s, unsigned char b) { return (s[b >> 6] >> (b & 63)) & 1; }

  // A run of pattern positions between two "%".
  struct Segment {
    std::size_t first = 0, length = 0;  // positions in sets_
    // The position the search looks for first (the one accepting fewest
    // bytes), its bytes when there are at most two, and those of the
    // position after it likewise (none: count 0).
    std::size_t anchor = 0;
    int anchorCount = 0, nextCount = 0;
    unsigned char anchorBytes[2] = {0, 0}, nextBytes[2] = {0, 0};
  };

  bool MatchesAt(const Segment& s, const unsigned char* text) const;
  // Start of the first place at or after `from` where `s` matches wholly
  // before `end`, or `end` + 1 when there is none.
  std::size_t Find(const Segment& s, const unsigned char* text, std::size_t from, std::size_t end) const;

  bool always_ = false;         // matches every text
  bool never_ = false;          // a character no stored byte reads as
  bool anchoredStart_ = false;  // the pattern does not begin with "%"
  bool anchoredEnd_ = false;    // nor end with it
  bool noPercent_ = false;
  std::vector<ByteSet> sets_;
  std::vector<Segment> segments_;
};

}  // namespace data::sql
