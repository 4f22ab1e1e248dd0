#include "platform/HtmlContent.h"
#include "platform/RichEdit.h"
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"
#include "support/RichTextTestApp.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextList>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

class RichEditTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { EnsureRichTextTestApp(); }
};

// One entry per run of text: its characters and attributes, and per paragraph its format.
QStringList Describe(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        QTextBlockFormat f = b.blockFormat();
        out << QStringLiteral("P align=%1 li=%2 ri=%3 fi=%4")
                   .arg(int(f.alignment() & Qt::AlignHorizontal_Mask))
                   .arg(qRound(f.leftMargin() * 15))
                   .arg(qRound(f.rightMargin() * 15))
                   .arg(qRound(f.textIndent() * 15));
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            RtfCharAttributes a = EffectiveCharAttributes(it.fragment().charFormat(), doc.defaultFont());
            out << QStringLiteral("[%1] %2 %3 b%4 i%5 u%6 s%7 %8")
                       .arg(it.fragment().text(), a.name)
                       .arg(a.points)
                       .arg(a.bold)
                       .arg(a.italic)
                       .arg(a.underline)
                       .arg(a.strikeOut)
                       .arg(a.colour.isValid() ? a.colour.name() : QStringLiteral("auto"));
        }
    }
    return out;
}

void Insert(RichEdit &edit, const QString &text, const TTextAttributes &a)
{
    QTextCursor c = edit.textCursor();
    c.movePosition(QTextCursor::End);
    edit.setTextCursor(c);
    int start = edit.SelStart();
    edit.SetSelText(text);
    edit.SetSelStart(start);
    edit.SetSelLength(static_cast<int>(text.size()));
    edit.SetSelAttributes(a);
    edit.SetSelStart(edit.TextLength());
}

TTextAttributes Attr(const QString &name, double size, unsigned style = 0, QColor colour = QColor())
{
    TTextAttributes a;
    a.Name = name;
    a.Size = size;
    a.Style = style;
    a.Color = colour;
    return a;
}

void FillSample(RichEdit &edit)
{
    Insert(edit, QStringLiteral("Bold "), Attr("Arial", 10, unsigned(RichStyle::Bold)));
    Insert(edit, QStringLiteral("italic "), Attr("Times New Roman", 12, unsigned(RichStyle::Italic)));
    Insert(edit, QStringLiteral("under"), Attr("Arial", 14.5, unsigned(RichStyle::Underline), Qt::red));
    Insert(edit, QStringLiteral(" struck\n"),
           Attr("Courier New", 8, unsigned(RichStyle::StrikeOut), QColor(0, 128, 255)));
    Insert(edit, QStringLiteral("caf\u00e9 \u20ac {braces} back\\slash\ttab \u4e2d\u6587 ends in a space \n"),
           Attr("Arial", 10));
    Insert(edit, QString(3000, QLatin1Char('x')).replace(7, 1, QLatin1Char(' ')) + QStringLiteral("\n"),
           Attr("Arial", 11));
    Insert(edit, QStringLiteral("   leading blanks and an emoji \U0001F600"), Attr("Arial", 10));
    edit.SetSelStart(0);
    TParaAttributes centred;
    centred.Alignment = Qt::AlignHCenter;
    centred.LeftIndent = 36;
    centred.RightIndent = 18;
    centred.FirstIndent = -9;
    edit.SetParagraph(centred);
    edit.SetSelStart(edit.TextLength());
    TParaAttributes right;
    right.Alignment = Qt::AlignRight;
    edit.SetParagraph(right);
}

} // namespace

TEST_F(RichEditTest, RoundTripKeepsTextAndFormatting)
{
    RichEdit a;
    FillSample(a);
    QByteArray rtf = a.StreamOut();
    RichEdit b;
    b.StreamIn(rtf);
    EXPECT_EQ(Describe(*a.document()), Describe(*b.document()));
    EXPECT_EQ(a.Text(), b.Text());
    EXPECT_EQ(rtf, b.StreamOut());
}

