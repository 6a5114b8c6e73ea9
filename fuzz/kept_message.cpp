// close.txt and the signature files: any file reads without fault; the kept
// subject and body, written and read again, are the same, and any subject
// and body come back as written; a signature file, read and saved again,
// stays the same.
#include "compose/kept_message.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "compose/signature_file.h"
#include "fuzz_support.h"

using zarvel::Bytes;

namespace {

void check_round_trip(const Bytes& subject, const Bytes& body) {
  const std::optional<Bytes> file = zarvel::format_kept_message(subject, body);
  if (subject.empty() && body.empty()) {
    FUZZ_CHECK(!file);
    return;
  }
  FUZZ_CHECK(file.has_value());
  const zarvel::KeptMessage back = zarvel::parse_kept_message(*file);
  FUZZ_CHECK_EQ(back.subject, subject);
  FUZZ_CHECK_EQ(back.body, body);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The input as close.txt.
  const zarvel::KeptMessage kept = zarvel::parse_kept_message(input);
  FUZZ_CHECK(kept.subject.find_first_of("\r\n") == Bytes::npos);
  FUZZ_CHECK_EQ(zarvel::to_crlf(kept.body), kept.body);
  check_round_trip(kept.subject, kept.body);

  // Any one-line subject and any body with CR LF line breaks.
  FuzzedDataProvider fdp(data, size);
  const Bytes subject = zarvel::fuzz::without(fdp.ConsumeRandomLengthString(256), "\r\n");
  const Bytes body = zarvel::to_crlf(fdp.ConsumeRemainingBytesAsString());
  check_round_trip(subject, body);

  // The input as a signature file, and as the text of a signature field.
  const Bytes signature = zarvel::parse_signature(input);
  FUZZ_CHECK_EQ(zarvel::to_crlf(signature), signature);
  const Bytes saved = zarvel::format_signature(input);
  FUZZ_CHECK(saved.empty() == input.empty());
  FUZZ_CHECK(saved.empty() || saved.ends_with("\r\n"));
  FUZZ_CHECK_EQ(zarvel::parse_signature(saved), saved);
  FUZZ_CHECK_EQ(zarvel::format_signature(zarvel::parse_signature(saved)), saved);
  FUZZ_CHECK_EQ(zarvel::format_signature(zarvel::crlf_to_lf(saved)), saved);
  return 0;
}
