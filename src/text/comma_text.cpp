#include "text/comma_text.h"

namespace zarvel {

namespace {
bool is_blank(char c) {
  auto u = static_cast<unsigned char>(c);
  return u >= 0x01 && u <= 0x20;
}
bool ends_run(char c) { return c == ',' || static_cast<unsigned char>(c) <= 0x20; }
}  // namespace

CommaFieldReader::CommaFieldReader(std::string_view line) : line_(line) { skip_blanks(); }

void CommaFieldReader::skip_blanks() {
  while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
}

bool CommaFieldReader::next(Bytes& field) {
  field.clear();
  if (pending_empty_) {
    pending_empty_ = false;
    return true;
  }
  if (pos_ >= line_.size() || line_[pos_] == '\0') return false;

  if (line_[pos_] == '"') {
    ++pos_;
    while (pos_ < line_.size()) {
      char c = line_[pos_];
      if (c == '"') {
        if (pos_ + 1 < line_.size() && line_[pos_ + 1] == '"') {
          field += '"';
          pos_ += 2;
          continue;
        }
        ++pos_;  // the closing quote
        break;
      }
      // Copy the run up to the next quote in one go: long quoted fields
      // stay linear.
      std::size_t quote = line_.find('"', pos_);
      if (quote == std::string_view::npos) quote = line_.size();
      field.append(line_.substr(pos_, quote - pos_));
      pos_ = quote;
    }
  } else {
    std::size_t start = pos_;
    while (pos_ < line_.size() && !ends_run(line_[pos_])) ++pos_;
    field.assign(line_.substr(start, pos_ - start));
  }

  skip_blanks();
  if (pos_ < line_.size() && line_[pos_] == ',') {
    if (pos_ + 1 == line_.size() || line_[pos_ + 1] == '\0') pending_empty_ = true;
    ++pos_;
    skip_blanks();
  }
  return true;
}

std::vector<Bytes> split_comma_text(std::string_view line) {
  std::vector<Bytes> fields;
  CommaFieldReader reader(line);
  Bytes field;
  while (reader.next(field)) fields.push_back(field);
  return fields;
}

}  // namespace zarvel