TEST_F(RichEditTest, WrittenLinesSurviveATrimmingStore)
{
    RichEdit a;
    FillSample(a);
    QByteArray rtf = a.StreamOut();
    for (char c : rtf)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80);
    QList<QByteArray> lines = rtf.split('\n');
    QList<QByteArray> stored;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        EXPECT_LT(line.size(), 300);
        if (!line.isEmpty()) {
            EXPECT_NE(line.front(), ' ') << line.constData();
            EXPECT_NE(line.back(), ' ') << line.constData();
        }
        stored << line.trimmed();
    }
    RichEdit b;
    b.StreamIn(stored.join("\r\n"));
    EXPECT_EQ(Describe(*a.document()), Describe(*b.document()));
}

TEST_F(RichEditTest, ReadsWhatTheWindowsControlWrites)
{
    QByteArray rtf("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
                   "{\\f1\\fswiss\\fprq2\\fcharset0 Tahoma;}{\\f2\\fnil\\fcharset134 SimSun;}}\r\n"
                   "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
                   "{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1\\pard\\lang1033\\f0\\fs20 John "
                   "\\b Smith\\b0\\par\r\n\\pard\\qc\\cf1\\f1\\fs24 Caf\\'e9 \\'80\\cf0\\par\r\n"
                   "\\pard\\li720\\f2\\'d6\\'d0\\u25991?\\f0\\par\r\n}\r\n");
    rtf.append('\0');
    RichEdit e;
    e.StreamIn(rtf);
    EXPECT_EQ(e.Lines(), (QStringList{"John Smith", "Caf\u00e9 \u20ac", "\u4e2d\u6587"}));
    e.SetSelStart(5);
    e.SetSelLength(5);
    TTextAttributes a = e.SelAttributes();
    EXPECT_TRUE(a.HasStyle(RichStyle::Bold));
    EXPECT_EQ(a.Name, "Arial");
    EXPECT_EQ(a.Size, 10);
    e.SetSelStart(11);
    e.SetSelLength(4);
    a = e.SelAttributes();
    EXPECT_EQ(a.Color, QColor(Qt::red));
    EXPECT_EQ(a.Name, "Tahoma");
    EXPECT_EQ(e.Paragraph().Alignment, Qt::AlignHCenter);
    e.SetSelStart(18);
    EXPECT_DOUBLE_EQ(e.Paragraph().LeftIndent, 36);
}

TEST_F(RichEditTest, ReadsEscapesAndSkipsDestinations)
{
    QTextDocument doc;
    ReadRtf("{\\rtf1{\\fonttbl\\f0\\fswiss Arial;\\f1 Courier;}{\\*\\unknown junk}{\\info{\\title t}}"
            "\\uc2 a\\u8364\\'80\\'80b\\uc0\\u-10179\\u-8704 c\\tab\\line\\~\\{\\}\\\\"
            "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}\\bin3 xyz}",
            &doc);
    EXPECT_EQ(doc.toRawText(), QStringLiteral("a\u20acb\U0001F600c\t\u2028\u00a0{}\\link"));
}

TEST_F(RichEditTest, ReadsWhatOtherProgramsWrite)
{
    const auto read = [](const QByteArray &rtf) {
        QTextDocument doc;
        ReadRtf(rtf, &doc);
        return doc.toRawText();
    };
    // A font's own character set wins over the document's code page; symbol fonts keep their signs.
    EXPECT_EQ(read("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset2 Symbol;}"
                   "{\\f2\\fcharset2 Wingdings;}}\\f0 J\\'e4rvi \\'93x\\'94{\\f1 a\\'b7}{\\f2 J\\'e4}}"),
              QStringLiteral("J\u00e4rvi \u201cx\u201d\u03b1\u2022J\u00e4"));
    // Mac documents and Mac fonts.
    EXPECT_EQ(read("{\\rtf1\\mac{\\fonttbl{\\f0 Geneva;}}\\f0 \\'8a}"), QStringLiteral("\u00e4"));
    EXPECT_EQ(read("{\\rtf1\\ansi\\ansicpg10001 \\'82\\'a0}"), QStringLiteral("\u3042"));
    EXPECT_EQ(read("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset77 Geneva;}}\\f1 \\'8e}"),
              QStringLiteral("\u00e9"));
    // List text as the rich edit control writes it, and a footnote mark where it stood.
    EXPECT_EQ(read("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}{\\pntext\\f1\\'b7\\tab}"
                   "{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}Item\\par{\\pntext\\f0 1.\\tab}Two"
                   "{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} note}.}"),
              QStringLiteral("\u2022\tItem\u20291.\tTwo1."));
    // Deep nesting, as mail programs write it.
    EXPECT_EQ(read("{\\rtf1 " + QByteArray(5000, '{') + "x" + QByteArray(5000, '}') + "}"), "x");
    // A lone surrogate is a replacement character where it stands.
    EXPECT_EQ(read("{\\rtf1 a\\u-10179?b\\u-8704?c\\u-10179?\\u-10179?\\u-8704?}"),
              QStringLiteral("a\ufffdb\ufffdc\ufffd\U0001F600"));
}

