#include "platform/LineLayout.h"
#include "platform/RichEdit.h"
#include "support/RichTextTestApp.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

class LineLayoutTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { EnsureRichTextTestApp(); }
};

QStringList Numbered(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("Line %1").arg(i);
    return lines;
}

void Key(QWidget &to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&to, &press);
}

// Every paragraph starts where the one above it ends, and the size holds them all.
void ExpectStacked(const TLineLayout &layout, const QTextDocument &doc)
{
    double y = doc.documentMargin();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QRectF r = layout.blockBoundingRect(b);
        ASSERT_DOUBLE_EQ(r.top(), y) << "paragraph " << b.blockNumber() << " of " << doc.blockCount();
        ASSERT_GT(r.height(), 0);
        y = r.bottom();
    }
    EXPECT_DOUBLE_EQ(layout.documentSize().height(), y + doc.documentMargin());
}

TEST_F(LineLayoutTest, AKeyAtTheTopLaysOutOnlyWhatItChanged)
{
    RichEdit edit;
    edit.resize(300, 200);
    edit.show();
    edit.SetLines(Numbered(20000));
    QApplication::processEvents();
    auto *layout = qobject_cast<TLineLayout *>(edit.document()->documentLayout());
    ASSERT_TRUE(layout);
    const QTextDocument &doc = *edit.document();
    const double line = layout->blockBoundingRect(doc.firstBlock()).height();
    const double height = layout->documentSize().height();
    const qint64 before = layout->LaidOut();

    edit.setFocus();
    Key(edit, Qt::Key_Home, Qt::ControlModifier);
    Key(edit, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    Key(edit, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::processEvents();
    EXPECT_LT(layout->LaidOut() - before, 50);
    EXPECT_DOUBLE_EQ(layout->documentSize().height(), height + line);

    // What moved down is found, and hit, where it is now.
    const QTextBlock moved = doc.findBlockByNumber(2);
    const QRectF r = layout->blockBoundingRect(moved);
    EXPECT_DOUBLE_EQ(r.top(), doc.documentMargin() + 2 * line);
    const int hit = layout->hitTest(QPointF(r.left() + 60, r.center().y()), Qt::FuzzyHit);
    EXPECT_EQ(doc.findBlock(hit).text(), QStringLiteral("Line 1"));
    EXPECT_DOUBLE_EQ(layout->blockBoundingRect(doc.lastBlock()).bottom(),
                     height + line - doc.documentMargin());
}

// Edits of every size, in one run of paragraphs and across many, and their undoing.
TEST_F(LineLayoutTest, PlacesStayRightThroughEdits)
{
    RichEdit edit;
    edit.resize(300, 200);
    edit.SetLines(Numbered(3000));
    auto *layout = qobject_cast<TLineLayout *>(edit.document()->documentLayout());
    ASSERT_TRUE(layout);
    QTextDocument &doc = *edit.document();
    QRandomGenerator random(7);
    QTextCursor c(&doc);
    for (int step = 0; step < 30; ++step) {
        const int length = doc.characterCount() - 1;
        c.setPosition(random.bounded(length + 1));
        switch (step % 5) {
        case 0: // a few new lines
            c.insertText(QStringLiteral("x\ny\nz"));
            break;
        case 1: // a run of lines removed
            c.setPosition(std::min(length, c.position() + random.bounded(60000)), QTextCursor::KeepAnchor);
            c.removeSelectedText();
            break;
        case 2: // many lines at once
            c.insertText(Numbered(4200).join(QLatin1Char('\n')));
            break;
        case 3: // a format only
            c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, 3);
            c.mergeCharFormat([] {
                QTextCharFormat f;
                f.setFontPointSize(20);
                return f;
            }());
            break;
        default: doc.undo();
        }
        ExpectStacked(*layout, doc);
        if (HasFatalFailure())
            return;
    }
}

// Margins from a pasted page or a file, however wild, leave a text the scroll bars can count,
// every paragraph's text where a click finds it, and nothing left of the box's edge.
TEST_F(LineLayoutTest, WildMarginsStayCountable)
{
    RichEdit edit;
    edit.SetLines({QStringLiteral("far"), QStringLiteral("back"), QStringLiteral("wide"),
                   QStringLiteral("next"), QStringLiteral("Hello world")});
    auto *layout = qobject_cast<TLineLayout *>(edit.document()->documentLayout());
    ASSERT_TRUE(layout);
    QTextCursor c(edit.document());
    for (const auto &[top, bottom] : {std::pair{0.0, -1e30}, {1e30, 0.0}, {-1e30, 0.0}, {0.0, 1e30}}) {
        QTextBlockFormat f;
        f.setTopMargin(top);
        f.setBottomMargin(bottom);
        c.setBlockFormat(f);
        c.movePosition(QTextCursor::NextBlock);
    }
    QTextBlockFormat left;
    left.setLeftMargin(-30);
    left.setTextIndent(-1e6);
    c.setBlockFormat(left);
    const QSizeF size = layout->documentSize();
    EXPECT_LT(size.height(), 1e5);
    ExpectStacked(*layout, *edit.document());
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next()) {
        const QRectF r = layout->blockBoundingRect(b);
        const QTextLine line = b.layout()->lineAt(0);
        EXPECT_GE(line.x(), edit.document()->documentMargin()) << b.text().toStdString();
        const QPointF text(line.x() + 2, r.top() + line.y() + line.height() / 2);
        EXPECT_EQ(edit.document()->findBlock(layout->hitTest(text, Qt::FuzzyHit)).text(), b.text());
    }
}

