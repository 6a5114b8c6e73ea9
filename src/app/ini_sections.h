// The sections of zarvel.ini.
#pragma once

#include <string_view>

namespace zarvel {

inline constexpr std::string_view kWindowSection = "Window";
inline constexpr std::string_view kServerSection = "Server";
inline constexpr std::string_view kOptionsSection = "Options";

}  // namespace zarvel