TEST_F(RichEditTest, ReadsWhatOtherProgramsWriteRoundTwo)
{
    const auto read = [](const QByteArray &rtf) {
        QTextDocument doc;
        ReadRtf(rtf, &doc);
        return doc.toRawText();
    };
    // Endnotes count on their own, in their own format; a mark without a note is a footnote's.
    const QByteArray foot = "{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} f}";
    const QByteArray end = "{\\super\\chftn}{\\footnote\\ftnalt\\pard{\\super\\chftn} e}";
    EXPECT_EQ(read("{\\rtf1\\ftnnalc\\aftnnrlc a" + foot + " b" + end + " c" + end + " d" + foot + " e" + end
                   + " f" + end + "}"),
              "aa bi cii db eiii fiv");
    EXPECT_EQ(read("{\\rtf1\\aftnnauc\\aftnstart3 a" + end + "b" + foot + "c\\chftn}"), "aCb1c2");
    EXPECT_EQ(read("{\\rtf1\\fet1\\aftnnruc\\ftnnchi a" + foot + "}"), "aI");
    EXPECT_EQ(read("{\\rtf1\\ftnnchi " + foot + foot + foot + foot + foot + "}"), "*\u2020\u2021\u00a7**");
    // A \upr group shows its Unicode alternative.
    EXPECT_EQ(read("{\\rtf1 a{\\upr{\\f0 ansi}{\\*\\ud{\\f0 \\u8364?uni}}} b}"), "a\u20acuni b");
    // The Symbol font's private-use characters are its signs; other fonts keep them,
    // as it does those it has no sign for.
    EXPECT_EQ(read("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}{\\f1\\u-3913?\\u61537?\\u-3865?}"
                   "{\\f0\\u-3913?}}"),
              "\u2022\u03b1\uf0e7\uf0b7");
    // Font sizes of stylesheet styles, also through the style a style is based on.
    QTextDocument doc;
    ReadRtf("{\\rtf1{\\stylesheet{\\fs24 Normal;}{\\s1\\fs40 Big;}{\\s2\\sbasedon1 Based;}"
            "{\\*\\cs3\\fs16 Small;}{\\*\\ts4\\fs8 Table;}}"
            "\\pard\\s1 a\\par\\pard\\s2 b{\\cs3 c}\\par\\pard\\plain\\s4 d\\par\\pard\\s1\\fs30 e\\par}",
            &doc);
    EXPECT_EQ(doc.toPlainText(), "a\nbc\nd\ne");
    const auto points = [&](int at) {
        QTextCursor cursor(&doc);
        cursor.setPosition(at + 1);
        return cursor.charFormat().fontPointSize();
    };
    EXPECT_EQ(points(0), 20);
    EXPECT_EQ(points(2), 20);
    EXPECT_EQ(points(3), 8);
    EXPECT_EQ(points(5), 12);
    EXPECT_EQ(points(7), 15);
}

