#include "addressbook/address_book_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace zarvel {

namespace {

// True when the field, written bare, reads back as itself: it has no comma
// and no byte 0x00-0x20 (both end a bare field) and does not start with a
// double quote (which would start a quoted one). The empty field qualifies:
// "a," and ",b" read back an empty field.
bool plain_is_exact(std::string_view field) {
  if (!field.empty() && field.front() == '"') return false;
  for (char c : field) {
    if (c == ',' || static_cast<unsigned char>(c) <= 0x20) return false;
  }
  return true;
}

void append_field(Bytes& out, std::string_view raw) {
  if (raw.find_first_of("\r\n") != std::string_view::npos) {
    append_field(out, one_line_field(raw));
    return;
  }
  if (plain_is_exact(raw)) {
    out += raw;
    return;
  }
  out += '"';
  for (char c : raw) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void append_line(Bytes& out, std::string_view name, std::string_view address) {
  append_field(out, name);
  out += ',';
  append_field(out, address);
  out += "\r\n";
}

bool is_blank(char c) { return static_cast<unsigned char>(c) - 1u < 0x20u; }  // 0x01-0x20

// The first byte at or after `p` that ends a bare field (a comma or a byte
// 0x00-0x20), or `end`.
const char* bare_field_end(const char* p, const char* end) {
#ifdef __SSE2__
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i blank = _mm_set1_epi8(0x20);
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Unsigned v <= 0x20 is min(v, 0x20) == v.
    const __m128i stop = _mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(_mm_min_epu8(v, blank), v));
    if (const int mask = _mm_movemask_epi8(stop)) return p + __builtin_ctz(static_cast<unsigned>(mask));
    p += 16;
  }
#endif
  while (p < end && *p != ',' && static_cast<unsigned char>(*p) > 0x20) ++p;
  return p;
}

// How many LF bytes `s` holds, 16 at a time: a search LF by LF would stop
// on every line of a large book.
std::size_t line_feeds(std::string_view s) {
  const char* p = s.data();
  const char* const end = p + s.size();
  std::size_t n = 0;
#ifdef __SSE2__
  const __m128i lf = _mm_set1_epi8('\n');
  auto lf_at = [&](int i) { return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)), lf); };
  auto add = [&](__m128i lanes) {
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    n += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) + static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
  };
  while (end - p >= 64) {
    // Each byte lane counts up to 255 (a match is -1) before the lanes are
    // added; four sets of lanes, so that no step waits for the one before.
    __m128i a = _mm_setzero_si128(), b = a, c = a, d = a;
    for (int i = 0; i < 255 && end - p >= 64; ++i, p += 64) {
      a = _mm_sub_epi8(a, lf_at(0));
      b = _mm_sub_epi8(b, lf_at(1));
      c = _mm_sub_epi8(c, lf_at(2));
      d = _mm_sub_epi8(d, lf_at(3));
    }
    add(a), add(b), add(c), add(d);
  }
#endif
  for (; p < end; ++p) n += *p == '\n';
  return n;
}

// The commas, double quotes and bytes 0x00-0x20 of a file, in order: the
// bytes where a plain line's fields end. Found 64 bytes at a time over the
// whole file, whatever its lines, so that a line's fields cost a few bit
// operations instead of a search each.
class SpecialBytes {
 public:
  explicit SpecialBytes(std::string_view file) : file_(file) { skip_to(0); }

  // The next one's place, or the file's size after the last.
  std::size_t next() {
    while (bits_ == 0) {
      block_ += 64;
      if (block_ >= file_.size()) return file_.size();
      bits_ = block_bits(block_);
    }
    const std::size_t at = block_ + static_cast<std::size_t>(__builtin_ctzll(bits_));
    bits_ &= bits_ - 1;
    return at;
  }

  // Leaves out those before `pos`.
  void skip_to(std::size_t pos) {
    block_ = pos & ~std::size_t{63};
    bits_ = block_ < file_.size() ? block_bits(block_) & (~std::uint64_t{0} << (pos & 63)) : 0;
  }

 private:
  static bool special(char c) { return c == ',' || c == '"' || static_cast<unsigned char>(c) <= 0x20; }

  // Bit i: byte block + i is one.
  std::uint64_t block_bits(std::size_t block) const {
    const char* const p = file_.data() + block;
    std::uint64_t bits = 0;
#ifdef __SSE2__
    if (file_.size() - block >= 64) {
      const __m128i comma = _mm_set1_epi8(','), quote = _mm_set1_epi8('"'), blank = _mm_set1_epi8(0x20);
      for (int i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        // Unsigned v <= 0x20 is min(v, 0x20) == v.
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, quote)),
                                         _mm_cmpeq_epi8(_mm_min_epu8(v, blank), v));
        bits |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit))) << (16 * i);
      }
      return bits;
    }
