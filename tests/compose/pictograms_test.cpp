#include "compose/pictograms.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <map>
#include <set>

#include "compose/pictogram_font.h"

using namespace zarvel;

namespace {

// Expands a list of codes written as "F991–F994, F9A0": ranges ascending,
// trail bytes 40-7E and 80-FC.
std::vector<unsigned> expand(const QString& text) {
  std::vector<unsigned> codes;
  for (const QString& item : text.split(u',')) {
    const QStringList ends = item.trimmed().split(u'–');
    unsigned code = ends.front().toUInt(nullptr, 16);
    const unsigned last = ends.back().toUInt(nullptr, 16);
    for (; code <= last; ++code) {
      const unsigned trail = code & 0xFF;
      if (trail < 0x40 || trail == 0x7F || trail > 0xFC) continue;
      codes.push_back(code);
    }
  }
  return codes;
}

unsigned code_of(const Bytes& row) {
  return static_cast<unsigned char>(row[0]) << 8 | static_cast<unsigned char>(row[1]);
}

QString name_of(const Bytes& row) { return from_cp932(std::string_view(row).substr(5)); }

const PictogramCategory& category(const char* list_name) {
  for (const PictogramCategory& c : pictogram_categories()) {
    if (std::string_view(c.list_name) == list_name) return c;
  }
  throw std::runtime_error(list_name);
}

QString row_named(const char* list_name, unsigned code) {
  for (const Bytes& row : category(list_name).rows) {
    if (code_of(row) == code) return name_of(row);
  }
  return QStringLiteral("<missing>");
}

}  // namespace

TEST(Pictograms, CategoriesHoldTheirCodesInOrder) {
  struct Expected {
    const char* list_name;
    const char16_t* caption;
    std::size_t count;
    const char16_t* codes;
  };
  const Expected expected[] = {
      {"kao", u"かお", 12, u"F995–F999, F8F2–F8F6, F945, F946"},
      {"kibun", u"気分", 25,
       u"F991–F994, F9A7–F9A9, F9A0, F99A, F9A5, F99B, F9A4, F99D, F99E, F9A1, F9A2, F9A6, F9AB, F9AC, F99F, "
       u"F9A3, F9AA, F9AD–F9AF"},
      {"tenki", u"天気", 8, u"F89F–F8A6"},
      {"basyo", u"場所", 21, u"F8C4–F8CD, F99C, F8CF–F8D4, F8D6–F8D8, F8DA"},
      {"norimono", u"乗り物", 9, u"F8BC, F8BE–F8C2, F947, F8C3, F8FC"},
      {"spot", u"スポーツ", 8, u"F8B3–F8BA"},
      {"mark", u"マーク", 24, u"F977, F8DF–F8E9, F8BB, F8EA–F8ED, F8FB, F948, F972–F974, F957, F95E"},
      {"seiza", u"星座・月", 17, u"F8A7–F8B2, F940–F944"},
      {"sonota", u"基本絵文字", 167,
       u"F89F–F8BA, F8BC, F8BE–F8C2, F947, F8C3–F8D4, F8D6–F8D8, F8DA, F8DB, F8DF–F8E9, F8BB, F8EA–F8F6, F8F8, "
       u"F8D9, F8F7, F949, F8F9, F8FA, F8D5, F8FB, F8FC, F940–F946, F948, F972–F97E, F980–F982, F9B0, "
       u"F983–F99A, F9A5, F99B, F9A4, F99C–F9A3, F9A6–F9AF, F951, F952, F955, F957, F95E"},
      {"kakutyou", u"拡張絵文字（504iなど）", 76, u"F9B1–F9FC"},
  };
  const auto& categories = pictogram_categories();
  ASSERT_EQ(categories.size(), std::size(expected));
  for (std::size_t i = 0; i < categories.size(); ++i) {
    const PictogramCategory& c = categories[i];
    SCOPED_TRACE(c.list_name);
    EXPECT_STREQ(c.list_name, expected[i].list_name);
    EXPECT_EQ(c.caption, QString::fromUtf16(expected[i].caption));
    std::vector<unsigned> codes;
    for (const Bytes& row : c.rows) codes.push_back(code_of(row));
    EXPECT_EQ(codes, expand(QString::fromUtf16(expected[i].codes)));
    EXPECT_EQ(c.rows.size(), expected[i].count);
  }
  EXPECT_EQ(code_of(category("kakutyou").rows.front()), 0xF9B1u);
  EXPECT_EQ(code_of(category("kakutyou").rows.back()), 0xF9FCu);
}

TEST(Pictograms, RowsAreCodeSeparatorAndAName) {
  for (const PictogramCategory& c : pictogram_categories()) {
    std::set<unsigned> seen;
    for (const Bytes& row : c.rows) {
      SCOPED_TRACE(std::string(c.list_name) + " " + QString::number(code_of(row), 16).toStdString());
      ASSERT_GT(row.size(), 5u);
      const unsigned lead = static_cast<unsigned char>(row[0]);
      EXPECT_TRUE(lead == 0xF8 || lead == 0xF9);
      EXPECT_EQ(row.substr(2, 3), " : ");
      EXPECT_TRUE(seen.insert(code_of(row)).second) << "listed twice";
      // The code is one pictogram character as the widgets see it.
      const QString code = from_cp932(pictogram_code(row));
      ASSERT_EQ(code.size(), 1);
      EXPECT_GE(code[0].unicode(), 0xE63E);
      EXPECT_LE(code[0].unicode(), 0xE757);
      // The name survives CP932 whole (nothing became 〓) and is not empty.
      const QString name = name_of(row);
      EXPECT_FALSE(name.trimmed().isEmpty());
      EXPECT_FALSE(name.contains(QChar(kGeta)));
      EXPECT_EQ(to_cp932(name), row.substr(5));
    }
  }
}

