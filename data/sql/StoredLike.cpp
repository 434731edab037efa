#include "data/sql/StoredLike.h"

#include <bit>
#include <cstring>
#include <string>

#include "data/CodePage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace data::sql {
namespace {

// Reads one UTF-8 character at s[i], advancing i; false for a sequence that
// is not well formed (overlong, surrogate, beyond U+10FFFF, cut short).
bool ReadUtf8(std::string_view s, std::size_t& i, char32_t& out) {
  const auto b = static_cast<unsigned char>(s[i]);
  int extra = 0;
  char32_t min = 0;
  if (b < 0x80) {
    out = b;
    ++i;
    return true;
  }
  if (b >= 0xC2 && b <= 0xDF) extra = 1, out = b & 0x1F, min = 0x80;
  else if (b >= 0xE0 && b <= 0xEF) extra = 2, out = b & 0x0F, min = 0x800;
  else if (b >= 0xF0 && b <= 0xF4) extra = 3, out = b & 0x07, min = 0x10000;
  else return false;
  if (i + static_cast<std::size_t>(extra) >= s.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((c & 0xC0) != 0x80) return false;
    out = (out << 6) | (c & 0x3F);
  }
  if (out < min || out > 0x10FFFF || (out >= 0xD800 && out <= 0xDFFF)) return false;
  i += static_cast<std::size_t>(extra) + 1;
  return true;
}

// The character each stored byte reads as.
using ByteChars = std::array<char32_t, 256>;

ByteChars BuildByteChars(int codePage) {
  ByteChars chars{};
  for (int b = 0; b < 256; ++b) {
    const std::string utf8 = ToUtf8(std::string(1, static_cast<char>(b)), codePage);
    std::size_t i = 0;
    char32_t c = 0;
    chars[static_cast<std::size_t>(b)] = !utf8.empty() && ReadUtf8(utf8, i, c) ? c : 0xFFFD;
  }
  return chars;
}

const ByteChars& CharsOf(int codePage) {
  static const ByteChars cp437 = BuildByteChars(437), cp850 = BuildByteChars(850), cp1252 = BuildByteChars(1252);
  switch (codePage) {
    case 437: return cp437;
    case 850: return cp850;
    default: return cp1252;
  }
}

char32_t Fold(char32_t c, LikeFold fold) {
  if (fold == LikeFold::Upper && c >= 'a' && c <= 'z') return c - 'a' + 'A';
  if (fold == LikeFold::Lower && c >= 'A' && c <= 'Z') return c - 'A' + 'a';
  return c;
}

}  // namespace

StoredLike::StoredLike(std::string_view pattern, LikeFold fold, int codePage) {
  const ByteChars& chars = CharsOf(codePage);
  pattern = pattern.substr(0, pattern.find('\0'));  // as SQLite reads it
  anchoredStart_ = pattern.empty() || pattern.front() != '%';
  anchoredEnd_ = pattern.empty() || pattern.back() != '%';
  noPercent_ = pattern.find('%') == std::string_view::npos;
  Segment current;
  auto close = [&] {
    current.length = sets_.size() - current.first;
    segments_.push_back(current);
    current = Segment{};
    current.first = sets_.size();
  };
  for (std::size_t i = 0; i < pattern.size();) {
    char32_t c = 0;
    if (!ReadUtf8(pattern, i, c)) {
      always_ = true;
      return;
    }
    if (c == '%') {
      close();
      continue;
    }
    ByteSet set{};
    for (int b = 0; b < 256; ++b)
      if (c == '_' || Fold(chars[static_cast<std::size_t>(b)], fold) == c) set[b >> 6] |= std::uint64_t{1} << (b & 63);
    if (set == ByteSet{}) never_ = true;
    sets_.push_back(set);
  }
  close();
  for (Segment& s : segments_) {
    if (s.length == 0) continue;
    int best = 257;
    for (std::size_t k = 0; k < s.length; ++k) {
      const ByteSet& set = sets_[s.first + k];
      const int n = std::popcount(set[0]) + std::popcount(set[1]) + std::popcount(set[2]) + std::popcount(set[3]);
      if (n < best) best = n, s.anchor = k;
    }
    auto bytesOf = [this](std::size_t position, unsigned char* out) {
      int n = 0;
      for (int b = 0; b < 256; ++b) {
        if (!Has(sets_[position], static_cast<unsigned char>(b))) continue;
        if (n == 2) return 0;
        out[n++] = static_cast<unsigned char>(b);
      }
      return n;
    };
    s.anchorCount = bytesOf(s.first + s.anchor, s.anchorBytes);
    if (s.anchorCount > 0 && s.anchor + 1 < s.length) s.nextCount = bytesOf(s.first + s.anchor + 1, s.nextBytes);
  }
}