#endif
    const std::size_t n = std::min<std::size_t>(64, file_.size() - block);
    for (std::size_t i = 0; i < n; ++i) bits |= static_cast<std::uint64_t>(special(p[i])) << i;
    return bits;
  }

  std::string_view file_;
  std::size_t block_ = 0;   // a multiple of 64
  std::uint64_t bits_ = 0;  // those of the block not yet given
};

}  // namespace

// The comma-text rule of text/comma_text.h (CommaFieldReader) for the two
// fields of a book line, giving places in the file instead of copies: only
// a quoted field with doubled quotes is copied, unquoted, after the file.
struct AddressBookReader {
  AddressBookReader(RecipientList& list, std::string_view file) : list_(list), file_(file) {}

  // One line, [begin, end) of the file without its CR LF; false when it has
  // fewer than two fields.
  bool line(std::size_t begin, std::size_t end) {
    pos_ = begin;
    end_ = end;
    pending_empty_ = false;
    skip_blanks();
    RecipientList::Entry e;
    if (!next(e.name) || !next(e.address)) return false;
    list_.entries_.push_back(e);
    return true;
  }

  // The line at `pos` when it is the common kind, name,address CR LF (or
  // LF), neither field empty nor holding a quote, a blank or a control
  // byte: both fields found from `specials`, which gives the file's special
  // bytes from `pos` on, and `pos` moved to the next line. False for any
  // other line; `specials` is then somewhere in it.
  bool plain_line(std::size_t& pos, SpecialBytes& specials) {
    const std::size_t size = file_.size();
    const std::size_t comma = specials.next();
    if (comma == pos || comma >= size || file_[comma] != ',') return false;
    const std::size_t stop = specials.next();
    if (stop == comma + 1 || stop >= size) return false;
    std::size_t next = stop + 1;
    if (file_[stop] == '\r') {
      if (next >= size || specials.next() != next || file_[next] != '\n') return false;
      ++next;
    } else if (file_[stop] != '\n') {
      return false;
    }
    list_.entries_.push_back({{pos, comma - pos}, {comma + 1, stop - comma - 1}});
    pos = next;
    return true;
  }

  Bytes unquoted;  // the copied fields, to go after the file's bytes

 private:
  void skip_blanks() {
    while (pos_ < end_ && is_blank(file_[pos_])) ++pos_;
  }

  bool next(RecipientList::Span& field) {
    if (pending_empty_) {
      pending_empty_ = false;
      field = {pos_, 0};
      return true;
    }
    if (pos_ >= end_ || file_[pos_] == '\0') return false;
    if (file_[pos_] == '"') {
      quoted(field);
    } else {
      const std::size_t start = pos_;
      // Scanned up to the file's end for whole 16-byte steps: the CR or LF
      // that ends the line ends a bare field too.
      const char* stop = bare_field_end(file_.data() + pos_, file_.data() + file_.size());
      pos_ = std::min(end_, static_cast<std::size_t>(stop - file_.data()));
      field = {start, pos_ - start};
    }
    skip_blanks();
    if (pos_ < end_ && file_[pos_] == ',') {
      if (pos_ + 1 == end_ || file_[pos_ + 1] == '\0') pending_empty_ = true;
      ++pos_;
      skip_blanks();
    }
    return true;
  }

  // To the next double quote not followed by another, or to the end of the
  // line; "" stands for ".
  void quoted(RecipientList::Span& field) {
    const std::size_t start = ++pos_;
    std::size_t quote = find_quote();
    if (quote + 1 >= end_ || file_[quote + 1] != '"') {  // no doubled quote: the file's bytes as they are
      field = {start, quote - start};
      pos_ = quote < end_ ? quote + 1 : end_;
      return;
    }
    const std::size_t from = unquoted.size();
    while (pos_ < end_) {
      quote = find_quote();
      unquoted.append(file_.substr(pos_, quote - pos_));
      pos_ = quote;
      if (pos_ == end_) break;
      if (pos_ + 1 < end_ && file_[pos_ + 1] == '"') {
        unquoted += '"';
        pos_ += 2;
        continue;
      }
      ++pos_;  // the closing quote
      break;
    }
    field = {file_.size() + from, unquoted.size() - from};
  }

  // The next double quote of the line from pos_, or end_.
  std::size_t find_quote() const {
    const void* q = std::memchr(file_.data() + pos_, '"', end_ - pos_);
    return q ? static_cast<std::size_t>(static_cast<const char*>(q) - file_.data()) : end_;
  }

