// tesmora-gen: writes a deterministic Shift-JIS (code page 932) member list for benchmarks
// and samples.
//
// Each record has seven comma-separated fields and ends with CR LF:
//   0 member number  branch code and serial, 99-99999999
//   1 name           kanji, family and given name joined by a full-width space; half of
//                    the records are padded with full-width spaces to a fixed width
//   2 kana name      full-width or half-width katakana joined by a half-width space (a few
//                    use a full-width space); the natural sort and duplicate key
//   3 postal code    999-9999
//   4 address        full-width text, the building part after a full-width space
//   5 phone          padded with half-width spaces to 13 bytes
//   6 join date      yyyy/mm/dd, or a full-width Japanese era date
// About one record in ten re-registers a recent member (same name, kana and address), so
// field 2 holds exact duplicates even in small files. Fields never contain a comma.

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct NamePair {
    const char* kanji;
    const char* kana;
};

// Common family names with their half-width katakana readings. Several readings repeat on
// purpose (斎藤/斉藤, 菊地/菊池, 渡辺/渡部), as they do in real lists.
constexpr NamePair kFamilies[] = {
    {"佐藤", "ｻﾄｳ"},     {"鈴木", "ｽｽﾞｷ"},    {"高橋", "ﾀｶﾊｼ"},   {"田中", "ﾀﾅｶ"},
    {"伊藤", "ｲﾄｳ"},     {"渡辺", "ﾜﾀﾅﾍﾞ"},   {"山本", "ﾔﾏﾓﾄ"},   {"中村", "ﾅｶﾑﾗ"},
    {"小林", "ｺﾊﾞﾔｼ"},   {"加藤", "ｶﾄｳ"},     {"吉田", "ﾖｼﾀﾞ"},   {"山田", "ﾔﾏﾀﾞ"},
    {"佐々木", "ｻｻｷ"},   {"山口", "ﾔﾏｸﾞﾁ"},   {"松本", "ﾏﾂﾓﾄ"},   {"井上", "ｲﾉｳｴ"},
    {"木村", "ｷﾑﾗ"},     {"林", "ﾊﾔｼ"},       {"斎藤", "ｻｲﾄｳ"},   {"清水", "ｼﾐｽﾞ"},
    {"山崎", "ﾔﾏｻﾞｷ"},   {"森", "ﾓﾘ"},        {"池田", "ｲｹﾀﾞ"},   {"橋本", "ﾊｼﾓﾄ"},
    {"阿部", "ｱﾍﾞ"},     {"石川", "ｲｼｶﾜ"},    {"山下", "ﾔﾏｼﾀ"},   {"中島", "ﾅｶｼﾞﾏ"},
    {"石井", "ｲｼｲ"},     {"小川", "ｵｶﾞﾜ"},    {"前田", "ﾏｴﾀﾞ"},   {"岡田", "ｵｶﾀﾞ"},
    {"長谷川", "ﾊｾｶﾞﾜ"}, {"藤田", "ﾌｼﾞﾀ"},    {"後藤", "ｺﾞﾄｳ"},   {"近藤", "ｺﾝﾄﾞｳ"},
    {"村上", "ﾑﾗｶﾐ"},    {"遠藤", "ｴﾝﾄﾞｳ"},   {"青木", "ｱｵｷ"},    {"坂本", "ｻｶﾓﾄ"},
    {"斉藤", "ｻｲﾄｳ"},    {"福田", "ﾌｸﾀﾞ"},    {"太田", "ｵｵﾀ"},    {"西村", "ﾆｼﾑﾗ"},
    {"藤井", "ﾌｼﾞｲ"},    {"金子", "ｶﾈｺ"},     {"岡本", "ｵｶﾓﾄ"},   {"藤原", "ﾌｼﾞﾜﾗ"},
    {"中野", "ﾅｶﾉ"},     {"三浦", "ﾐｳﾗ"},     {"原田", "ﾊﾗﾀﾞ"},   {"中川", "ﾅｶｶﾞﾜ"},
    {"松田", "ﾏﾂﾀﾞ"},    {"竹内", "ﾀｹｳﾁ"},    {"小野", "ｵﾉ"},     {"田村", "ﾀﾑﾗ"},
    {"中山", "ﾅｶﾔﾏ"},    {"和田", "ﾜﾀﾞ"},     {"石田", "ｲｼﾀﾞ"},   {"森田", "ﾓﾘﾀ"},
    {"上田", "ｳｴﾀﾞ"},    {"原", "ﾊﾗ"},        {"内田", "ｳﾁﾀﾞ"},   {"柴田", "ｼﾊﾞﾀ"},
    {"酒井", "ｻｶｲ"},     {"宮崎", "ﾐﾔｻﾞｷ"},   {"横山", "ﾖｺﾔﾏ"},   {"高木", "ﾀｶｷﾞ"},
    {"安藤", "ｱﾝﾄﾞｳ"},   {"宮本", "ﾐﾔﾓﾄ"},    {"大野", "ｵｵﾉ"},    {"小島", "ｺｼﾞﾏ"},
    {"谷口", "ﾀﾆｸﾞﾁ"},   {"今井", "ｲﾏｲ"},     {"工藤", "ｸﾄﾞｳ"},   {"高田", "ﾀｶﾀﾞ"},
    {"増田", "ﾏｽﾀﾞ"},    {"丸山", "ﾏﾙﾔﾏ"},    {"杉山", "ｽｷﾞﾔﾏ"},  {"村田", "ﾑﾗﾀ"},
    {"大塚", "ｵｵﾂｶ"},    {"新井", "ｱﾗｲ"},     {"小山", "ｺﾔﾏ"},    {"平野", "ﾋﾗﾉ"},
    {"藤本", "ﾌｼﾞﾓﾄ"},   {"河野", "ｺｳﾉ"},     {"上野", "ｳｴﾉ"},    {"野口", "ﾉｸﾞﾁ"},
    {"武田", "ﾀｹﾀﾞ"},    {"松井", "ﾏﾂｲ"},     {"千葉", "ﾁﾊﾞ"},    {"岩崎", "ｲﾜｻｷ"},
    {"菅原", "ｽｶﾞﾜﾗ"},   {"木下", "ｷﾉｼﾀ"},    {"久保", "ｸﾎﾞ"},    {"佐野", "ｻﾉ"},
    {"野村", "ﾉﾑﾗ"},     {"松尾", "ﾏﾂｵ"},     {"市川", "ｲﾁｶﾜ"},   {"菊地", "ｷｸﾁ"},
    {"杉本", "ｽｷﾞﾓﾄ"},   {"古川", "ﾌﾙｶﾜ"},    {"大西", "ｵｵﾆｼ"},   {"島田", "ｼﾏﾀﾞ"},
    {"水野", "ﾐｽﾞﾉ"},    {"桜井", "ｻｸﾗｲ"},    {"高野", "ﾀｶﾉ"},    {"渡部", "ﾜﾀﾅﾍﾞ"},
    {"吉川", "ﾖｼｶﾜ"},    {"山内", "ﾔﾏｳﾁ"},    {"西田", "ﾆｼﾀﾞ"},   {"飯田", "ｲｲﾀﾞ"},
    {"菊池", "ｷｸﾁ"},     {"西川", "ﾆｼｶﾜ"},    {"小松", "ｺﾏﾂ"},    {"北村", "ｷﾀﾑﾗ"},
    {"安田", "ﾔｽﾀﾞ"},    {"五十嵐", "ｲｶﾞﾗｼ"}, {"川口", "ｶﾜｸﾞﾁ"},  {"平田", "ﾋﾗﾀ"},
    {"関", "ｾｷ"},        {"中田", "ﾅｶﾀ"},     {"久保田", "ｸﾎﾞﾀ"}, {"服部", "ﾊｯﾄﾘ"},
    {"東", "ｱｽﾞﾏ"},      {"岩田", "ｲﾜﾀ"},     {"土屋", "ﾂﾁﾔ"},    {"川崎", "ｶﾜｻｷ"},
    {"福島", "ﾌｸｼﾏ"},    {"本田", "ﾎﾝﾀﾞ"},    {"辻", "ﾂｼﾞ"},      {"樋口", "ﾋｸﾞﾁ"},
    {"秋山", "ｱｷﾔﾏ"},    {"田口", "ﾀｸﾞﾁ"},    {"永井", "ﾅｶﾞｲ"},   {"山中", "ﾔﾏﾅｶ"},
    {"中西", "ﾅｶﾆｼ"},    {"吉村", "ﾖｼﾑﾗ"},    {"川上", "ｶﾜｶﾐ"},   {"石原", "ｲｼﾊﾗ"},
    {"大橋", "ｵｵﾊｼ"},    {"松岡", "ﾏﾂｵｶ"},    {"馬場", "ﾊﾞﾊﾞ"},   {"浅野", "ｱｻﾉ"},
    {"荒木", "ｱﾗｷ"},     {"大久保", "ｵｵｸﾎﾞ"}, {"野田", "ﾉﾀﾞ"},    {"小西", "ｺﾆｼ"},
};

