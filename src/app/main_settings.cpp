// The table of the main window's keys: section, key, kind, member, default.
#include "app/main_settings.h"

#include <algorithm>
#include <type_traits>
#include <variant>

#include "app/ini_sections.h"
#include "app/pzconv.h"
#include "text/cp932.h"

namespace zarvel {

namespace {

enum class Kind {
  Number,
  Position,  // a number the platform may not be able to give
  Flag,
  Text,
  Password,  // text kept in the stored-password form
};

using S = MainSettings;
using Member = std::variant<int S::*, bool S::*, QString S::*>;
using Default = std::variant<int, bool, const char*>;

struct Key {
  std::string_view section;
  std::string_view key;
  Kind kind;
  Member member;
  Default fallback;
};

// In the order the file has always had them.
const Key kKeys[] = {
    {kOptionsSection, "send_max", Kind::Number, &S::rirekisu, 100},
    {kWindowSection, "split", Kind::Number, &S::split, 120},
    {kWindowSection, "left", Kind::Position, &S::left, 0},
    {kWindowSection, "top", Kind::Position, &S::top, 0},
    {kServerSection, "smtp_port", Kind::Text, &S::smtp_port, "25"},
    {kServerSection, "pop_port", Kind::Text, &S::pop_port, "110"},
    {kOptionsSection, "send_check", Kind::Flag, &S::send_end, false},
    {kOptionsSection, "delete_check", Kind::Flag, &S::delete_check, true},
    {kServerSection, "pop_check", Kind::Flag, &S::pop_check, false},
    {kServerSection, "apop_check", Kind::Flag, &S::apop_check, false},
    {kServerSection, "smtp_check0", Kind::Flag, &S::smtp_check, false},
    {kServerSection, "smtp_server", Kind::Text, &S::smtp_server, ""},
    {kServerSection, "mail_address", Kind::Text, &S::mailaddress, ""},
    {kServerSection, "pop_server", Kind::Text, &S::pop_server, ""},
    {kServerSection, "account", Kind::Text, &S::pop_Account, ""},
    {kOptionsSection, "dauto", Kind::Flag, &S::auto_dail, false},
    {kOptionsSection, "dclose", Kind::Flag, &S::auto_dail_close, false},
    {kOptionsSection, "hint_check", Kind::Flag, &S::hint_check, true},
    {kOptionsSection, "signature", Kind::Flag, &S::signature, false},
    {kOptionsSection, "signature_sel", Kind::Number, &S::signature_sel, 0},
    {kServerSection, "pop_password", Kind::Password, &S::pop_password, ""},
};

void read_key(const IniFile& ini, const Key& k, S& s) {
  if (auto m = std::get_if<int S::*>(&k.member)) {
    s.*(*m) = ini.read_int(k.section, k.key, s.*(*m));
  } else if (auto f = std::get_if<bool S::*>(&k.member)) {
    s.*(*f) = ini.read_bool(k.section, k.key, s.*(*f));
  } else {
    QString& text = s.*std::get<QString S::*>(k.member);
    if (k.kind == Kind::Password) {
      if (ini.contains(k.section, k.key)) text = from_cp932(decode_password(ini.read_string(k.section, k.key, {})));
    } else {
      text = from_cp932(ini.read_string(k.section, k.key, to_cp932(text)));
    }
  }
}

void write_key(IniFile& ini, const Key& k, const S& s) {
  if (auto m = std::get_if<int S::*>(&k.member)) {
    ini.write_int(k.section, k.key, s.*(*m));
  } else if (auto f = std::get_if<bool S::*>(&k.member)) {
    ini.write_bool(k.section, k.key, s.*(*f));
  } else {
    const Bytes text = to_cp932(s.*std::get<QString S::*>(k.member));
    ini.write_string(k.section, k.key, k.kind == Kind::Password ? encode_password(text) : text);
  }
}

}  // namespace

MainSettings::MainSettings() {
  for (const Key& k : kKeys) {
    std::visit(
        [this](auto member, auto fallback) {
          using Field = std::remove_reference_t<decltype(this->*member)>;
          using Given = decltype(fallback);
          if constexpr (std::is_same_v<Field, QString> && std::is_same_v<Given, const char*>)
            this->*member = QString::fromLatin1(fallback);
          else if constexpr (std::is_same_v<Field, Given>)
            this->*member = fallback;
        },
        k.member, k.fallback);
  }
}

void read_main_settings(const IniFile& ini, MainSettings& s) {
  for (const Key& k : kKeys) read_key(ini, k, s);
  s.rirekisu = std::clamp(s.rirekisu, 0, 999);
  if (s.smtp_check) s.pop_check = false;
}

void write_main_settings(IniFile& ini, const MainSettings& s, bool with_position) {
  for (const Key& k : kKeys) {
    if (k.kind == Kind::Position && !with_position) continue;
    write_key(ini, k, s);
  }
}

}  // namespace zarvel