  RecipientList& list_;
  std::string_view file_;
  std::size_t pos_ = 0, end_ = 0;
  bool pending_empty_ = false;  // a comma ended the line: one empty field
};

RecipientList::RecipientList(const std::vector<Recipient>& entries) {
  std::size_t total = 0;
  for (const Recipient& r : entries) total += r.name.size() + r.address.size();
  bytes_.reserve(total);
  entries_.reserve(entries.size());
  for (const Recipient& r : entries) push_back(r.name, r.address);
}

std::vector<Recipient> RecipientList::to_vector() const {
  std::vector<Recipient> out;
  out.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) out.push_back(at(i));
  return out;
}

RecipientList::Span RecipientList::add(std::string_view field) {
  Span s{bytes_.size(), field.size()};
  bytes_.append(field);
  return s;
}

void RecipientList::push_back(std::string_view name, std::string_view address) { insert(size(), name, address); }

void RecipientList::insert(std::size_t i, std::string_view name, std::string_view address) {
  const Span n = add(name), a = add(address);
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(i), Entry{n, a});
}

void RecipientList::erase(std::size_t i) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
  trim();
}

void RecipientList::replace(std::size_t i, std::string_view name, std::string_view address) {
  const Span n = add(name), a = add(address);
  entries_.at(i) = Entry{n, a};
  trim();
}

void RecipientList::swap(std::size_t a, std::size_t b) { std::swap(entries_.at(a), entries_.at(b)); }

void RecipientList::append(const RecipientList& other) {
  if (empty()) {
    *this = other;
    return;
  }
  for (std::size_t i = 0; i < other.size(); ++i) push_back(other.name(i), other.address(i));
}

void RecipientList::trim() {
  std::size_t used = 0;
  for (const Entry& e : entries_) used += e.name.length + e.address.length;
  // Commas and line ends make a loaded file's buffer a little larger than
  // its fields; only a buffer mostly unused is worth a copy.
  if (bytes_.size() <= 2 * used + 4096) return;
  Bytes kept;
  kept.reserve(used);
  for (Entry& e : entries_) {
    for (Span* s : {&e.name, &e.address}) {
      const std::size_t offset = kept.size();
      kept.append(field(*s));
      s->offset = offset;
    }
  }
  bytes_ = std::move(kept);
}

Bytes one_line_field(std::string_view field) {
  Bytes out;
  out.reserve(field.size());
  for (char c : field) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

AddressBookLoad read_address_book(Bytes file_bytes) {
  AddressBookLoad result;
  RecipientList& list = result.entries;
  const std::string_view file(file_bytes);
  AddressBookReader reader(list, file);
  // One entry a line at most: a book of a million lines is not grown step
  // by step (each step a copy of all entries so far).
  list.entries_.reserve(1 + line_feeds(file));
  std::size_t pos = 0;
  if (file.size() >= (std::size_t{1} << 32) - 1) {
    result.malformed = true;
    return result;
  }
  SpecialBytes specials(file);
  while (pos < file.size()) {
    if (reader.plain_line(pos, specials)) continue;
    const void* lf_at = std::memchr(file.data() + pos, '\n', file.size() - pos);
    const std::size_t lf =
        lf_at ? static_cast<std::size_t>(static_cast<const char*>(lf_at) - file.data()) : file.size();
    std::size_t end = lf;
    if (end > pos && file[end - 1] == '\r') --end;
    if (!reader.line(pos, end)) {
      result.malformed = true;
      break;
    }
    pos = lf_at ? lf + 1 : file.size();
    specials.skip_to(pos);
  }
  if (list.entries_.capacity() > list.size() + list.size() / 4) list.entries_.shrink_to_fit();
  list.bytes_ = std::move(file_bytes);
  list.bytes_ += reader.unquoted;
  list.trim();
  return result;
}

AddressBookParse parse_address_book(std::string_view file_bytes) {
  AddressBookLoad load = read_address_book(Bytes(file_bytes));
  return {load.entries.to_vector(), load.malformed};
}

Bytes format_address_book(const RecipientList& entries) {
  Bytes out;
  std::size_t size = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) size += entries.name(i).size() + entries.address(i).size() + 3;
  out.reserve(size);
  for (std::size_t i = 0; i < entries.size(); ++i) append_line(out, entries.name(i), entries.address(i));
  return out;
}

Bytes format_address_book(const std::vector<Recipient>& entries) {
  Bytes out;
  for (const Recipient& r : entries) append_line(out, r.name, r.address);
  return out;
}

}  // namespace zarvel