constexpr NamePair kGivens[] = {
    {"太郎", "ﾀﾛｳ"},   {"一郎", "ｲﾁﾛｳ"},  {"次郎", "ｼﾞﾛｳ"},  {"三郎", "ｻﾌﾞﾛｳ"}, {"健太", "ｹﾝﾀ"},
    {"翔太", "ｼｮｳﾀ"},  {"大輔", "ﾀﾞｲｽｹ"}, {"拓也", "ﾀｸﾔ"},   {"直樹", "ﾅｵｷ"},   {"和也", "ｶｽﾞﾔ"},
    {"誠", "ﾏｺﾄ"},     {"浩", "ﾋﾛｼ"},     {"学", "ﾏﾅﾌﾞ"},    {"健一", "ｹﾝｲﾁ"},  {"隆", "ﾀｶｼ"},
    {"修", "ｵｻﾑ"},     {"剛", "ﾂﾖｼ"},     {"博", "ﾋﾛｼ"},     {"茂", "ｼｹﾞﾙ"},    {"清", "ｷﾖｼ"},
    {"実", "ﾐﾉﾙ"},     {"明", "ｱｷﾗ"},     {"進", "ｽｽﾑ"},     {"勝", "ﾏｻﾙ"},     {"豊", "ﾕﾀｶ"},
    {"稔", "ﾐﾉﾙ"},     {"正", "ﾀﾀﾞｼ"},    {"武", "ﾀｹｼ"},     {"哲也", "ﾃﾂﾔ"},   {"達也", "ﾀﾂﾔ"},
    {"雄一", "ﾕｳｲﾁ"},  {"浩二", "ｺｳｼﾞ"},  {"健二", "ｹﾝｼﾞ"},  {"賢治", "ｹﾝｼﾞ"},  {"大樹", "ﾀﾞｲｷ"},
    {"蓮", "ﾚﾝ"},      {"陽翔", "ﾊﾙﾄ"},   {"悠真", "ﾕｳﾏ"},   {"湊", "ﾐﾅﾄ"},     {"大翔", "ﾋﾛﾄ"},
    {"翔", "ｼｮｳ"},     {"亮", "ﾘｮｳ"},     {"聡", "ｻﾄｼ"},     {"徹", "ﾄｵﾙ"},     {"淳", "ｼﾞｭﾝ"},
    {"孝", "ﾀｶｼ"},     {"伸也", "ｼﾝﾔ"},   {"秀樹", "ﾋﾃﾞｷ"},  {"裕太", "ﾕｳﾀ"},   {"翼", "ﾂﾊﾞｻ"},
    {"光", "ﾋｶﾙ"},     {"勇気", "ﾕｳｷ"},   {"俊介", "ｼｭﾝｽｹ"}, {"康介", "ｺｳｽｹ"},  {"慎吾", "ｼﾝｺﾞ"},
    {"健", "ｹﾝ"},      {"一樹", "ｶｽﾞｷ"},  {"智也", "ﾄﾓﾔ"},   {"雅人", "ﾏｻﾄ"},   {"正樹", "ﾏｻｷ"},
    {"英樹", "ﾋﾃﾞｷ"},  {"功", "ｲｻｵ"},     {"昭", "ｱｷﾗ"},     {"花子", "ﾊﾅｺ"},   {"恵子", "ｹｲｺ"},
    {"洋子", "ﾖｳｺ"},   {"幸子", "ｻﾁｺ"},   {"和子", "ｶｽﾞｺ"},  {"京子", "ｷｮｳｺ"},  {"久美子", "ｸﾐｺ"},
    {"由美子", "ﾕﾐｺ"}, {"美智子", "ﾐﾁｺ"}, {"真由美", "ﾏﾕﾐ"}, {"明美", "ｱｹﾐ"},   {"直美", "ﾅｵﾐ"},
    {"陽子", "ﾖｳｺ"},   {"裕子", "ﾕｳｺ"},   {"智子", "ﾄﾓｺ"},   {"優子", "ﾕｳｺ"},   {"愛", "ｱｲ"},
    {"舞", "ﾏｲ"},      {"彩", "ｱﾔ"},      {"美咲", "ﾐｻｷ"},   {"陽菜", "ﾋﾅ"},    {"結衣", "ﾕｲ"},
    {"葵", "ｱｵｲ"},     {"さくら", "ｻｸﾗ"}, {"千尋", "ﾁﾋﾛ"},   {"彩香", "ｱﾔｶ"},   {"麻衣", "ﾏｲ"},
    {"沙織", "ｻｵﾘ"},   {"香織", "ｶｵﾘ"},   {"美穂", "ﾐﾎ"},    {"恵美", "ｴﾐ"},    {"由紀", "ﾕｷ"},
    {"真理子", "ﾏﾘｺ"}, {"奈々", "ﾅﾅ"},    {"友美", "ﾄﾓﾐ"},   {"理恵", "ﾘｴ"},    {"亜希子", "ｱｷｺ"},
    {"紀子", "ﾉﾘｺ"},   {"節子", "ｾﾂｺ"},   {"文子", "ﾌﾐｺ"},   {"春香", "ﾊﾙｶ"},   {"七海", "ﾅﾅﾐ"},
    {"美月", "ﾐﾂｷ"},   {"莉子", "ﾘｺ"},    {"早苗", "ｻﾅｴ"},
};

