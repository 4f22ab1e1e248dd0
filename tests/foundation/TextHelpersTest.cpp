#include "foundation/Measurements.h"
#include "foundation/Numerics.h"
#include "foundation/QmInternet.h"
#include "foundation/QmStrings.h"
#include "foundation/StampIncludes.h"
#include "platform/UrlOpener.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <limits>

TEST(QmStrings, CharacterClassesAreAscii)
{
    EXPECT_TRUE(IsDigitChar(QLatin1Char('0')));
    EXPECT_TRUE(IsDigitChar(QLatin1Char('9')));
    EXPECT_FALSE(IsDigitChar(QChar(0x0663))); // Arabic-Indic three
    EXPECT_FALSE(IsDigitChar(QChar(0xFF11))); // full-width one
    EXPECT_TRUE(IsLetterChar(QLatin1Char('z')));
    EXPECT_FALSE(IsLetterChar(QChar(0x00E9))); // e acute
    EXPECT_TRUE(HasNoAsciiLetter(QString()));
    EXPECT_TRUE(HasNoAsciiLetter(QStringLiteral("12-34 \u00e9")));
    EXPECT_FALSE(HasNoAsciiLetter(QStringLiteral("12a")));
    EXPECT_TRUE(IsAllDigits(QString()));
    EXPECT_FALSE(IsAllDigits(QStringLiteral("12 3")));
    EXPECT_EQ(DigitValue(QLatin1Char('7')), 7);
    EXPECT_EQ(DigitValue(QLatin1Char('x')), 0);
}

TEST(QmStrings, InvalidFileNameCharacters)
{
    const QString bad = QStringLiteral("\"#$%'*,/:;<>?@[\\]{|}");
    EXPECT_EQ(bad.size(), 20);
    for (QChar c : bad)
        EXPECT_TRUE(IsInvalidFileNameChar(c)) << int(c.unicode());
    for (QChar c : QStringLiteral(". &\t-_()!"))
        EXPECT_FALSE(IsInvalidFileNameChar(c)) << int(c.unicode());
    // Adjacent bad characters all go, including the one that moves into place.
    QString name = QStringLiteral("a::b/?c. d&e");
    RemoveInvalidFileNameChars(name);
    EXPECT_EQ(name, QStringLiteral("abc. d&e"));
}

TEST(QmStrings, Edits)
{
    QString out;
    BoolToYesNo(true, out);
    EXPECT_EQ(out, QStringLiteral("Yes"));
    BoolToYesNo(false, out);
    EXPECT_EQ(out, QStringLiteral("No"));
    TrimRightStr(QStringLiteral("  a b \t\r\n "), out);
    EXPECT_EQ(out, QStringLiteral("  a b"));
    EXPECT_EQ(TrimBlanksAndControls(QStringLiteral("\t x y \r\n")), QStringLiteral("x y"));
    QString path;
    AppendBackslash(path);
    EXPECT_EQ(path, QStringLiteral("/"));
    path = QStringLiteral("/home/a/");
    AppendBackslash(path);
    EXPECT_EQ(path, QStringLiteral("/home/a/"));
    path = QStringLiteral("/home/a");
    AppendBackslash(path);
    EXPECT_EQ(path, QStringLiteral("/home/a/"));
    DoubleAmpersands(QStringLiteral("A & B && C"), out);
    EXPECT_EQ(out, QStringLiteral("A && B &&&& C"));
    EXPECT_EQ(LastCharPos(QLatin1Char('.'), QStringLiteral("a.b.c")), 4);
    EXPECT_EQ(LastCharPos(QLatin1Char('x'), QStringLiteral("a.b.c")), 0);
}

TEST(Numerics, HexAndBounds)
{
    QString hex;
    ByteToHex(0, hex);
    EXPECT_EQ(hex, QStringLiteral("00"));
    ByteToHex(10, hex);
    EXPECT_EQ(hex, QStringLiteral("0A"));
    ByteToHex(16, hex);
    EXPECT_EQ(hex, QStringLiteral("10"));
    ByteToHex(255, hex);
    EXPECT_EQ(hex, QStringLiteral("FF"));
    EXPECT_EQ(PowerOf16(0), 1);
    EXPECT_EQ(PowerOf16(3), 4096);
    EXPECT_EQ(PowerOf16(7), 268435456);
    EXPECT_THROW(PowerOf16(8), ERangeError);
    EXPECT_THROW(PowerOf16(-1), ERangeError);
    EXPECT_EQ(Max(-3, 2), 2);
    EXPECT_EQ(Min(-3, 2), -3);
}

