// UTF-8 and UTF-16 to code page 932: the JIS variants map the same on every
// platform, and what the code page cannot hold is refused.
#include "tesmora/document/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace tesmora {
namespace {

TEST(CodePageTest, Utf8ToCp932) {
    struct Case {
        const char* utf8;
        const char* cp932;  // nullptr: refused
    } cases[] = {
        {"", ""},
        {"abc,1", "abc,1"},
        {"島田,ｼﾏﾀﾞ髙", "\x93\x87\x93\x63,\xBC\xCF\xC0\xDE\xFB\xFC"},
        {"¥", "\x5C"},
        {"〜～", "\x81\x60\x81\x60"},
        {"—", "\x81\x5C"},
        {"¢£¬‖−", "\x81\x91\x81\x92\x81\xCA\x81\x61\x81\x7C"},
        {"a¥b",
         "a\x5C"
         "b"},
        {"é", nullptr},
        {"😀", nullptr},
        {"\xE3\x81", nullptr},      // cut short
        {"\xC0\xAF", nullptr},      // overlong
        {"\xED\xA0\x80", nullptr},  // a surrogate
    };
    for (const Case& c : cases) {
        const auto got = Utf8ToCp932(c.utf8);
        ASSERT_EQ(got.has_value(), c.cp932 != nullptr) << c.utf8;
        if (c.cp932) {
            EXPECT_EQ(*got, c.cp932) << c.utf8;
        }
    }
}

TEST(CodePageTest, VariantsAgreeWithTheirTargets) {
    // Every variant's bytes decode to a character that encodes back to them.
    for (char16_t c : {u'\u00A2', u'\u00A3', u'\u00A5', u'\u00AC', u'\u2014', u'\u2016', u'\u2212',
                       u'\u301C', u'\uFF5E'}) {
        const std::string_view bytes = JisVariant(c);
        ASSERT_FALSE(bytes.empty());
        const std::u16string decoded = Cp932ToUtf16(bytes);
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(Utf16ToCp932(decoded).value(), bytes);
    }
    EXPECT_TRUE(JisVariant(u'A').empty());
}

}  // namespace
}  // namespace tesmora