struct City {
    const char* name;  // prefecture, city and ward
    unsigned postal;   // first three digits of the postal code
    const char* area;  // telephone area code
};

constexpr City kCities[] = {
    {"北海道札幌市中央区", 60, "011"},
    {"青森県青森市", 30, "017"},
    {"岩手県盛岡市", 20, "019"},
    {"宮城県仙台市青葉区", 980, "022"},
    {"秋田県秋田市", 10, "018"},
    {"山形県山形市", 990, "023"},
    {"福島県郡山市", 963, "024"},
    {"茨城県水戸市", 310, "029"},
    {"栃木県宇都宮市", 320, "028"},
    {"群馬県前橋市", 371, "027"},
    {"埼玉県さいたま市浦和区", 330, "048"},
    {"千葉県千葉市中央区", 260, "043"},
    {"東京都新宿区", 160, "03"},
    {"東京都世田谷区", 154, "03"},
    {"東京都練馬区", 176, "03"},
    {"東京都八王子市", 192, "042"},
    {"神奈川県横浜市港北区", 222, "045"},
    {"神奈川県川崎市中原区", 211, "044"},
    {"新潟県新潟市中央区", 951, "025"},
    {"富山県富山市", 930, "076"},
    {"石川県金沢市", 920, "076"},
    {"長野県松本市", 390, "0263"},
    {"静岡県浜松市中区", 430, "053"},
    {"愛知県名古屋市千種区", 464, "052"},
    {"岐阜県岐阜市", 500, "058"},
    {"三重県津市", 514, "059"},
    {"滋賀県大津市", 520, "077"},
    {"京都府京都市左京区", 606, "075"},
    {"大阪府大阪市北区", 530, "06"},
    {"大阪府堺市堺区", 590, "072"},
    {"兵庫県神戸市中央区", 650, "078"},
    {"奈良県奈良市", 630, "0742"},
    {"和歌山県和歌山市", 640, "073"},
    {"岡山県岡山市北区", 700, "086"},
    {"広島県広島市中区", 730, "082"},
    {"山口県下関市", 750, "083"},
    {"香川県高松市", 760, "087"},
    {"愛媛県松山市", 790, "089"},
    {"福岡県福岡市博多区", 812, "092"},
    {"熊本県熊本市中央区", 860, "096"},
    {"鹿児島県鹿児島市", 890, "099"},
    {"沖縄県那覇市", 900, "098"},
    {"北海道虻田郡倶知安町", 44, "0136"},
    {"長野県北佐久郡軽井沢町", 389, "0267"},
    {"静岡県賀茂郡東伊豆町", 413, "0557"},
    {"福岡県糟屋郡志免町", 811, "092"},
};

