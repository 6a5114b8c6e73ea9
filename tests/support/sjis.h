// CP932 bytes of a text written in the test's source.
#pragma once

#include <QString>

#include "text/cp932.h"

namespace zarvel::test {

inline Bytes sj(const char16_t* text) { return to_cp932(QStringView(text)); }
inline Bytes sj(const char* utf8) { return to_cp932(QString::fromUtf8(utf8)); }

}  // namespace zarvel::test
