#include "foundation/QmCanvas.h"
#include "foundation/QmRichEdit.h"
#include "foundation/QmShortcut.h"
#include "platform/Graphics.h"
#include "support/RichTextTestApp.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

#include <gtest/gtest.h>

namespace {

class QmRichEditTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { EnsureRichTextTestApp(); }
};

void Format(RichEdit &e, int start, int length, const TTextAttributes &a)
{
    e.SetSelStart(start);
    e.SetSelLength(length);
    e.SetSelAttributes(a);
}

TTextAttributes Attr(const QString &name, double size, unsigned style, QColor colour = QColor())
{
    TTextAttributes a;
    a.Name = name;
    a.Size = size;
    a.Style = style;
    a.Color = colour;
    return a;
}

QString Fingerprint(const RichEdit &e)
{
    QString out;
    for (QTextBlock b = e.document()->begin(); b.isValid(); b = b.next()) {
        out += QStringLiteral("|P%1,%2,%3,%4")
                   .arg(int(b.blockFormat().alignment()))
                   .arg(b.blockFormat().leftMargin())
                   .arg(b.blockFormat().rightMargin())
                   .arg(b.blockFormat().textIndent());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextCharFormat f = it.fragment().charFormat();
            out += QStringLiteral("|%1:%2,%3,%4,%5,%6,%7,%8")
                       .arg(it.fragment().text(), f.fontFamilies().toStringList().value(0))
                       .arg(f.fontPointSize())
                       .arg(f.fontWeight())
                       .arg(f.fontItalic())
                       .arg(f.fontUnderline())
                       .arg(f.fontStrikeOut())
                       .arg(f.foreground().style() == Qt::NoBrush ? QString("auto")
                                                                  : f.foreground().color().name());
        }
    }
    return out;
}

} // namespace

TEST_F(QmRichEditTest, EmptyListGivesAnEmptyUnmodifiedEdit)
{
    RichEdit e;
    e.SetText("old");
    StringsToRichEdit(e, QStringList());
    EXPECT_EQ(e.TextLength(), 0);
    EXPECT_FALSE(e.Modified());
}

TEST_F(QmRichEditTest, LinesRoundTripThroughATrimmingStore)
{
    RichEdit a;
    a.SetText(QStringLiteral("Jane Doe \r\nRue de l'\u00c9glise 5\r\n\u4e1c\u4eac\u90fd\r\n")
              + QString(3000, 'w') + QStringLiteral("\r\nend"));
    Format(a, 0, 4, Attr("Arial", 14, unsigned(RichStyle::Bold), Qt::darkGreen));
    Format(a, 5, 3, Attr("Times New Roman", 9, unsigned(RichStyle::Italic) | unsigned(RichStyle::Underline)));
    Format(a, 10, 3, Attr("Courier New", 10, unsigned(RichStyle::StrikeOut)));
    a.SetSelStart(12);
    TParaAttributes p;
    p.Alignment = Qt::AlignRight;
    p.LeftIndent = 18;
    p.FirstIndent = 9;
    p.RightIndent = 4.5;
    a.SetParagraph(p);

    QStringList lines;
    RichEditToStrings(lines, a);
    for (QString &line : lines) {
        EXPECT_LT(line.size(), 300);
        EXPECT_EQ(line, line.trimmed());
        line = line.trimmed();
    }
    RichEdit b;
    b.SetModified(true);
    StringsToRichEdit(b, lines);
    EXPECT_FALSE(b.Modified());
    EXPECT_EQ(Fingerprint(a), Fingerprint(b));
    EXPECT_EQ(b.Lines().front(), "Jane Doe ");
}

TEST_F(QmRichEditTest, ReadsLinesStoredOnWindows)
{
    QStringList stored{
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}",
        "\\viewkind4\\uc1\\pard\\f0\\fs20 Morvane Software\\par", "12 M\\'fchlenweg\\par", "}",
        QString(QChar(0))};
    RichEdit e;
    StringsToRichEdit(e, stored);
    EXPECT_EQ(e.Lines(), (QStringList{"Morvane Software", QStringLiteral("12 M\u00fchlenweg")}));

    // Plain lines and rich text too deep to read both come through as text.
    StringsToRichEdit(e, {"just", "text"});
    EXPECT_EQ(e.Lines(), (QStringList{"just", "text"}));
    QString deep = "{\\rtf1 " + QString(100001, '{') + "x";
    StringsToRichEdit(e, {deep});
    EXPECT_EQ(e.Lines(), QStringList{deep});
}