constexpr const char* kTowns[] = {
    "本町",     "中央",     "栄町",     "緑町",   "旭町",     "若葉",     "桜ケ丘",   "青葉台",
    "東町",     "西町",     "南町",     "北町",   "新町",     "幸町",     "宮前",     "大和町",
    "富士見",   "松が丘",   "春日",     "住吉",   "日吉",     "港町",     "錦町",     "元町",
    "千代田",   "朝日町",   "八幡",     "泉町",   "山手町",   "花園",     "白山",     "平和台",
    "城山",     "柳町",     "曙町",     "末広町", "相生町",   "寿町",     "昭和町",   "弥生町",
    "大字上野", "大字本郷", "字中屋敷", "桜新町", "自由が丘", "美しが丘", "希望ケ丘", "新田",
};

constexpr const char* kBuildingNames[] = {
    "さくら",       "みどり",       "ひまわり",     "若葉",     "青葉",     "日の出",
    "富士見",       "中央",         "駅前",         "グリーン", "ロイヤル", "セントラル",
    "サンシャイン", "パーク",       "リバーサイド", "ヒルズ",   "第二",     "エクセル",
    "グランド",     "ステーション", "フォレスト",   "シティ",   "ガーデン", "ライオンズ",
};

constexpr const char* kBuildingKinds[] = {
    "ハイツ", "コーポ", "マンション", "荘",     "レジデンス", "メゾン", "コート",
    "パレス", "ヴィラ", "タワー",     "ハイム", "テラス",     "プラザ",
};

template <typename T, std::size_t N>
constexpr std::uint32_t count_of(const T (&)[N]) {
    return static_cast<std::uint32_t>(N);
}

[[noreturn]] void die(const std::string& msg) {
    std::fprintf(stderr, "tesmora-gen: %s\n", msg.c_str());
    std::exit(1);
}

// UTF-8 to code page 932, done once per table word at start-up.
class Cp932 {
  public:
    Cp932() : cd_(iconv_open("CP932", "UTF-8")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) die("iconv cannot convert UTF-8 to CP932");
    }
    ~Cp932() { iconv_close(cd_); }
    Cp932(const Cp932&) = delete;
    Cp932& operator=(const Cp932&) = delete;

    std::string operator()(std::string_view utf8) {
        std::string out(utf8.size() * 2 + 4, '\0');
        char* in = const_cast<char*>(utf8.data());
        std::size_t in_left = utf8.size();
        char* dst = out.data();
        std::size_t out_left = out.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &in, &in_left, &dst, &out_left) == static_cast<std::size_t>(-1)) {
            die("cannot convert \"" + std::string(utf8) + "\" to CP932");
        }
        out.resize(out.size() - out_left);
        return out;
    }

  private:
    iconv_t cd_;
};

struct EncodedPair {
    std::string kanji;
    std::string kana;       // half-width katakana
    std::string wide_kana;  // the same reading in full-width katakana
};

