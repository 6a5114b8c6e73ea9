#include "compose/pictograms.h"

#include <cstdint>
#include <initializer_list>
#include <span>

namespace zarvel {

namespace {

struct Name {
  std::uint16_t code;
  const char* name;  // UTF-8
};

// Each pictogram under the name the basic and extended lists show.
// clang-format off
constexpr Name kNames[] = {
    // Weather
    {0xF89F, "晴れ"}, {0xF8A0, "曇り"}, {0xF8A1, "雨"}, {0xF8A2, "雪"},
    {0xF8A3, "雷"}, {0xF8A4, "台風"}, {0xF8A5, "霧"}, {0xF8A6, "小雨"},
    // Signs of the zodiac
    {0xF8A7, "おひつじ座"}, {0xF8A8, "おうし座"}, {0xF8A9, "ふたご座"}, {0xF8AA, "かに座"},
    {0xF8AB, "しし座"}, {0xF8AC, "おとめ座"}, {0xF8AD, "てんびん座"}, {0xF8AE, "さそり座"},
    {0xF8AF, "いて座"}, {0xF8B0, "やぎ座"}, {0xF8B1, "みずがめ座"}, {0xF8B2, "うお座"},
    // Sports
    {0xF8B3, "スポーツ"}, {0xF8B4, "野球"}, {0xF8B5, "ゴルフ"}, {0xF8B6, "テニス"},
    {0xF8B7, "サッカー"}, {0xF8B8, "スキー"}, {0xF8B9, "バスケットボール"}, {0xF8BA, "モータースポーツ"},
    {0xF8BB, "ポケットベル"},
    // Vehicles
    {0xF8BC, "電車"}, {0xF8BD, "地下鉄"}, {0xF8BE, "新幹線"}, {0xF8BF, "車（セダン）"},
    {0xF8C0, "車（ＲＶ）"}, {0xF8C1, "バス"}, {0xF8C2, "船"}, {0xF8C3, "飛行機"},
    // Places
    {0xF8C4, "家"}, {0xF8C5, "ビル"}, {0xF8C6, "郵便局"}, {0xF8C7, "病院"},
    {0xF8C8, "銀行"}, {0xF8C9, "ＡＴＭ"}, {0xF8CA, "ホテル"}, {0xF8CB, "コンビニ"},
    {0xF8CC, "ガソリンスタンド"}, {0xF8CD, "駐車場"}, {0xF8CE, "信号"}, {0xF8CF, "トイレ"},
    {0xF8D0, "レストラン"}, {0xF8D1, "喫茶店"}, {0xF8D2, "カクテル"}, {0xF8D3, "ビール"},
    {0xF8D4, "ハンバーガー"}, {0xF8D5, "ブティック"}, {0xF8D6, "美容院"}, {0xF8D7, "カラオケ"},
    {0xF8D8, "映画"}, {0xF8D9, "右斜め上"}, {0xF8DA, "遊園地"}, {0xF8DB, "音楽"},
    {0xF8DC, "アート"}, {0xF8DD, "演劇"}, {0xF8DE, "イベント"}, {0xF8DF, "チケット"},
    // Things
    {0xF8E0, "喫煙"}, {0xF8E1, "禁煙"}, {0xF8E2, "カメラ"}, {0xF8E3, "カバン"},
    {0xF8E4, "本"}, {0xF8E5, "リボン"}, {0xF8E6, "プレゼント"}, {0xF8E7, "バースデー"},
    {0xF8E8, "電話"}, {0xF8E9, "携帯電話"}, {0xF8EA, "メモ"}, {0xF8EB, "ＴＶ"},
    {0xF8EC, "ゲーム"}, {0xF8ED, "ＣＤ"}, {0xF8EE, "ハート"}, {0xF8EF, "スペード"},
    {0xF8F0, "ダイヤ"}, {0xF8F1, "クラブ"}, {0xF8F2, "目"}, {0xF8F3, "耳"},
    {0xF8F4, "手（グー）"}, {0xF8F5, "手（チョキ）"}, {0xF8F6, "手（パー）"}, {0xF8F7, "右斜め下"},
    {0xF8F8, "左斜め上"}, {0xF8F9, "足"}, {0xF8FA, "くつ"}, {0xF8FB, "眼鏡"},
    {0xF8FC, "車椅子"},
    // Moon, animals and the rest of the basic set
    {0xF940, "新月"}, {0xF941, "やや欠け月"}, {0xF942, "半月"}, {0xF943, "三日月"},
    {0xF944, "満月"}, {0xF945, "犬"}, {0xF946, "猫"}, {0xF947, "リゾート"},
    {0xF948, "クリスマス"}, {0xF949, "左斜め下"},
    {0xF950, "カチンコ"}, {0xF951, "ふくろ"}, {0xF952, "ペン"}, {0xF955, "人影"},
    {0xF956, "いす"}, {0xF957, "夜"}, {0xF95B, "soon"}, {0xF95C, "on"},
    {0xF95D, "end"}, {0xF95E, "時計"},
    {0xF972, "phone to"}, {0xF973, "mail to"}, {0xF974, "fax to"}, {0xF975, "iモード"},
    {0xF976, "iモード（枠付き）"}, {0xF977, "メール"}, {0xF978, "ドコモ提供"}, {0xF979, "ドコモポイント"},
    {0xF97A, "有料"}, {0xF97B, "無料"}, {0xF97C, "ID"}, {0xF97D, "パスワード"},
    {0xF97E, "次項有"}, {0xF980, "クリア"}, {0xF981, "サーチ（調べる）"}, {0xF982, "ＮＥＷ"},
    {0xF983, "位置情報"}, {0xF984, "フリーダイヤル"}, {0xF985, "シャープダイヤル"}, {0xF986, "モバＱ"},
    {0xF987, "1"}, {0xF988, "2"}, {0xF989, "3"}, {0xF98A, "4"},
    {0xF98B, "5"}, {0xF98C, "6"}, {0xF98D, "7"}, {0xF98E, "8"},
    {0xF98F, "9"}, {0xF990, "0"},
    // Feelings
    {0xF991, "黒ハート"}, {0xF992, "揺れるハート"}, {0xF993, "失恋"}, {0xF994, "ハートたち（複数ハート）"},
    {0xF995, "わーい（嬉しい顔）"}, {0xF996, "ちっ（怒った顔）"}, {0xF997, "がく～（落胆した顔）"},
    {0xF998, "もうやだ～（悲しい顔）"}, {0xF999, "ふらふら"}, {0xF99A, "グッド（上向き矢印）"},
    {0xF99B, "るんるん"}, {0xF99C, "いい気分（温泉）"}, {0xF99D, "かわいい"}, {0xF99E, "キスマーク"},
    {0xF99F, "ぴかぴか（新しい）"}, {0xF9A0, "ひらめき"}, {0xF9A1, "むかっ（怒り）"}, {0xF9A2, "パンチ"},
    {0xF9A3, "爆弾"}, {0xF9A4, "ムード"}, {0xF9A5, "バッド（下向き矢印）"}, {0xF9A6, "眠い（睡眠）"},
    {0xF9A7, "exclamation"}, {0xF9A8, "exclamation&question"}, {0xF9A9, "exclamation×2"},
    {0xF9AA, "どんっ（衝撃）"}, {0xF9AB, "あせあせ（飛び散る汗）"}, {0xF9AC, "たらーっ（汗）"},
    {0xF9AD, "ダッシュ（走り出すさま）"}, {0xF9AE, "ー（長音記号１）"}, {0xF9AF, "ー（長音記号２）"},
    {0xF9B0, "決定"},
    // Extended set (504i and later)
    {0xF9B1, "iアプリ"}, {0xF9B2, "iアプリ（枠付き）"}, {0xF9B3, "Tシャツ（ボーダー）"}, {0xF9B4, "がま口財布"},
    {0xF9B5, "化粧"}, {0xF9B6, "ジーンズ"}, {0xF9B7, "スノボ"}, {0xF9B8, "チャペル"},
    {0xF9B9, "ドア"}, {0xF9BA, "ドル袋"}, {0xF9BB, "パソコン"}, {0xF9BC, "ラブレター"},
    {0xF9BD, "レンチ"}, {0xF9BE, "鉛筆"}, {0xF9BF, "王冠"}, {0xF9C0, "指輪"},
    {0xF9C1, "砂時計"}, {0xF9C2, "自転車"}, {0xF9C3, "湯のみ"}, {0xF9C4, "腕時計"},
    {0xF9C5, "考えてる顔"}, {0xF9C6, "ほっとした顔"}, {0xF9C7, "冷や汗"}, {0xF9C8, "冷や汗2"},
    {0xF9C9, "ぷっくっくな顔"}, {0xF9CA, "ボケーっとした顔"}, {0xF9CB, "目がハート"}, {0xF9CC, "指でOK"},
    {0xF9CD, "あっかんべー"}, {0xF9CE, "ウィンク"}, {0xF9CF, "うれしい顔"}, {0xF9D0, "がまん顔"},
    {0xF9D1, "猫2"}, {0xF9D2, "泣き顔"}, {0xF9D3, "涙"}, {0xF9D4, "NG"},
    {0xF9D5, "クリップ"}, {0xF9D6, "コピーライト"}, {0xF9D7, "トレードマーク"}, {0xF9D8, "走る人"},
    {0xF9D9, "マル秘"}, {0xF9DA, "リサイクル"}, {0xF9DB, "レジスタードトレードマーク"}, {0xF9DC, "危険・警告"},
    {0xF9DD, "禁止"}, {0xF9DE, "空室・空席・空車"}, {0xF9DF, "合格マーク"}, {0xF9E0, "満室・満席・満車"},
    {0xF9E1, "矢印左右"}, {0xF9E2, "矢印上下"}, {0xF9E3, "学校"}, {0xF9E4, "波"},
    {0xF9E5, "富士山"}, {0xF9E6, "クローバー"}, {0xF9E7, "さくらんぼ"}, {0xF9E8, "チューリップ"},
    {0xF9E9, "バナナ"}, {0xF9EA, "りんご"}, {0xF9EB, "芽"}, {0xF9EC, "もみじ"},
    {0xF9ED, "桜"}, {0xF9EE, "おにぎり"}, {0xF9EF, "ショートケーキ"}, {0xF9F0, "とっくり（おちょこ付き）"},
    {0xF9F1, "どんぶり"}, {0xF9F2, "パン"}, {0xF9F3, "かたつむり"}, {0xF9F4, "ひよこ"},
    {0xF9F5, "ペンギン"}, {0xF9F6, "魚"}, {0xF9F7, "うまい！"}, {0xF9F8, "ウッシッシ"},
    {0xF9F9, "ウマ"}, {0xF9FA, "ブタ"}, {0xF9FB, "ワイングラス"}, {0xF9FC, "げっそり"},
};
// clang-format on

// A run of codes, ascending; a single code has first == last.
struct Run {
  std::uint16_t first;
  std::uint16_t last;
};

struct CategoryDef {
  const char* list_name;
  const char* caption;  // UTF-8
  std::initializer_list<Run> runs;
  std::initializer_list<Name> own_names;  // where this list shows another name
};

constexpr Run one(std::uint16_t code) { return {code, code}; }

// clang-format off
const CategoryDef kCategories[] = {
    {"kao", "かお",
     {{0xF995, 0xF999}, {0xF8F2, 0xF8F6}, one(0xF945), one(0xF946)},
     {{0xF995, "わーい"}, {0xF996, "ちっ"}, {0xF997, "がく～"}, {0xF998, "もうやだ～"}}},
    {"kibun", "気分",
     {{0xF991, 0xF994}, {0xF9A7, 0xF9A9}, one(0xF9A0), one(0xF99A), one(0xF9A5), one(0xF99B),
      one(0xF9A4), one(0xF99D), one(0xF99E), one(0xF9A1), one(0xF9A2), one(0xF9A6), one(0xF9AB),
      one(0xF9AC), one(0xF99F), one(0xF9A3), one(0xF9AA), {0xF9AD, 0xF9AF}},
     {{0xF994, "ハートたち"}}},
    {"tenki", "天気", {{0xF89F, 0xF8A6}}, {}},
    {"basyo", "場所",
     {{0xF8C4, 0xF8CD}, one(0xF99C), {0xF8CF, 0xF8D4}, {0xF8D6, 0xF8D8}, one(0xF8DA)},
     {{0xF8D2, "バー"}, {0xF8D4, "ファーストフード"}}},
    {"norimono", "乗り物",
     {one(0xF8BC), {0xF8BE, 0xF8C2}, one(0xF947), one(0xF8C3), one(0xF8FC)}, {}},
    {"spot", "スポーツ", {{0xF8B3, 0xF8BA}}, {}},
    {"mark", "マーク",
     {one(0xF977), {0xF8DF, 0xF8E9}, one(0xF8BB), {0xF8EA, 0xF8ED}, one(0xF8FB), one(0xF948),
      {0xF972, 0xF974}, one(0xF957), one(0xF95E)},
     {}},
    {"seiza", "星座・月", {{0xF8A7, 0xF8B2}, {0xF940, 0xF944}}, {}},
    {"sonota", "基本絵文字",
     {{0xF89F, 0xF8BA}, one(0xF8BC), {0xF8BE, 0xF8C2}, one(0xF947), {0xF8C3, 0xF8D4},
      {0xF8D6, 0xF8D8}, one(0xF8DA), one(0xF8DB), {0xF8DF, 0xF8E9}, one(0xF8BB), {0xF8EA, 0xF8F6},
      one(0xF8F8), one(0xF8D9), one(0xF8F7), one(0xF949), one(0xF8F9), one(0xF8FA), one(0xF8D5),
      one(0xF8FB), one(0xF8FC), {0xF940, 0xF946}, one(0xF948), {0xF972, 0xF97E}, {0xF980, 0xF982},
      one(0xF9B0), {0xF983, 0xF99A}, one(0xF9A5), one(0xF99B), one(0xF9A4), {0xF99C, 0xF9A3},
      {0xF9A6, 0xF9AF}, one(0xF951), one(0xF952), one(0xF955), one(0xF957), one(0xF95E)},
     {}},
    {"kakutyou", "拡張絵文字（504iなど）", {{0xF9B1, 0xF9FC}}, {}},
};
// clang-format on

// The next double-byte code: trail bytes run 40-7E, 80-FC.
std::uint16_t next_code(std::uint16_t code) {
  const unsigned trail = code & 0xFF;
  if (trail == 0x7E) return static_cast<std::uint16_t>(code + 2);
  if (trail == 0xFC) return static_cast<std::uint16_t>((code & 0xFF00) + 0x140);
  return static_cast<std::uint16_t>(code + 1);
}

const char* find_name(std::span<const Name> names, std::uint16_t code) {
  for (const Name& n : names) {
    if (n.code == code) return n.name;
  }
  return nullptr;
}

Bytes make_row(std::uint16_t code, const char* name) {
  Bytes row{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  row += to_cp932(QString::fromUtf8(" : ") + QString::fromUtf8(name));
  return row;
}

std::vector<PictogramCategory> build() {
  std::vector<PictogramCategory> categories;
  categories.reserve(std::size(kCategories));
  for (const CategoryDef& def : kCategories) {
    PictogramCategory category{def.list_name, QString::fromUtf8(def.caption), {}};
    for (const Run& run : def.runs) {
      for (std::uint16_t code = run.first; code <= run.last; code = next_code(code)) {
        const char* name = find_name({def.own_names.begin(), def.own_names.size()}, code);
        if (!name) name = find_name(kNames, code);
        // Every code of the lists has a name; a gap here is a typing error.
        Q_ASSERT(name);
        category.rows.push_back(make_row(code, name ? name : ""));
      }
    }
    categories.push_back(std::move(category));
  }
  return categories;
}

}  // namespace

const std::vector<PictogramCategory>& pictogram_categories() {
  static const std::vector<PictogramCategory> categories = build();
  return categories;
}

Bytes pictogram_code(std::string_view row) {
  if (row.size() < 2) return {};
  return Bytes(row.substr(0, 2));
}

}  // namespace zarvel