// A paragraph of very many soft breaks, and a very long line: the end of each can be reached.
TEST_F(LineLayoutTest, LongParagraphsReachTheirEnd)
{
    RichEdit edit;
    edit.resize(300, 200);
    QString breaks;
    for (int i = 0; i < 90000; ++i)
        breaks += QStringLiteral("b%1").arg(i) + QChar::LineSeparator;
    edit.SetText(breaks + QStringLiteral("end\n") + QString(160000, QLatin1Char('W'))
                 + QStringLiteral("z\nnext"));
    auto *layout = qobject_cast<TLineLayout *>(edit.document()->documentLayout());
    ASSERT_TRUE(layout);
    const QTextDocument &doc = *edit.document();
    ExpectStacked(*layout, doc);
    const QRectF last = layout->blockBoundingRect(doc.firstBlock());
    const QTextLayout &soft = *doc.firstBlock().layout();
    EXPECT_EQ(soft.lineCount(), 90001);
    EXPECT_LE(soft.lineAt(90000).y() + soft.lineAt(90000).height(), last.height());
    // The long line's last character lies inside the text's size and is hit where it stands.
    const QTextBlock wide = doc.findBlockByNumber(1);
    const QRectF r = layout->blockBoundingRect(wide);
    const int z = wide.length() - 2;
    const QTextLine line = wide.layout()->lineForTextPosition(z);
    const QPointF at(line.cursorToX(z) + 1, r.top() + line.y() + line.height() / 2);
    EXPECT_LT(at.x(), layout->documentSize().width());
    EXPECT_EQ(layout->hitTest(at, Qt::FuzzyHit), wide.position() + z);
}

// Lines taller than the default font, as a page pasted from a word processor brings.
void FillTall(RichEdit &edit, int count)
{
    edit.SetLines([count] {
        QStringList lines;
        for (int i = 0; i < count; ++i)
            lines << QStringLiteral("Person %1").arg(i);
        return lines;
    }());
    QTextCursor all(edit.document());
    all.select(QTextCursor::Document);
    QTextCharFormat f;
    f.setFontPointSize(edit.document()->defaultFont().pointSizeF() * 1.8);
    all.mergeCharFormat(f);
}

void ExpectCaretOnView(const RichEdit &edit, const char *after)
{
    const QRect caret = edit.cursorRect();
    EXPECT_TRUE(edit.viewport()->rect().contains(caret))
        << after << ": caret " << caret.y() << ".." << caret.bottom() << " of " << edit.viewport()->height();
}

// What is on the screen, not drawn anew: the pixels a person sees.
QImage OnScreen(RichEdit &edit)
{
    QApplication::processEvents();
    const QPoint at = edit.viewport()->mapTo(&edit, QPoint(0, 0));
    return edit.screen()
        ->grabWindow(edit.winId(), at.x(), at.y(), edit.viewport()->width(), edit.viewport()->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage DrawnAnew(RichEdit &edit)
{
    edit.viewport()->update();
    return OnScreen(edit);
}

// One press, one search, one key: the caret or the match is on view; a turn of the wheel
// then shows what the layout holds, so a click lands on the line drawn under it.
TEST_F(LineLayoutTest, TallLinesShowWhereTheyAreHit)
{
    RichEdit edit;
    edit.setLineWrapMode(QTextEdit::NoWrap);
    edit.resize(300, 240);
    edit.show();
    FillTall(edit, 2000);
    QApplication::processEvents();
    edit.setFocus();

    Key(edit, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    ExpectCaretOnView(edit, "Ctrl+End");
    Key(edit, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::processEvents();
    ExpectCaretOnView(edit, "a key at the end");

    const int found = edit.FindText(QStringLiteral("Person 1400"), 0, edit.TextLength(), 0);
    ASSERT_GT(found, 0);
    edit.SetSelStart(found);
    edit.SetSelLength(11);
    QApplication::processEvents();
    ExpectCaretOnView(edit, "a search");

    Key(edit, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    for (int notch = 0; notch < 5; ++notch) {
        const QPointF at(100, 100);
        QWheelEvent wheel(at, edit.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(edit.viewport(), &wheel);
        const QImage seen = OnScreen(edit);
        ASSERT_EQ(seen, DrawnAnew(edit)) << "after notch " << notch + 1;
    }
    // A click on each line drawn hits the line the layout puts there.
    auto *layout = qobject_cast<TLineLayout *>(edit.document()->documentLayout());
    const int offset = edit.verticalScrollBar()->value();
    for (int y = 5; y < edit.viewport()->height(); y += 7) {
        const int hit = edit.cursorForPosition(QPoint(40, y)).blockNumber();
        const QRectF r = layout->blockBoundingRect(edit.document()->findBlockByNumber(hit));
        EXPECT_TRUE(r.top() <= y + offset && y + offset < r.bottom() + 1) << "y " << y;
    }
}

} // namespace