TEST_F(RichEditTest, HostileInputGivesTextOrAnError)
{
    QTextDocument doc;
    ReadRtf("{\\rtf1 unbalanced {\\b text", &doc);
    EXPECT_EQ(doc.toPlainText(), "unbalanced text");
    ReadRtf("{\\rtf1 a}}}} trailing", &doc);
    EXPECT_EQ(doc.toPlainText(), "a");
    ReadRtf("{\\rtf1 \\u99999999 \\u-99999999 \\fs999999999 \\li-2147483648 x\\bin99999999999}", &doc);
    EXPECT_EQ(doc.toPlainText().right(1), "x");

    doc.setPlainText("kept");
    QByteArray deep("{\\rtf1 ");
    deep.append(QByteArray(100000, '{'));
    deep.append("x");
    EXPECT_THROW(ReadRtf(deep, &doc), ERtfError);
    EXPECT_EQ(doc.toPlainText(), "kept");
    EXPECT_THROW(ReadRtf("plain text", &doc), ERtfError);
    ReadRtf("{\\rtf", &doc);
    EXPECT_TRUE(doc.isEmpty());

    // Only rich text whose outermost group closes is whole; \bin data may hold braces and NUL.
    EXPECT_TRUE(IsWholeRtf(QByteArray("{\\rtf1 a\\{ {\\b b}\\bin3 }\0{}\0", 28)));
    EXPECT_TRUE(IsWholeRtf("{\\rtf1 \\bin-3 }"));
    EXPECT_FALSE(IsWholeRtf("{\\rtf"));
    EXPECT_FALSE(IsWholeRtf("{\\rtf1 unbalanced {\\b text}"));
    EXPECT_FALSE(IsWholeRtf("{\\rtf1 a\\}"));
    EXPECT_FALSE(IsWholeRtf(QByteArray("{\\rtf1 a\0}", 10)));
    EXPECT_FALSE(IsWholeRtf("{\\rtf1 \\bin99 }"));
}

TEST_F(RichEditTest, PlainTextStreamsAsText)
{
    RichEdit e;
    e.StreamIn("line 1\r\nline \xe9\r\n");
    EXPECT_EQ(e.Lines(), (QStringList{"line 1", "line \u00e9"}));
    e.StreamIn("utf \xc3\xa9\n2");
    EXPECT_EQ(e.Text(), "utf \u00e9\r\n2");
    EXPECT_EQ(e.LineCount(), 2);
    e.StreamIn(QByteArray("a\0b\r", 5));
    EXPECT_EQ(e.Text(), "ab\r\n");
    e.StreamIn("");
    EXPECT_EQ(e.LineCount(), 0);
}

TEST_F(RichEditTest, ALoadIsOneChangeAndNothingToUndo)
{
    // Every piece of text used to reach the window as a change of its own.
    RichEdit e;
    QByteArray rtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 ");
    for (int i = 0; i < 300; ++i)
        rtf += "\\b Name " + QByteArray::number(i) + "\\b0  Street\\par\\qc\\i Town\\i0\\par\\pard ";
    int changes = 0;
    QObject::connect(&e, &QTextEdit::textChanged, [&] { ++changes; });
    e.StreamIn(rtf + "}");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(e.LineCount(), 600);
    EXPECT_EQ(e.Lines().at(599), "Town");
    EXPECT_FALSE(e.CanUndo());

    e.StreamIn("a\r\nb\rc\nd\r\r\ne");
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(e.CanUndo());
    EXPECT_EQ(e.Lines(), (QStringList{"a", "b", "c", "d", "", "e"}));
    {
        const RichEditUpdate update(e);
        e.StreamIn("x\ty");
        e.SelectAllText();
        e.SetParagraph(TParaAttributes());
    }
    EXPECT_EQ(changes, 3);
}

TEST_F(RichEditTest, LinesSelectionAndFind)
{
    RichEdit e;
    e.SetText("Alpha\r\nBeta beta\r\n");
    EXPECT_EQ(e.Lines(), (QStringList{"Alpha", "Beta beta"}));
    EXPECT_EQ(RichEdit::LineBreakWidth(), 1);
    EXPECT_EQ(e.FindText("beta", 0, -1, 0), 6);
    EXPECT_EQ(e.FindText("beta", 0, -1, RichEdit::stMatchCase), 11);
    EXPECT_EQ(e.FindText("bet", 0, -1, RichEdit::stWholeWord), -1);
    EXPECT_EQ(e.FindText("beta", 7, 3, 0), -1);
    e.SetSelStart(6);
    e.SetSelLength(4);
    EXPECT_EQ(e.SelText(), "Beta");
    e.SetSelText("B\r\nC");
    EXPECT_EQ(e.Lines(), (QStringList{"Alpha", "B", "C beta"}));
    e.AddLine("D");
    e.DeleteLine(0);
    EXPECT_EQ(e.Lines(), (QStringList{"B", "C beta", "D"}));
    e.SetModified(false);
    EXPECT_FALSE(e.Modified());
    EXPECT_TRUE(e.CanUndo());
    e.SetSelStart(0);
    e.SetSelText("x");
    EXPECT_TRUE(e.Modified());
    e.Undo();
    EXPECT_EQ(e.Lines().front(), "B");
}

