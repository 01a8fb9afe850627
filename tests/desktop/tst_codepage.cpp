// Code page 932 to Unicode and back, as the view draws and the dialogs type.
#include <QTest>

#include "tesmora/view/codepage.h"

using tesmora::desktop::Cp932CharAt;
using tesmora::desktop::FromCp932;
using tesmora::desktop::ToCp932;

class CodePageTest : public QObject {
    Q_OBJECT

  private slots:
    void DecodesMicrosoftExtensions() {
        // 髙 (IBM extension), Ⅲ and ㎝ (NEC row 13) are missing from plain Shift-JIS.
        const std::string s = "\xFB\xFC\x87\x56\x87\x70";
        std::size_t n = 0;
        QCOMPARE(Cp932CharAt(s, 0, &n), u'\u9AD9');
        QCOMPARE(n, std::size_t{2});
        QCOMPARE(Cp932CharAt(s, 2, &n), u'\u2162');
        QCOMPARE(Cp932CharAt(s, 4, &n), u'\u339D');
        QCOMPARE(FromCp932(s), QString::fromUtf8("髙Ⅲ㎝"));
    }

    void DecodesWaveDashAsMicrosoftDoes() {
        // 0x8160 is U+FF5E in code page 932 (U+301C in JIS).
        std::size_t n = 0;
        QCOMPARE(Cp932CharAt("\x81\x60", 0, &n), u'\uFF5E');
    }

    void SingleBytes() {
        const std::string s = "A,\xB1\xDF";  // A , ｱ ﾟ
        std::size_t n = 0;
        QCOMPARE(Cp932CharAt(s, 0, &n), u'A');
        QCOMPARE(n, std::size_t{1});
        QCOMPARE(Cp932CharAt(s, 1, &n), u',');
        QCOMPARE(Cp932CharAt(s, 2, &n), u'\uFF71');
        QCOMPARE(Cp932CharAt(s, 3, &n), u'\uFF9F');
        QCOMPARE(n, std::size_t{1});
    }

    void BytesWithoutCharacterStayVisible() {
        std::size_t n = 0;
        // A lead byte at the end of the text is one byte, shown as '?'.
        QCOMPARE(Cp932CharAt("A\x82", 1, &n), u'?');
        QCOMPARE(n, std::size_t{1});
        // An unassigned pair keeps its two columns.
        QCOMPARE(Cp932CharAt("\x85\x40", 0, &n), u'\u30FB');
        QCOMPARE(n, std::size_t{2});
        // A lead byte before a comma never swallows the comma.
        QCOMPARE(Cp932CharAt("\x82,", 0, &n), u'?');
        QCOMPARE(n, std::size_t{1});
        // Control bytes draw nothing.
        QCOMPARE(Cp932CharAt("\t", 0, &n), u' ');
    }

    void EncodesTypedText() {
        QCOMPARE(ToCp932(QString::fromUtf8("島田,ｼﾏﾀﾞ～髙")).value(),
                 std::string("\x93\x87\x93\x63,\xBC\xCF\xC0\xDE\x81\x60\xFB\xFC"));
        QCOMPARE(ToCp932(QString()).value(), std::string());
        QVERIFY(!ToCp932(QString::fromUtf8("😀")).has_value());
        QVERIFY(!ToCp932(QString::fromUtf8("é")).has_value());
    }

    void RoundTripsEveryDoubleByteCharacter() {
        int checked = 0;
        for (int lead = 0x88; lead <= 0x9F; ++lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F) continue;
                const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
                std::size_t n = 0;
                const char16_t c = Cp932CharAt(bytes, 0, &n);
                if (c == u'\u30FB') continue;  // unassigned
                QCOMPARE(ToCp932(QString(QChar(c))).value(), bytes);
                ++checked;
            }
        }
        QVERIFY(checked > 4000);  // the JIS level 2 kanji rows
    }
};

QTEST_APPLESS_MAIN(CodePageTest)
#include "tst_codepage.moc"
