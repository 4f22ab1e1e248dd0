#include "platform/TextLayout.h"

#include "platform/RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace {

bool IsLineBreak(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// Sizes in screen pixels (pasted text, a widget font) become points, which the
// printer's resolution scales.
void PixelSizesToPoints(QTextDocument &doc)
{
    QFont font = doc.defaultFont();
    font.setPointSizeF(FontPoints(font));
    doc.setDefaultFont(font);
    struct Piece
    {
        int start;
        int end;
        QTextCharFormat format;
    };
    QList<Piece> pieces;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment f = it.fragment();
            QTextCharFormat format = f.charFormat();
            const int pixels = format.intProperty(QTextFormat::FontPixelSize);
            if (pixels <= 0)
                continue;
            format.clearProperty(QTextFormat::FontPixelSize);
            format.setFontPointSize(pixels * 0.75);
            pieces.append({f.position(), f.position() + f.length(), format});
        }
    QTextCursor edit(&doc);
    for (const Piece &p : pieces) {
        edit.setPosition(p.start);
        edit.setPosition(p.end, QTextCursor::KeepAnchor);
        edit.setCharFormat(p.format);
    }
}

// Paragraphs with margins a box would not show are laid out as the box lays them out.
void HoldBlockFormats(QTextDocument &doc)
{
    QTextCursor edit(&doc);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat held = HeldBlockFormat(b.blockFormat(), doc.indentWidth());
        if (held != b.blockFormat()) {
            edit.setPosition(b.position());
            edit.setBlockFormat(held);
        }
    }
}

// What the boxes lay their text out in: pixels of 96 to the inch.
constexpr double kBoxDpi = 96;

QPaintDevice &ScreenInches()
{
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.setDotsPerMeterX(static_cast<int>(std::lround(kBoxDpi / 0.0254)));
        image.setDotsPerMeterY(static_cast<int>(std::lround(kBoxDpi / 0.0254)));
        return image;
    }();
    return device;
}

} // namespace

QTextBlockFormat HeldBlockFormat(const QTextBlockFormat &Format, double IndentWidth)
{
    const auto hold = [](double value, double low, double high) {
        return std::isfinite(value) ? std::clamp(value, low, high) : low;
    };
    QTextBlockFormat f = Format;
    // Only what is set or changed is set: a format that needs nothing stays equal to itself.
    const auto set = [&](int property, const QVariant &value) {
        if (Format.hasProperty(property) || value.toDouble() != 0)
            f.setProperty(property, value);
    };
    const double left = hold(Format.leftMargin(), 0, kLargestIndent);
    set(QTextFormat::BlockLeftMargin, left);
    set(QTextFormat::BlockRightMargin, hold(Format.rightMargin(), 0, kLargestIndent));
    set(QTextFormat::BlockTopMargin, hold(Format.topMargin(), 0, kLargestIndent));
    set(QTextFormat::BlockBottomMargin, hold(Format.bottomMargin(), 0, kLargestIndent));
    const int levels = IndentWidth > 0 ? static_cast<int>(kLargestIndent / IndentWidth) : 0;
    const int indent = std::clamp(Format.indent(), 0, levels);
    set(QTextFormat::BlockIndent, indent);
    const double start = std::min(left + indent * std::max(IndentWidth, 0.0), kLargestIndent);
    set(QTextFormat::TextIndent, hold(Format.textIndent(), -start, kLargestIndent - start));
    if (Format.hasProperty(QTextFormat::LineHeightType)) {
        const double height = Format.lineHeight();
        switch (Format.lineHeightType()) {
        case QTextBlockFormat::ProportionalHeight:
            f.setLineHeight(hold(height, 100, 1000), QTextBlockFormat::ProportionalHeight);
            break;
        case QTextBlockFormat::FixedHeight: // a line lower than its text would cover the next
        case QTextBlockFormat::MinimumHeight:
            f.setLineHeight(hold(height, 0, kLargestIndent), QTextBlockFormat::MinimumHeight);
            break;
        case QTextBlockFormat::LineDistanceHeight:
            f.setLineHeight(hold(height, 0, kLargestIndent), QTextBlockFormat::LineDistanceHeight);
            break;
        default: break;
        }
    }
    return f;
}