TEST_F(RichEditTest, AddedLinesKeepTheBlankOnes)
{
    // A blank line followed by more text went into the next line: two addresses became one.
    RichEdit e;
    e.AddLine("Ann");
    e.AddLine("");
    e.AddLine("Bob");
    EXPECT_EQ(e.Lines(), (QStringList{"Ann", "", "Bob"}));
    e.SetText("Ann\r\n");
    e.AddLines({"", "Bob", "", ""});
    e.AddLine("Cy\n");
    e.AddLine("Dee");
    EXPECT_EQ(e.Lines(), (QStringList{"Ann", "", "Bob", "", "", "Cy", "", "Dee"}));
    RichEdit empty;
    empty.AddLines({"", "Ann"});
    EXPECT_EQ(empty.Lines(), (QStringList{"", "Ann"}));
}

TEST_F(RichEditTest, KnowsWhetherItHoldsALetterAfterEveryChange)
{
    RichEdit e;
    EXPECT_FALSE(e.HasLetter());
    e.SetText("12 34\r\n-5");
    EXPECT_FALSE(e.HasLetter());
    e.SetSelStart(7);
    e.SetSelText(QString::fromUtf8("\xC3\xA9")); // a letter on the second line
    EXPECT_TRUE(e.HasLetter());
    e.SetSelStart(0);
    e.SetSelText("x"); // a letter before it, then both go
    QTextCursor c(e.document());
    c.setPosition(9);
    c.deletePreviousChar();
    EXPECT_TRUE(e.HasLetter());
    c.setPosition(1);
    c.deletePreviousChar();
    EXPECT_FALSE(e.HasLetter());
    e.SetText(QString::fromUtf8("9 \xF0\x90\x90\x80")); // outside the basic plane
    EXPECT_TRUE(e.HasLetter());
    e.Clear();
    EXPECT_FALSE(e.HasLetter());
    e.SetText("Ann");
    e.SelectAllText();
    e.SetSelStyle(RichStyle::Bold, true);
    EXPECT_TRUE(e.HasLetter());
}

TEST_F(RichEditTest, ALoadInStepsCanStopAndLeaveTheTextAsItWas)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("long.txt");
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 17000; ++i) // two steps
        file.write("Jan Kowalski " + QByteArray::number(i) + "\r\n00-950 Warszawa\r\n");
    file.close();
    RichEdit e;
    e.SetDefAttributes(TTextAttributes{QStringLiteral("Serif"), 14, QColor(), 0, 0});
    e.SetText("Old");
    int steps = 0;
    EXPECT_FALSE(e.LoadFromFile(name, [&](qint64, qint64) { return ++steps < 2; }));
    EXPECT_EQ(e.Lines(), QStringList{"Old"});
    EXPECT_TRUE(e.HasLetter());

    steps = 0;
    qint64 last = -1;
    EXPECT_TRUE(e.LoadFromFile(name, [&](qint64 done, qint64 total) {
        ++steps;
        last = done == total ? done : -1;
        return true;
    }));
    EXPECT_GT(steps, 2);
    EXPECT_GT(last, 0);
    EXPECT_EQ(e.LineCount(), 34000);
    EXPECT_EQ(e.Lines().at(33999), "00-950 Warszawa");
    EXPECT_EQ(e.DefAttributes().Size, 14);
    EXPECT_FALSE(e.CanUndo());
    EXPECT_TRUE(e.HasLetter());
    e.SetText("1");
    EXPECT_FALSE(e.HasLetter()); // it follows the new text
    e.SetSelText("2");
    EXPECT_TRUE(e.CanUndo());
}