TEST(Measurements, RoundsHalfToEven)
{
    EXPECT_EQ(MulInchToMetric(1), 3);
    EXPECT_EQ(DivMetricToInch(1), 0);
    EXPECT_EQ(MulInchToMetric(25), 64);  // 63.5
    EXPECT_EQ(MulInchToMetric(75), 190); // 190.5
    EXPECT_EQ(MulInchToMetric(950), 2413);
    EXPECT_EQ(DivMetricToInch(2413), 950);
    EXPECT_EQ(MulInchToMetric(-25), -64);
    EXPECT_THROW(MulInchToMetric(std::numeric_limits<int>::max()), ERangeError);
    EXPECT_EQ(DivMetricToInch(std::numeric_limits<int>::max()), 845466003);
}

TEST(Measurements, ReadsTypedLengthsInTheLocalesForm)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale c = QLocale::c();
    const auto read = [](const char *text, const QLocale &locale, bool metric = false) {
        return ReadTypedLength(QString::fromUtf8(text), metric, locale);
    };
    // The locale's separator and the point are both read; nothing is cut silently.
    EXPECT_EQ(read("4,25", german), 425);
    EXPECT_EQ(read("4.25", german), 425);
    EXPECT_EQ(read(" 0,5 ", german), 50);
    EXPECT_EQ(read("4.25", c), 425);
    EXPECT_EQ(read("-,5", german), -50);
    EXPECT_EQ(read("2,54", german, true), 100);
    // Refused: a separator the locale does not have, grouping (the point is a decimal
    // separator too, so "1.234,5" has two), letters, an exponent, nothing.
    for (const char *refused :
         {"4,25", "1.234,5", "1,234.5", "abc", "", " ", "-", ".", "1.5x", "1e3", "4 25"})
        EXPECT_EQ(read(refused, c), std::nullopt) << refused;
    for (const char *refused : {"1.234,5", "1,2,3", "abc", "", "4,25cm", "0x10"})
        EXPECT_EQ(read(refused, german), std::nullopt) << refused;
    // Exact decimal rounding, halves to even; huge lengths are limited to int.
    EXPECT_EQ(read("0.125", c), 12);
    EXPECT_EQ(read("0.375", c), 38);
    EXPECT_EQ(read("2.675", c), 268);
    EXPECT_EQ(read("0.12500001", c), 13);
    EXPECT_EQ(read("99999999999999999999", c), std::numeric_limits<int>::max());
    EXPECT_EQ(read("-99999999999999999999", c), std::numeric_limits<int>::min());
    EXPECT_EQ(read("99999999999999999999", c, true), 845466003);

    // Shown as typed: two decimals in the locale's form, read back unchanged.
    EXPECT_EQ(LengthText(425, false, german), "4,25");
    EXPECT_EQ(LengthText(425, false, c), "4.25");
    EXPECT_EQ(LengthText(-5, false, german), "-0,05");
    EXPECT_EQ(LengthText(123456, false, german), "1234,56");
    EXPECT_EQ(LengthText(200, true, german), "5,08");
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    for (int value : {0, 7, 425, -1234})
        EXPECT_EQ(ReadTypedLength(LengthText(value, false, arabic), false, arabic), value);
}

namespace {

class RecordingOpener : public TUrlOpener
{
public:
    bool Open(const QString &url) override
    {
        opened << url;
        return false;
    }
    QStringList opened;
};

} // namespace

TEST(QmInternet, EscapesSpacesAndOpens)
{
    QString out;
    EscapeUrlSpaces(QStringLiteral("a  b?c=d e"), out);
    EXPECT_EQ(out, QStringLiteral("a%20%20b?c=d%20e"));

    RecordingOpener opener;
    SetUrlOpener(&opener);
    OpenURL(QStringLiteral("https://example.org/zip lookup.asp?city=New York"));
    SetUrlOpener(nullptr);
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(opener.opened.first(), QStringLiteral("https://example.org/zip%20lookup.asp?city=New%20York"));
}

TEST(StampIncludes, VersionAndEditor)
{
    EXPECT_EQ(ProgramVersion.Major, 9);
    EXPECT_EQ(ProgramVersion.Minor, 0);
    EXPECT_EQ(ShortDateFormat, QStringLiteral("MM/dd/yyyy"));
    QString editor;
    GetDefaultPictureEditor(editor);
    EXPECT_FALSE(editor.isEmpty());
}