bool StoredLike::MatchesAt(const Segment& s, const unsigned char* text) const {
  for (std::size_t k = 0; k < s.length; ++k)
    if (!Has(sets_[s.first + k], text[k])) return false;
  return true;
}

std::size_t StoredLike::Find(const Segment& s, const unsigned char* text, std::size_t from, std::size_t end) const {
  if (s.length > end - from) return end + 1;
  const std::size_t lastStart = end - s.length;
  if (s.anchorCount == 0) {
    for (std::size_t at = from; at <= lastStart; ++at)
      if (MatchesAt(s, text + at)) return at;
    return end + 1;
  }
  // Positions of the anchor byte for every start from `from` to `lastStart`.
  std::size_t i = from + s.anchor;
  const std::size_t last = lastStart + s.anchor;
#if defined(__SSE2__)
  const std::size_t reach = s.nextCount ? 17 : 16;  // bytes one step reads from i
  const __m128i a0 = _mm_set1_epi8(static_cast<char>(s.anchorBytes[0]));
  const __m128i a1 = _mm_set1_epi8(static_cast<char>(s.anchorBytes[s.anchorCount - 1]));
  const __m128i n0 = _mm_set1_epi8(static_cast<char>(s.nextBytes[0]));
  const __m128i n1 = _mm_set1_epi8(static_cast<char>(s.nextBytes[s.nextCount ? s.nextCount - 1 : 0]));
  // Candidates among the sixteen anchor positions from `p` (read there, the
  // text's position `at`), those before `skip` already looked at.
  auto step = [&](const unsigned char* p, std::size_t at, std::size_t skip) -> std::size_t {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, a0), _mm_cmpeq_epi8(v, a1))));
    if (s.nextCount) {
      const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
      mask &= static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(w, n0), _mm_cmpeq_epi8(w, n1))));
    }
    mask &= ~0u << (skip - at);
    if (last - at < 15) mask &= (2u << (last - at)) - 1;
    for (; mask; mask &= mask - 1) {
      const std::size_t start = at + static_cast<std::size_t>(std::countr_zero(mask)) - s.anchor;
      if (MatchesAt(s, text + start)) return start;
    }
    return end + 1;
  };
  // Reading only within [0, end): whole steps, then one more ending at
  // `end` over what is left, or the rest copied into a padded buffer when
  // the text is shorter than a step. (A zero byte never is an anchor.)
  for (; i <= last && i + reach <= end; i += 16)
    if (const std::size_t at = step(text + i, i, i); at <= end) return at;
  if (i > last) return end + 1;
  if (end >= reach) {
    const std::size_t at = end - reach;
    return step(text + at, at, i);
  }
  unsigned char padded[48] = {};
  std::memcpy(padded, text + i, end - i);
  const std::size_t at = step(padded, i, i);
  return at;
#else
  const ByteSet& anchor = sets_[s.first + s.anchor];
  for (; i <= last; ++i)
    if (Has(anchor, text[i]) && MatchesAt(s, text + i - s.anchor)) return i - s.anchor;
#endif
  return end + 1;
}

std::string_view StoredLike::AsRead(std::string_view stored) {
  const void* zero = std::memchr(stored.data(), 0, stored.size());
  return zero ? stored.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - stored.data())) : stored;
}

bool StoredLike::Matches(std::string_view stored) const {
  if (always_) return true;
  if (never_) return false;
  const auto* text = reinterpret_cast<const unsigned char*>(stored.data());
  const std::size_t n = stored.size();
  if (noPercent_) return n == segments_[0].length && MatchesAt(segments_[0], text);
  std::size_t pos = 0, end = n;
  std::size_t first = 0, last = segments_.size();
  if (anchoredStart_) {
    const Segment& s = segments_.front();
    if (s.length > n || !MatchesAt(s, text)) return false;
    pos = s.length;
    first = 1;
  }
  if (anchoredEnd_) {
    const Segment& s = segments_.back();
    if (s.length > n - pos || !MatchesAt(s, text + n - s.length)) return false;
    end = n - s.length;
    --last;
  }
  // Each run in turn at its first place: runs have a fixed length, so the
  // earliest place leaves the most room for the runs after it.
  for (std::size_t k = first; k < last; ++k) {
    const Segment& s = segments_[k];
    if (s.length == 0) continue;
    const std::size_t at = Find(s, text, pos, end);
    if (at > end) return false;
    pos = at + s.length;
  }
  return true;
}

}  // namespace data::sql