TEST_F(RichEditTest, SelectionAttributesReportConsistency)
{
    RichEdit e;
    Insert(e, "ab", Attr("Arial", 10, unsigned(RichStyle::Bold)));
    Insert(e, "cd", Attr("Arial", 12, unsigned(RichStyle::Bold) | unsigned(RichStyle::Italic), Qt::blue));
    e.SelectAllText();
    TTextAttributes a = e.SelAttributes();
    EXPECT_TRUE(a.IsConsistent(RichConsistent::Bold));
    EXPECT_TRUE(a.IsConsistent(RichConsistent::Face));
    EXPECT_FALSE(a.IsConsistent(RichConsistent::Italic));
    EXPECT_FALSE(a.IsConsistent(RichConsistent::Size));
    EXPECT_FALSE(a.IsConsistent(RichConsistent::Color));
    e.SetSelColor(QColor());
    e.SetSelStyle(RichStyle::Italic, true);
    a = e.SelAttributes();
    EXPECT_TRUE(a.IsConsistent(RichConsistent::Color));
    EXPECT_FALSE(a.Color.isValid());
    EXPECT_TRUE(a.HasStyle(RichStyle::Italic) && a.IsConsistent(RichConsistent::Italic));
}

TEST_F(RichEditTest, FormatRangeKeepsOnlyWholeLinesThatFit)
{
    RichEdit e;
    TTextAttributes a = Attr("DejaVu Sans", 12);
    e.SetDefAttributes(a);
    e.SetText("one\r\ntwo\r\nthree\r\nfour");
    QImage image(1200, 1200, QImage::Format_RGB32);
    image.setDotsPerMeterX(11811); // 300 per inch
    image.setDotsPerMeterY(11811);
    image.fill(Qt::white);
    QPainter painter(&image);
    TFormatRange range;
    range.Canvas = &painter;
    range.Rect = {0, 0, 2880, 720};             // 2 x 0.5 inches: two lines of 12 points
    EXPECT_EQ(e.FormatRange(&range, false), 8); // "three" does not fit
    EXPECT_TRUE(e.DisplayBand(range.Rect));
    range.Rect.Bottom = 100000;
    EXPECT_EQ(e.FormatRange(&range, false), e.TextLength());
    range.First = 4;
    range.Last = 8; // "two" and its line break
    range.Rect = {1440, 1440, 2880, 1440 + 300};
    EXPECT_EQ(e.FormatRange(&range, true), 8);
    e.FormatRange(nullptr, false);
    EXPECT_FALSE(e.DisplayBand(range.Rect));
    painter.end();

    // Ink only where the lines were drawn: above 150 pixels, and from 300 down to 375.
    auto inkInRows = [&](int from, int to) {
        for (int y = from; y < to; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    EXPECT_TRUE(inkInRows(0, 150));
    EXPECT_FALSE(inkInRows(150, 300));
    EXPECT_TRUE(inkInRows(300, 375));
    EXPECT_FALSE(inkInRows(376, 1200));
}

TEST_F(RichEditTest, DefaultAttributesFollowTheFontAndApplyToNewText)
{
    RichEdit e;
    QFont arial("DejaVu Serif");
    arial.setPixelSize(16);
    e.setFont(arial);
    EXPECT_EQ(e.DefAttributes().Name, "DejaVu Serif");
    EXPECT_DOUBLE_EQ(e.DefAttributes().Size, 12); // 16 pixels at 96 per inch
    e.SetDefAttributes(Attr("DejaVu Sans", 14, unsigned(RichStyle::Italic), Qt::darkRed));
    e.SetText("typed");
    e.SelectAllText();
    TTextAttributes a = e.SelAttributes();
    EXPECT_EQ(a.Name, "DejaVu Sans");
    EXPECT_EQ(a.Size, 14);
    EXPECT_TRUE(a.HasStyle(RichStyle::Italic));
    EXPECT_EQ(a.Color, QColor(Qt::darkRed));
    e.Clear();
    EXPECT_EQ(e.SelAttributes().Color, QColor(Qt::darkRed));
}

TEST_F(RichEditTest, FormatRangePrintsPixelSizedFontsAtTheirPointSize)
{
    RichEdit e;
    QFont font("DejaVu Sans");
    font.setPixelSize(16); // 12 points on the screen
    e.setFont(font);
    e.SetText("one\r\ntwo\r\nthree");
    QImage image(600, 600, QImage::Format_RGB32);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    QPainter painter(&image);
    TFormatRange range;
    range.Canvas = &painter;
    range.Rect = {0, 0, 2880, 720};
    EXPECT_EQ(e.FormatRange(&range, false), 8);
}

TEST_F(RichEditTest, PastedHtmlReadsNothingItNamesAndCostsWhatItIsLong)
{
    QTemporaryDir dir;
    const QString png = dir.filePath("red.png");
    QImage red(7, 5, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(png));
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QClipboard *clipboard = QGuiApplication::clipboard();
    const auto paste = [&](const QString &html, const QImage &picture = QImage()) {
        auto *data = new QMimeData;
        data->setHtml(html);
        if (!picture.isNull())
            data->setImageData(picture);
        clipboard->setMimeData(data);
        auto edit = std::make_unique<RichEdit>();
        edit->resize(300, 200);
        edit->show();
        edit->Paste();
        // Shown and printed: both lay the pictures out.
        edit->grab();
        QImage page(600, 600, QImage::Format_RGB32);
        QPainter painter(&page);
        TFormatRange range;
        range.Canvas = &painter;
        range.Rect = {0, 0, 5760, 5760};
        edit->FormatRange(&range, true);
        return edit;
    };

    // A picture comes only with the clipboard's own data; what the HTML names is left out.
    for (const QString &src : {png, "file://" + png, fifo, QStringLiteral("/dev/zero")}) {
        const auto edit = paste("<p>A<img src=\"" + src + "\" width=99999>B</p>");
        EXPECT_EQ(edit->document()->toRawText(), "AB") << src.toStdString();
    }
    const auto shown = paste("<img src=\"" + fifo + "\"><img src=\"" + png + "\">x", red);
    const QString raw = shown->document()->toRawText();
    EXPECT_EQ(raw, QStringLiteral("\ufffcx"));
    const QTextImageFormat image = shown->document()->begin().begin().fragment().charFormat().toImageFormat();
    EXPECT_EQ(
        qvariant_cast<QImage>(shown->document()->resource(QTextDocument::ImageResource, image.name())).size(),
        red.size());

    // A table is what the rich-text reader makes of one: cells ended by tabs, rows paragraphs,
    // no frame; a list is its items.
    const auto table =
        paste("Contact us:<table border=1>\n <tr>\n  <td> Name </td><th>Street<br>Floor\n   <b>2</b> "
              "</th></tr>\n <tr><td><p>City</p><p>Zip</p><td></table><ul><li>one<li>two "
              "<ol><li>three</ol></ul>after");
    QTextDocument rtf;
    ReadRtf("{\\rtf1 Contact us:\\par\\trowd\\cellx1000\\cellx2000 Name\\cell Street\\line Floor {\\b "
            "2}\\cell\\row "
            "City\\line Zip\\cell\\cell\\row one\\par two\\par three\\par after}",
            &rtf);
    EXPECT_EQ(table->document()->toRawText(), rtf.toRawText());
    EXPECT_EQ(table->Lines(), QStringList({"Contact us:", "Name\tStreet", "Floor 2\t", "City", "Zip\t\t",
                                           "one", "two", "three", "after"}));

    // Long HTML is refused before it is read; a long list and deep nesting cost their length.
    const auto kept = paste("kept");
    clipboard->setText(QString());
    auto *longHtml = new QMimeData;
    longHtml->setHtml("<p>" + QString(kMaxHtmlLength, QLatin1Char('x')));
    clipboard->setMimeData(longHtml);
    EXPECT_THROW(kept->Paste(), Exception);
    EXPECT_EQ(kept->Text(), "kept");
    QString list = "<ul>";
    for (int i = 0; i < 50000; ++i)
        list += QStringLiteral("<li>Item %1</li>").arg(i);
    const auto items = paste(list + "</ul>");
    EXPECT_EQ(items->LineCount(), 50000);
    for (QTextBlock b = items->document()->begin(); b.isValid(); b = b.next())
        ASSERT_EQ(b.textList(), nullptr);
    const auto nested = paste(QString(100000, u'<').replace(u'<', "<b><div><table><tr><td>") + "x");
    EXPECT_TRUE(nested->Text().contains(u'x'));
}