TEST(Pictograms, NamesAreTheSameInEveryListExceptTheShortForms) {
  std::map<unsigned, QString> basic;
  for (const Bytes& row : category("sonota").rows) basic[code_of(row)] = name_of(row);
  const std::map<std::pair<std::string, unsigned>, QString> own = {
      {{"kao", 0xF995}, QStringLiteral("わーい")},
      {{"kao", 0xF996}, QStringLiteral("ちっ")},
      {{"kao", 0xF997}, QStringLiteral("がく～")},
      {{"kao", 0xF998}, QStringLiteral("もうやだ～")},
      {{"kibun", 0xF994}, QStringLiteral("ハートたち")},
      {{"basyo", 0xF8D2}, QStringLiteral("バー")},
      {{"basyo", 0xF8D4}, QStringLiteral("ファーストフード")},
  };
  for (const PictogramCategory& c : pictogram_categories()) {
    if (std::string_view(c.list_name) == "sonota" || std::string_view(c.list_name) == "kakutyou") continue;
    for (const Bytes& row : c.rows) {
      const unsigned code = code_of(row);
      ASSERT_TRUE(basic.count(code)) << c.list_name << " " << std::hex << code << " is not a basic pictogram";
      const auto it = own.find({c.list_name, code});
      EXPECT_EQ(name_of(row), it != own.end() ? it->second : basic[code]) << c.list_name << " " << std::hex << code;
    }
  }
  // The basic list carries the longer forms.
  EXPECT_EQ(basic[0xF995], QStringLiteral("わーい（嬉しい顔）"));
  EXPECT_EQ(basic[0xF994], QStringLiteral("ハートたち（複数ハート）"));
  EXPECT_EQ(basic[0xF8D2], QStringLiteral("カクテル"));
  EXPECT_EQ(basic[0xF8D4], QStringLiteral("ハンバーガー"));
}

TEST(Pictograms, KnownRowsAreExact) {
  EXPECT_EQ(category("tenki").rows.front(), "\xF8\x9F" + to_cp932(u" : 晴れ"));
  EXPECT_EQ(category("seiza").rows.front(), "\xF8\xA7" + to_cp932(u" : おひつじ座"));
  EXPECT_EQ(category("kakutyou").rows.front(), "\xF9\xB1" + to_cp932(u" : iアプリ"));
  EXPECT_EQ(row_named("seiza", 0xF8B2), QStringLiteral("うお座"));
  EXPECT_EQ(row_named("seiza", 0xF944), QStringLiteral("満月"));
  EXPECT_EQ(row_named("mark", 0xF95E), QStringLiteral("時計"));
  EXPECT_EQ(row_named("sonota", 0xF990), QStringLiteral("0"));
  EXPECT_EQ(row_named("sonota", 0xF9A9), QStringLiteral("exclamation×2"));
  EXPECT_EQ(row_named("kakutyou", 0xF9D1), QStringLiteral("猫2"));
  EXPECT_EQ(row_named("kakutyou", 0xF9FC), QStringLiteral("げっそり"));
}

TEST(Pictograms, PastedCodeIsTheFirstTwoBytes) {
  EXPECT_EQ(pictogram_code(category("tenki").rows.front()), "\xF8\x9F");
  EXPECT_EQ(pictogram_code("\xF8"), "");
  EXPECT_EQ(pictogram_code(""), "");
}

TEST(PictogramFont, CoversEveryListedPictogram) {
  ASSERT_TRUE(load_pictogram_font());
  EXPECT_TRUE(load_pictogram_font());  // a second call is harmless
  EXPECT_TRUE(QFontDatabase::families().contains(pictogram_font_family()));
  QFont font(pictogram_font_family());
  const QFontMetrics metrics(font);
  for (const PictogramCategory& c : pictogram_categories()) {
    for (const Bytes& row : c.rows) {
      const char32_t ch = from_cp932(pictogram_code(row)).at(0).unicode();
      EXPECT_TRUE(metrics.inFontUcs4(ch)) << std::hex << code_of(row);
    }
  }
  EXPECT_FALSE(metrics.inFontUcs4(0xE000));  // not a pictogram
}

TEST(PictogramFont, DrawsPictogramsInColourBesideJapaneseText) {
  ASSERT_TRUE(load_pictogram_font());
  QFont font;
  font.setFamilies({QStringLiteral("IPAGothic"), pictogram_font_family()});
  font.setPixelSize(32);
  // Sun (an emoji glyph), the iモード logo (a drawn badge), and a character
  // that no font has, for comparison.
  const auto coloured_pixels = [&](const QString& text) {
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, 48, 48), Qt::AlignCenter, text);
    painter.end();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (QColor(image.pixel(x, y)).hsvSaturation() > 100) ++count;
      }
    }
    return count;
  };
  EXPECT_GT(coloured_pixels(from_cp932("\xF8\x9F")), 100);
  EXPECT_GT(coloured_pixels(from_cp932("\xF9\x75")), 100);
  EXPECT_EQ(coloured_pixels(QStringLiteral("晴")), 0);
}