TEST_F(QmRichEditTest, TabsBecomeLineBreaksAndTheCaretStays)
{
    RichEdit e;
    e.SetText("a\tb\tc\td");
    e.SetSelStart(5);
    e.SetSelLength(1);
    ReplaceTabsByLineBreaks(e);
    EXPECT_EQ(e.Lines(), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(e.SelStart(), 5);
    EXPECT_EQ(e.SelLength(), 1);
    e.SetText("\t\tx\t");
    ReplaceTabsByLineBreaks(e);
    EXPECT_EQ(e.Text(), "\r\n\r\nx\r\n");
}

TEST_F(QmRichEditTest, ParagraphFormattingIsCleared)
{
    RichEdit e;
    e.SetText("one\r\ntwo");
    e.SelectAllText();
    TParaAttributes p;
    p.Alignment = Qt::AlignHCenter;
    p.LeftIndent = 20;
    p.FirstIndent = -10;
    e.SetParagraph(p);
    QTextCursor(e.document()).createList(QTextListFormat::ListDisc);
    e.SetSelStart(1);
    e.SetSelLength(2);
    ClearParagraphFormatting(e);
    EXPECT_EQ(e.document()->firstBlock().textList(), nullptr);
    EXPECT_EQ(e.document()->firstBlock().blockFormat().indent(), 0);
    EXPECT_EQ(e.SelStart(), 1);
    EXPECT_EQ(e.SelLength(), 2);
    for (int pos : {0, 5}) {
        e.SetSelStart(pos);
        TParaAttributes q = e.Paragraph();
        EXPECT_EQ(q.Alignment, Qt::AlignLeft);
        EXPECT_EQ(q.LeftIndent, 0);
        EXPECT_EQ(q.FirstIndent, 0);
    }
}

TEST_F(QmRichEditTest, StyleButtonFollowsTheSelection)
{
    RichEdit e;
    e.SetText("bold plain");
    Format(e, 0, 4, Attr("Arial", 10, unsigned(RichStyle::Bold)));
    QAction button(nullptr);
    button.setEnabled(false);
    e.SetSelStart(0);
    e.SetSelLength(4);
    UpdateStyleButton(button, e, RichStyle::Bold, RichConsistent::Bold);
    EXPECT_TRUE(button.isEnabled());
    EXPECT_TRUE(button.isChecked());
    EXPECT_FALSE(button.property("indeterminate").toBool());
    e.SetSelLength(7);
    UpdateStyleButton(button, e, RichStyle::Bold, RichConsistent::Bold);
    EXPECT_FALSE(button.isChecked());
    EXPECT_TRUE(button.property("indeterminate").toBool());
    e.SetSelStart(6);
    e.SetSelLength(3);
    TStyleButtonState s = StyleButtonState(e, RichStyle::Bold, RichConsistent::Bold);
    EXPECT_FALSE(s.Down);
    EXPECT_FALSE(s.Indeterminate);
}

TEST_F(QmRichEditTest, CanvasHelpers)
{
    QImage image(100, 100, QImage::Format_RGB32);
    image.setDotsPerMeterX(23622); // 600 per inch
    image.setDotsPerMeterY(11811); // 300 per inch
    image.fill(Qt::white);
    QPainter painter(&image);
    EXPECT_EQ(PixelsPerInchX(painter), 600);
    EXPECT_EQ(PixelsPerInchY(painter), 300);
    painter.setClipRect(QRect(10, 10, 20, 20));
    FillCanvas(painter, Qt::blue);
    painter.setClipping(false);

    TBitmap bitmap(2, 1, TPixelFormat::pf32bit);
    bitmap.ScanLine(0)[0] = 0; // blue, green, red, alpha 0: drawn opaque all the same
    bitmap.ScanLine(0)[1] = 0;
    bitmap.ScanLine(0)[2] = 255;
    bitmap.ScanLine(0)[3] = 0;
    bitmap.ScanLine(0)[4] = 255;
    bitmap.ScanLine(0)[7] = 255;
    DrawBitmapDIB(painter, bitmap, QRect(50, 50, 40, 20));
    painter.end();
    EXPECT_EQ(image.pixel(20, 20), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(35, 35), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(55, 60), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(85, 60), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(91, 60), qRgb(255, 255, 255));
}

TEST_F(QmRichEditTest, Shortcuts)
{
    QTemporaryDir dir;
    QString link = dir.filePath("a.lnk");
    QString target = "/data/" + QString(300, QChar(0x00e9)) + "/letter.env";
    ASSERT_TRUE(CreateShortcut(link, target, QString(), "Letter"));
    QString t, w, d;
    ASSERT_TRUE(ReadShortcut(link, t, w, d));
    EXPECT_EQ(t, target);
    EXPECT_EQ(w, "/data/" + QString(300, QChar(0x00e9)) + "/");
    EXPECT_EQ(d, "Letter");

    ASSERT_TRUE(CreateShortcut(link, QString(), "/w", "no target"));
    EXPECT_FALSE(ReadShortcut(link, t, w, d));
    EXPECT_TRUE(t.isEmpty() && w.isEmpty() && d.isEmpty());

    QFile other(dir.filePath("b.lnk"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("not a shortcut at all, just text that is long enough to be read");
    other.close();
    t = w = d = "x";
    EXPECT_FALSE(ReadShortcut(other.fileName(), t, w, d));
    EXPECT_TRUE(t.isEmpty() && w.isEmpty() && d.isEmpty());
    EXPECT_FALSE(CreateShortcut(dir.filePath("missing/c.lnk"), "/x", "", ""));
}
