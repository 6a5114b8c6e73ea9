// Base64 and JIS-to-Shift-JIS conversions of the stored passwords.
#pragma once

#include "text/cp932.h"

enum TJisByteCodeType { btAscii, btRoman };
enum TJisKanaConvType { ktNone, ktZenWithDaku, ktZenSepaDaku };

// No operation fails: every input gives an output. The two properties are
// kept for the windows that set them; no conversion consults them.
class TPzConv {
 public:
  TJisByteCodeType JisByteCodeType = btAscii;
  TJisKanaConvType JisKanaConvType = ktZenWithDaku;

  // Standard Base64 with padding and no line breaks.
  zarvel::Bytes EncodeBase64(const zarvel::Bytes& text) const;
  // Groups of four bytes, every byte taking a place (letters outside the
  // alphabet add no bits); a zero second or third byte of a group is
  // dropped, and a last partial group gives nothing.
  zarvel::Bytes DecodeBase64(const zarvel::Bytes& text) const;
  // ISO-2022-JP to Shift-JIS, knowing only ESC $ B, ESC ( B and ESC ( J.
  zarvel::Bytes JisToSjis(const zarvel::Bytes& text) const;
  // One JIS X 0208 code as two Shift-JIS bytes; empty when j1 is outside 21..7E.
  zarvel::Bytes JisCharToSjis(unsigned char j1, unsigned char j2) const;
  // The letter of a six-bit value; "=" for 64 and above (and below 0).
  char Base64Char(int value) const;
  // 0..63 for a letter of the alphabet, else 64.
  int Base64Value(unsigned char c) const;
};

namespace zarvel {

// The stored form of a password in the settings file, and back.
Bytes encode_password(const Bytes& password);
Bytes decode_password(const Bytes& stored);

}  // namespace zarvel