// Half-width katakana (U+FF66..U+FF9F) to full-width, folding the voiced sound marks into
// the preceding letter. Only the letters the name tables use need to be right.
std::u32string widen_kana(std::u32string_view in) {
    static constexpr char32_t kBase[] = {
        U'ア', U'イ', U'ウ', U'エ', U'オ', U'カ', U'キ', U'ク', U'ケ', U'コ', U'サ', U'シ',
        U'ス', U'セ', U'ソ', U'タ', U'チ', U'ツ', U'テ', U'ト', U'ナ', U'ニ', U'ヌ', U'ネ',
        U'ノ', U'ハ', U'ヒ', U'フ', U'ヘ', U'ホ', U'マ', U'ミ', U'ム', U'メ', U'モ', U'ヤ',
        U'ユ', U'ヨ', U'ラ', U'リ', U'ル', U'レ', U'ロ', U'ワ', U'ン'};
    static constexpr char32_t kSmall[] = {U'ヲ', U'ァ', U'ィ', U'ゥ', U'ェ', U'ォ',
                                          U'ャ', U'ュ', U'ョ', U'ッ', U'ー'};
    std::u32string out;
    for (char32_t c : in) {
        if (c >= 0xFF71 && c <= 0xFF9D) {
            out.push_back(kBase[c - 0xFF71]);
        } else if (c >= 0xFF66 && c <= 0xFF70) {
            out.push_back(kSmall[c - 0xFF66]);
        } else if ((c == 0xFF9E || c == 0xFF9F) && !out.empty()) {
            char32_t& last = out.back();
            if (c == 0xFF9E && last == U'ウ') {
                last = U'ヴ';
            } else if (c == 0xFF9E) {
                last += 1;  // ka..to and ha..ho: the voiced letter follows the plain one
            } else {
                last += 2;  // ha..ho: the semi-voiced letter comes second
            }
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::u32string from_utf8(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k < len; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(c);
        i += static_cast<std::size_t>(len);
    }
    return out;
}

std::string to_utf8(std::u32string_view s) {
    std::string out;
    for (char32_t c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

struct Tables {
    std::vector<EncodedPair> families;
    std::vector<EncodedPair> givens;
    std::vector<std::string> cities;
    std::vector<std::string> towns;
    std::vector<std::string> building_names;
    std::vector<std::string> building_kinds;
    std::array<std::string, 10> wide_digits;
    std::string wide_space;  // U+3000
    std::string chome, ban, go, go_shitsu;
    std::vector<std::string> wings;
    std::vector<std::string> eras;
    std::string first_year, nen, gatsu, nichi;

    Tables() {
        Cp932 conv;
        auto pair = [&](const NamePair& n) {
            return EncodedPair{conv(n.kanji), conv(n.kana),
                               conv(to_utf8(widen_kana(from_utf8(n.kana))))};
        };
        for (const auto& f : kFamilies) families.push_back(pair(f));
        for (const auto& g : kGivens) givens.push_back(pair(g));
        for (const auto& c : kCities) cities.push_back(conv(c.name));
        for (const char* t : kTowns) towns.push_back(conv(t));
        for (const char* b : kBuildingNames) building_names.push_back(conv(b));
        for (const char* b : kBuildingKinds) building_kinds.push_back(conv(b));
        static constexpr const char* digits[] = {"０", "１", "２", "３", "４",
                                                 "５", "６", "７", "８", "９"};
        for (int i = 0; i < 10; ++i) wide_digits[i] = conv(digits[i]);
        wide_space = conv("　");
        chome = conv("丁目");
        ban = conv("番");
        go = conv("号");
        go_shitsu = conv("号室");
        for (const char* w : {"Ａ棟", "Ｂ棟", "Ｃ棟", "Ｄ棟"}) wings.push_back(conv(w));
        for (const char* e : {"昭和", "平成", "令和"}) eras.push_back(conv(e));
        first_year = conv("元");
        nen = conv("年");
        gatsu = conv("月");
        nichi = conv("日");
    }
};

// xoshiro256** started through splitmix64: fast, and the same stream on every platform.
class Rng {
  public:
    explicit Rng(std::uint64_t stream) {
        for (auto& word : s_) {
            stream += 0x9E3779B97F4A7C15ULL;
            std::uint64_t z = stream;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            word = z ^ (z >> 31);
        }
    }
    std::uint64_t next() {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }
    // Uniform in [0, n).
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32);
    }
    bool one_in(std::uint32_t n) { return below(n) == 0; }

  private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t s_[4];
};

// Big output buffer written with write(2); a record never exceeds kMaxRecord bytes, so the
// space check happens once per record.
class Output {
  public:
    static constexpr std::size_t kMaxRecord = 1024;

    explicit Output(int fd) : fd_(fd), buf_(kSize) {}
    char* reserve() {
        if (kSize - used_ < kMaxRecord) flush();
        return buf_.data() + used_;
    }
    void commit(char* end) { used_ = static_cast<std::size_t>(end - buf_.data()); }
    void flush() {
        const char* p = buf_.data();
        std::size_t left = used_;
        while (left > 0) {
            const ssize_t n = ::write(fd_, p, left);
            if (n < 0) {
                if (errno == EINTR) continue;
                die(std::string("write failed: ") + std::strerror(errno));
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        used_ = 0;
    }

  private:
    static constexpr std::size_t kSize = std::size_t{8} << 20;
    int fd_;
    std::vector<char> buf_;
    std::size_t used_ = 0;
};

inline char* put(char* p, const std::string& s) {
    std::memcpy(p, s.data(), s.size());
    return p + s.size();
}

inline char* put(char* p, const char* s) {
    const std::size_t n = std::strlen(s);
    std::memcpy(p, s, n);
    return p + n;
}

// Zero-padded decimal of exactly `width` digits.
inline char* put_digits(char* p, std::uint32_t v, int width) {
    for (int i = width - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    return p + width;
}

// Full-width decimal without padding.
inline char* put_wide_number(char* p, std::uint32_t v, const Tables& t) {
    char tmp[10];
    int n = 0;
    do {
        tmp[n++] = static_cast<char>(v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) p = put(p, t.wide_digits[static_cast<std::size_t>(tmp[--n])]);
    return p;
}

// The parts of a member that a re-registration repeats.
struct Member {
    std::uint16_t family = 0, given = 0, city = 0, town = 0;
    bool wide_kana = false;
    std::uint8_t chome = 1, ban = 1, go = 1;
    std::int16_t building_name = -1;  // -1: no building part
    std::uint8_t building_kind = 0;
    bool building_town = false;  // building named after the town, e.g. ライオンズ桜新町
    std::uint8_t wing = 0;       // 0: none, else Ａ棟, Ｂ棟, ...
    std::uint16_t room = 0;
    std::uint16_t postal_low = 0;
    bool mobile = false;
    std::uint8_t mobile_prefix = 0;
    std::uint32_t phone_digits = 0;  // the subscriber digits after the area code
};

Member random_member(Rng& rng) {
    Member m;
    m.family = static_cast<std::uint16_t>(rng.below(count_of(kFamilies)));
    m.given = static_cast<std::uint16_t>(rng.below(count_of(kGivens)));
    m.wide_kana = rng.below(3) != 0;
    m.city = static_cast<std::uint16_t>(rng.below(count_of(kCities)));
    m.town = static_cast<std::uint16_t>(rng.below(count_of(kTowns)));
    m.chome = static_cast<std::uint8_t>(1 + rng.below(9));
    m.ban = static_cast<std::uint8_t>(1 + rng.below(30));
    m.go = static_cast<std::uint8_t>(1 + rng.below(20));
    if (rng.below(100) < 90) {
        m.building_name = static_cast<std::int16_t>(rng.below(count_of(kBuildingNames)));
        m.building_kind = static_cast<std::uint8_t>(rng.below(count_of(kBuildingKinds)));
        // Buildings are not named after a rural 字 locality.
        const std::string_view town = kTowns[m.town];
        m.building_town = rng.below(3) != 0 && !town.starts_with("字") && !town.starts_with("大字");
        m.wing = rng.one_in(5) ? static_cast<std::uint8_t>(1 + rng.below(4)) : 0;
        m.room = static_cast<std::uint16_t>((1 + rng.below(12)) * 100 + 1 + rng.below(12));
    }
    m.postal_low = static_cast<std::uint16_t>(rng.below(10000));
    m.mobile = rng.below(100) < 45;
    m.mobile_prefix = static_cast<std::uint8_t>(rng.below(3));
    m.phone_digits = rng.below(100000000);
    return m;
}

constexpr int kPhoneWidth = 13;
constexpr int kNameWidthChars = 10;  // padded names fill this many full-width characters

struct Date {
    std::uint32_t year, month, day;
};

Date random_date(Rng& rng) {
    static constexpr std::uint32_t month_days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    Date d{};
    d.year = 1985 + rng.below(40);
    d.month = 1 + rng.below(12);
    const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    d.day = 1 + rng.below(month_days[d.month - 1] + (d.month == 2 && leap ? 1 : 0));
    return d;
}

// Japanese era date in full-width digits, e.g. 平成２６年７月２０日; the first year of an era
// is written 元年.
char* put_era_date(char* p, const Date& d, const Tables& t) {
    const std::uint32_t ymd = d.year * 10000 + d.month * 100 + d.day;
    std::size_t era = 0;
    std::uint32_t start = 1926;
    if (ymd >= 20190501) {
        era = 2;
        start = 2019;
    } else if (ymd >= 19890108) {
        era = 1;
        start = 1989;
    }
    p = put(p, t.eras[era]);
    const std::uint32_t year = d.year - start + 1;
    p = year == 1 ? put(p, t.first_year) : put_wide_number(p, year, t);
    p = put(p, t.nen);
    p = put_wide_number(p, d.month, t);
    p = put(p, t.gatsu);
    p = put_wide_number(p, d.day, t);
    return put(p, t.nichi);
}

char* write_record(char* p, std::uint32_t number, const Member& m, Rng& rng, const Tables& t) {
    const EncodedPair& fam = t.families[m.family];
    const EncodedPair& giv = t.givens[m.given];

    // 0: member number: branch code and serial
    p = put_digits(p, 1 + rng.below(40), 2);
    *p++ = '-';
    p = put_digits(p, number, 8);
    *p++ = ',';

    // 1: kanji name, sometimes padded to a fixed width with full-width spaces
    char* const name_start = p;
    p = put(p, fam.kanji);
    p = put(p, t.wide_space);
    p = put(p, giv.kanji);
    if (rng.one_in(2)) {
        while (p - name_start < kNameWidthChars * 2) p = put(p, t.wide_space);
    }
    *p++ = ',';

    // 2: kana name (the key); a few records separate with a full-width space
    p = put(p, m.wide_kana ? fam.wide_kana : fam.kana);
    if (rng.one_in(20)) {
        p = put(p, t.wide_space);
    } else {
        *p++ = ' ';
    }
    p = put(p, m.wide_kana ? giv.wide_kana : giv.kana);
    *p++ = ',';

    // 3: postal code
    p = put_digits(p, kCities[m.city].postal, 3);
    *p++ = '-';
    p = put_digits(p, m.postal_low, 4);
    *p++ = ',';

    // 4: address, full-width
    p = put(p, t.cities[m.city]);
    p = put(p, t.towns[m.town]);
    p = put_wide_number(p, m.chome, t);
    p = put(p, t.chome);
    p = put_wide_number(p, m.ban, t);
    p = put(p, t.ban);
    p = put_wide_number(p, m.go, t);
    p = put(p, t.go);
    if (m.building_name >= 0) {
        p = put(p, t.wide_space);
        p = put(p, t.building_names[static_cast<std::size_t>(m.building_name)]);
        if (m.building_town) p = put(p, t.towns[m.town]);
        p = put(p, t.building_kinds[m.building_kind]);
        p = put(p, t.wide_space);
        if (m.wing != 0) {
            p = put(p, t.wings[m.wing - 1]);
            p = put(p, t.wide_space);
        }
        p = put_wide_number(p, m.room, t);
        p = put(p, t.go_shitsu);
    }
    *p++ = ',';

    // 5: phone, padded with half-width spaces
    char* const phone_start = p;
    if (m.mobile) {
        static constexpr const char* prefixes[] = {"090", "080", "070"};
        p = put(p, prefixes[m.mobile_prefix]);
        *p++ = '-';
        p = put_digits(p, m.phone_digits / 10000, 4);
        *p++ = '-';
        p = put_digits(p, m.phone_digits % 10000, 4);
    } else {
        const char* area = kCities[m.city].area;
        const int exchange = 10 - static_cast<int>(std::strlen(area)) - 4;
        p = put(p, area);
        *p++ = '-';
        std::uint32_t ex = m.phone_digits / 10000;
        ex %= exchange == 4 ? 10000U : exchange == 3 ? 1000U : 100U;
        p = put_digits(p, ex, exchange);
        *p++ = '-';
        p = put_digits(p, m.phone_digits % 10000, 4);
    }
    while (p - phone_start < kPhoneWidth) *p++ = ' ';
    *p++ = ',';

    // 6: join date, mostly yyyy/mm/dd, some in the Japanese era form
    const Date d = random_date(rng);
    if (rng.one_in(3)) {
        p = put_era_date(p, d, t);
    } else {
        p = put_digits(p, d.year, 4);
        *p++ = '/';
        p = put_digits(p, d.month, 2);
        *p++ = '/';
        p = put_digits(p, d.day, 2);
    }

    *p++ = '\r';
    *p++ = '\n';
    return p;
}

// A replacement set for tesmora-cli replace: words of the records first (towns,
// family names), then words absent from them. No before-string contains another, so the set
// is accepted as it is and its order asks no question; the after-strings are ASCII and
// contain no before-string.
void write_pair_set(int fd, std::uint32_t count) {
    const Tables t;
    std::vector<std::string> words;
    auto related = [&](const std::string& w) {
        for (const std::string& v : words)
            if (v.find(w) != std::string::npos || w.find(v) != std::string::npos) return true;
        return false;
    };
    const std::uint32_t occurring = count / 2;
    // Towns first: every address has one, so nearly every record changes, as
    // with a cleaning set.
    for (const auto& town : t.towns)
        if (words.size() < occurring && !related(town)) words.push_back(town);
    for (const auto& f : t.families)
        if (words.size() < occurring && !related(f.kanji)) words.push_back(f.kanji);
    Cp932 conv;
    const std::string absent = conv("該当無");
    for (std::uint32_t i = 0; words.size() < count; ++i) {
        std::string w = absent;
        for (std::uint32_t scale = 1000; scale > 0; scale /= 10) w += t.wide_digits[i / scale % 10];
        words.push_back(w);
    }
    Output out(fd);
    for (std::uint32_t i = 0; i < count; ++i) {
        char* p = out.reserve();
        p = put(p, words[i]);
        *p++ = '\x14';
        *p++ = '<';
        p = put_digits(p, i, 4);
        *p++ = '>';
        *p++ = '\r';
        *p++ = '\n';
        out.commit(p);
    }
    out.flush();
}

void usage(FILE* to) {
    std::fputs(
        "usage: tesmora-gen --records N [--stream S] [--table codes|members] [-o FILE]\n"
        "       tesmora-gen --pair-set N [-o FILE]\n"
        "Writes N member-list records (Shift-JIS, CP932, seven comma-separated fields,\n"
        "CR LF line ends) to FILE, or to standard output. The same N and S always give\n"
        "the same bytes.\n"
        "--table codes: N rows 'KANA,CODE' instead, one per kana name (field 2) of the\n"
        "  records of stream S in the order they first occur: a code table.\n"
        "--table members: N rows 'ID,POINTS,RANK', one per member number (field 0) of\n"
        "  records 1 to N of stream S: a second file every record matches.\n"
        "--pair-set writes a replacement set of N pairs instead (before, byte 0x14,\n"
        "after, CR LF): first up to half of them towns and names that occur in the\n"
        "records (nearly every record has a town), the rest words that never do; no\n"
        "before-string contains another.\n",
        to);
}

enum class TableKind { None, Codes, Members };

// Rewrites the record [start, end) into its row of the table; returns start
// when the record gives no row.
char* derive_row(char* start, char* end, TableKind kind, std::uint64_t row,
                 std::set<std::string>& seen) {
    std::vector<std::string_view> fields;
    const char* f = start;
    for (const char* q = start; q < end - 2; ++q) {
        if (*q == ',') {
            fields.emplace_back(f, static_cast<std::size_t>(q - f));
            f = q + 1;
        }
    }
    fields.emplace_back(f, static_cast<std::size_t>(end - 2 - f));
    std::string out;
    if (kind == TableKind::Codes) {
        if (!seen.insert(std::string(fields[2])).second) return start;
        char code[32];
        std::snprintf(code, sizeof code, ",C%05llu", static_cast<unsigned long long>(row));
        out = std::string(fields[2]) + code;
    } else {
        char rest[48];
        std::snprintf(rest, sizeof rest, ",%llu,%c",
                      static_cast<unsigned long long>(row * 37 % 10000), "ABCDE"[row % 5]);
        out = std::string(fields[0]) + rest;
    }
    out += "\r\n";
    std::memcpy(start, out.data(), out.size());
    return start + out.size();
}

bool parse_u64(const char* s, std::uint64_t& out) {
    const char* end = s + std::strlen(s);
    auto [ptr, ec] = std::from_chars(s, end, out);
    return ec == std::errc() && ptr == end && ptr != s;
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t records = 0;
    std::uint64_t stream = 1;
    bool have_records = false;
    std::uint64_t pairs = 0;
    const char* out_path = nullptr;
    TableKind table = TableKind::None;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tesmora-gen: %s needs a value\n", argv[i]);
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--records" || arg == "-n") {
            if (!parse_u64(value(), records) || records > 0xFFFFFFFFULL) {
                std::fprintf(stderr, "tesmora-gen: bad record count\n");
                return 2;
            }
            have_records = true;
        } else if (arg == "--stream" || arg == "-s") {
            if (!parse_u64(value(), stream)) {
                std::fprintf(stderr, "tesmora-gen: bad stream\n");
                return 2;
            }
        } else if (arg == "--table") {
            const std::string_view kind = value();
            if (kind == "codes") {
                table = TableKind::Codes;
            } else if (kind == "members") {
                table = TableKind::Members;
            } else {
                std::fprintf(stderr, "tesmora-gen: --table takes codes or members\n");
                return 2;
            }
        } else if (arg == "--pair-set") {
            if (!parse_u64(value(), pairs) || pairs == 0 || pairs > 9999) {
                std::fprintf(stderr, "tesmora-gen: bad pair count\n");
                return 2;
            }
        } else if (arg == "-o" || arg == "--output") {
            out_path = value();
        } else if (arg == "-h" || arg == "--help") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "tesmora-gen: unknown argument: %s\n", argv[i]);
            usage(stderr);
            return 2;
        }
    }
    if (have_records == (pairs != 0)) {
        usage(stderr);
        return 2;
    }

    int fd = STDOUT_FILENO;
    if (out_path != nullptr && std::string_view(out_path) != "-") {
        fd = ::open(out_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) die(std::string(out_path) + ": " + std::strerror(errno));
    }
    if (pairs != 0) {
        write_pair_set(fd, static_cast<std::uint32_t>(pairs));
        if (fd != STDOUT_FILENO && ::close(fd) != 0) die(std::string(out_path) + ": close failed");
        return 0;
    }

    const Tables tables;

    Rng rng(stream);
    Output out(fd);
    // Recent members, for re-registrations that repeat a key a few records later.
    constexpr std::size_t kRecent = 64;
    std::array<Member, kRecent> recent{};
    std::size_t recent_count = 0;

    std::set<std::string> seen;
    std::uint64_t rows = 0;
    // A code table needs more records than rows; stop if the names run out.
    const std::uint64_t limit = table == TableKind::Codes ? records * 1000 : records;
    for (std::uint64_t i = 0; i < limit && rows < records; ++i) {
        Member m;
        if (recent_count > 0 && rng.one_in(10)) {
            const auto back = rng.below(static_cast<std::uint32_t>(recent_count));
            m = recent[back];
        } else {
            m = random_member(rng);
        }
        recent[i % kRecent] = m;
        if (recent_count < kRecent) ++recent_count;

        char* const start = out.reserve();
        char* p = write_record(start, static_cast<std::uint32_t>(i + 1), m, rng, tables);
        if (table != TableKind::None) p = derive_row(start, p, table, rows, seen);
        if (p != start) ++rows;
        out.commit(p);
    }
    out.flush();

    if (fd != STDOUT_FILENO && ::close(fd) != 0) {
        die(std::string(out_path) + ": " + std::strerror(errno));
    }
    return 0;
}