TFormattedText::TFormattedText() = default;
TFormattedText::~TFormattedText() = default;
TFormattedText::TFormattedText(TFormattedText &&) noexcept = default;
TFormattedText &TFormattedText::operator=(TFormattedText &&) noexcept = default;

int FormatRange(const QTextDocument &Text, const TFormatRange &Range, TFormattedText &Out)
{
    Out = TFormattedText();
    const int length = Text.characterCount() - 1;
    const int first = std::clamp(Range.First, 0, length);
    int last = Range.Last < 0 || Range.Last > length ? length : Range.Last;
    last = std::max(last, first);
    QPainter *canvas = Range.Canvas;
    if (!canvas || !canvas->device())
        return first;
    std::unique_ptr<QTextDocument> doc;
    if (first == 0 && last == length) {
        doc.reset(Text.clone());
    } else {
        // Only the range is copied: a long address list lays out one address
        // per page, not the whole text each time.
        doc = std::make_unique<QTextDocument>();
        doc->setDefaultFont(Text.defaultFont());
        doc->setDefaultTextOption(Text.defaultTextOption());
        QTextCursor source(const_cast<QTextDocument *>(&Text)); // only read
        // Inside an edit block a cursor does not lay its paragraph out to find its x, which
        // the text would keep for every address of a long list. Nothing is edited.
        source.beginEditBlock();
        source.setPosition(first);
        source.setPosition(last, QTextCursor::KeepAnchor);
        QTextCursor target(doc.get());
        target.setBlockFormat(Text.findBlock(first).blockFormat());
        target.setBlockCharFormat(Text.findBlock(first).charFormat());
        target.insertFragment(source.selection());
        source.endEditBlock();
    }
    // The range may end just after a line break: the empty line after it is not text.
    const bool endsWithBreak = last > first && IsLineBreak(Text.characterAt(last - 1));
    PixelSizesToPoints(*doc);
    HoldBlockFormats(*doc);
    doc->setDocumentMargin(0);
    // Laid out as the box lays it out, in its pixels, and drawn scaled to the printer's: every
    // indent, margin and tab stop then prints at the size it has on the screen.
    doc->documentLayout()->setPaintDevice(&ScreenInches());
    const double width = std::max(1.0, double(Range.Rect.Right - Range.Rect.Left) * kBoxDpi / 1440.0);
    doc->setTextWidth(width);
    doc->documentLayout()->documentSize(); // lays the whole text out
    const double height = double(Range.Rect.Bottom - Range.Rect.Top) * kBoxDpi / 1440.0;

    int result = last;
    double fit = 0;
    bool stop = false;
    for (QTextBlock b = doc->begin(); b.isValid() && !stop; b = b.next()) {
        if (endsWithBreak && !b.next().isValid() && b.length() == 1)
            break;
        QTextLayout *tl = b.layout();
        for (int i = 0; i < tl->lineCount(); ++i) {
            QTextLine line = tl->lineAt(i);
            double bottom = tl->position().y() + line.y() + line.height();
            if (bottom > height + 1e-6) {
                result = first + b.position() + line.textStart();
                stop = true;
                break;
            }
            fit = bottom;
        }
    }
    Out.m_doc = std::move(doc);
    Out.m_canvas = canvas;
    Out.m_width = width;
    Out.m_fitHeight = fit;
    return result;
}

bool DisplayBand(const TFormattedText &Text, const FormatRect &Rect)
{
    if (!Text.m_doc || !Text.m_canvas || !Text.m_canvas->isActive())
        return false;
    QPainter *p = Text.m_canvas;
    QPaintDevice *device = p->device();
    p->save();
    p->translate(double(Rect.Left) * device->logicalDpiX() / 1440.0,
                 double(Rect.Top) * device->logicalDpiY() / 1440.0);
    p->scale(device->logicalDpiX() / kBoxDpi, device->logicalDpiY() / kBoxDpi);
    const double w = Text.m_width;
    p->setClipRect(QRectF(-w, 0, 3 * w, Text.m_fitHeight), Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    context.clip = QRectF(-w, 0, 3 * w, Text.m_fitHeight);
    Text.m_doc->documentLayout()->draw(p, context);
    p->restore();
    return true;
}
