// The print job of the address list: one envelope page per selected address and copy.
#include "engine/PrintAddresses.h"

#include "engine/EnvDim.h"
#include "engine/LayoutFit.h"
#include "engine/PrintProgress.h"
#include "engine/RetAddr.h"
#include "engine/ZipBarCo.h"
#include "foundation/QmCanvas.h"
#include "foundation/QmPrinter.h"
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"
#include "platform/Graphics.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"

#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

enum BarCodePlacement { BarCodeAbove = 0, BarCodeBottom = 1, BarCodeNone = 2, BarCodeBelow = 3 };

// Pixels to twips and back through 64 bits: a position far off the page (an
// extreme stored distance) at a fine resolution overflows on the way, not after.
int scaled(int value, int num, int den)
{
    return static_cast<int>(qint64(value) * num / den);
}

// Lays a rich edit's text out in the rectangle and draws it.
int renderText(RichEdit *edit, QPainter &canvas, const TPageMetrics &m, const FormatRect &rect, int first,
               int last, const std::function<bool(int measured, FormatRect &rect)> &grow = {})
{
    if (!edit)
        return 0;
    TFormatRange range;
    range.Canvas = &canvas;
    range.Rect = rect;
    range.Page = FormatRect{0, 0, m.PWT, m.PHT};
    range.First = first;
    range.Last = last;
    TFormattedText text;
    int measured = FormatRange(*edit->document(), range, text);
    while (grow && grow(measured, range.Rect))
        measured = FormatRange(*edit->document(), range, text);
    DisplayBand(text, range.Rect);
    return range.Rect.Bottom;
}

// The return address and the attention line are the same on every page of a job: laid out
// on the first page, drawn again from that layout on the others.
struct LaidOutText
{
    TFormattedText Text;
    FormatRect Rect;
    const QPaintDevice *Device = nullptr;
};

void renderSameOnEveryPage(RichEdit *edit, QPainter &canvas, const TPageMetrics &m, const FormatRect &rect,
                           LaidOutText &cache)
{
    if (!edit)
        return;
    const bool same = cache.Device && cache.Device == canvas.device() && cache.Rect.Left == rect.Left
                      && cache.Rect.Top == rect.Top && cache.Rect.Right == rect.Right
                      && cache.Rect.Bottom == rect.Bottom;
    if (!same) {
        TFormatRange range;
        range.Canvas = &canvas;
        range.Rect = rect;
        range.Page = FormatRect{0, 0, m.PWT, m.PHT};
        FormatRange(*edit->document(), range, cache.Text);
        cache.Rect = rect;
        cache.Device = canvas.device();
    }
    DisplayBand(cache.Text, rect);
}

// For a job nobody watches.
class NoProgress : public TPrintProgress
{
public:
    void Prepare() override {}
    void Started(int) override {}
    void AddressStarted(const QStringList &, const QString &) override {}
    void CopyStarted(int, int) override {}
    void PageDone() override {}
    bool Cancelled() const override { return false; }
    void Finished(bool) override {}
};

// Tells the progress that the job failed when an exception leaves it.
class ProgressGuard
{
public:
    explicit ProgressGuard(TPrintProgress &progress) : m_progress(progress) {}
    void Start(int pages)
    {
        m_started = true;
        m_progress.Started(pages);
    }
    void Finish()
    {
        if (!m_started)
            return;
        m_started = false;
        m_progress.Finished(true);
    }
    ~ProgressGuard()
    {
        if (m_started)
            m_progress.Finished(false);
    }

private:
    TPrintProgress &m_progress;
    bool m_started = false;
};

void drawReturnPicture(QPainter &canvas, TReturnAddress &ret, const TPageMetrics &m, int left, int y)
{
    const int x = left * m.LX / 100;
    TGraphic *graphic = ret.Picture().Graphic();
    const bool drawable = graphic && !graphic->Empty();
    switch (ret.GraphicType()) {
    case 0: break;
    case 2: {
        // The icon at its own pixel size.
        if (drawable)
            graphic->Draw(canvas, QRect(x, y, graphic->Width(), graphic->Height()));
        break;
    }
    default: {
        const QRect rect(QPoint(x, y), QPoint(x + ret.GraphicWidth() * m.LX / 100 - 1,
                                              y + ret.GraphicHeight() * m.LY / 100 - 1));
        if (drawable) {
            if (const auto *bitmap = dynamic_cast<const TBitmap *>(graphic)) {
                DrawBitmapDIB(canvas, *bitmap, rect);
            } else if (auto *gif = dynamic_cast<TGIFImage *>(graphic)) {
                // Paper shows the still picture, whatever frame an animation on
                // the screen has reached, and starts no animation.
                gif->DrawStill(canvas, rect);
            } else {
                graphic->Draw(canvas, rect);
            }
        }
        break;
    }
    }
}

struct PageJob
{
    const TPageMetrics &m;
    TEnvelopeData &envelope;
    TReturnAddress &ret;
    RichEdit *destination;
    RichEdit *returnBox;
    RichEdit *attention;
    bool testEnvelope;
    int placement;
    bool triFoldLines;
    bool facingMark;
    LaidOutText *returnText;
    LaidOutText *attentionText;
};

void printPage(QPainter &canvas, const PageJob &job, const TSingleAddress &address,
               const QStringList &addressLines)
{
    const TPageMetrics &m = job.m;
    const TEnvelopeData &e = job.envelope;
    const int TT = e.TriFoldFromTop();
    const int TB = e.TriFoldFromBottom();
    canvas.setBrush(Qt::NoBrush);
    canvas.setPen(QPen(Qt::black, 8, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));

    // 1. Test border and 2. fold marks, 12 pixels outside each fold.
    if (job.testEnvelope)
        canvas.drawRect(QRectF(0, TT * m.LY / 100, m.PW, (m.PH - TB) * m.LY / 100 - TT * m.LY / 100));
    if (e.IsTriFoldLetter() && job.triFoldLines) {
        canvas.setPen(QPen(Qt::black, 8, Qt::DotLine, Qt::FlatCap));
        const int top = TT * m.LY / 100 - 12;
        const int bottom = (m.PH - TB) * m.LY / 100 + 12;
        canvas.drawLine(QPointF(0, top), QPointF(m.PW, top));
        canvas.drawLine(QPointF(0, bottom), QPointF(m.PW, bottom));
    }
    canvas.setPen(QPen(Qt::black));

    // 3. Return picture, then 4. the return text beside it.
    const int Y = (e.ReturnTop() + TT) * m.LY / 100;
    drawReturnPicture(canvas, job.ret, m, e.ReturnLeft(), Y);
    const int textLeft = ReturnTextLeft(job.ret, e.ReturnLeft(), m.LX);
    // The destination's base, in hundredths of an inch from the printable top.
    const int destinationBase = m.PH - TB - e.DestinationBottom() + m.BM;
    // On tri-fold letter the return text stops above the destination and the page's end.
    const int returnBottom =
        std::min({(m.PH + TB - e.DestinationBottom()) * 1440 / 100, destinationBase * 1440 / 100, m.PHT});
    renderSameOnEveryPage(job.returnBox, canvas, m,
                          FormatRect{textLeft, (e.ReturnTop() + TT) * 1440 / 100, m.PWT - 2880, returnBottom},
                          *job.returnText);

    // 5. Destination, for this address's characters, with its bar code.
    TPainterBarCodeCanvas barCanvas(canvas, m.LX, m.LY);
    int x = e.DestinationLeft() * m.LX / 100;
    int y = destinationBase * m.LY / 100;
    int left = e.DestinationLeft() * 1440 / 100;
    int top = destinationBase * 1440 / 100;
    QString digits;
    if (job.placement == BarCodeAbove) {
        BuildZipDigits(addressLines, digits);
        DrawPostnet(barCanvas, digits, x, y, m.PW);
        left = scaled(x, 1440, m.LX);
        // Pixels added to twips, as calibrated definitions expect.
        top = scaled(y, 1440, m.LY) + BarCodeHeight(barCanvas);
    }
    FormatRect rect{left, top, m.PWT, job.placement == BarCodeBelow ? top + 288 : (m.PH - TB) * 1440 / 100};
    const int textEnd = job.destination ? job.destination->TextLength() : 0;
    const int lastWanted = std::min(address.EndChar, textEnd);
    int extensions = 0;
    auto grow = [&](int measured, FormatRect &r) {
        if (job.placement != BarCodeBelow || measured >= lastWanted || extensions >= 60)
            return false;
        r.Bottom += 288;
        ++extensions;
        return true;
    };
    const int bottom = renderText(job.destination, canvas, m, rect, address.StartChar, address.EndChar, grow);
    if (job.placement == BarCodeBelow) {
        BuildZipDigits(addressLines, digits);
        y = y + scaled(bottom + 144 - top, m.LY, 1440);
        DrawPostnet(barCanvas, digits, x, y, m.PW);
    }

    // 6. Attention line, a quarter inch above its distance; its right edge at
    // two fifths of the page unless that lies left of its start.
    const int attentionBase = m.PH - TB - e.AttentionBottom() - 25;
    const int attentionLeft = e.AttentionLeft() * 1440 / 100;
    const int attentionRight = attentionLeft + TextWidths(e, nullptr, m.PWT, m.LX).Attention;
    renderSameOnEveryPage(
        job.attention, canvas, m,
        FormatRect{attentionLeft, attentionBase * 1440 / 100, attentionRight, (m.PH - TB) * 1440 / 100},
        *job.attentionText);

    // 7. Bar code at the bottom edge, two inches in from the physical right edge.
    if (job.placement == BarCodeBottom) {
        BuildZipDigits(addressLines, digits);
        x = m.PhysW - 2 * m.LX;
        y = (m.PH - TB) * m.LY / 100 - BarCodeHeight(barCanvas);
        DrawPostnet(barCanvas, digits, x, y, m.PW);
    }
    // 8. Facing identification mark.
    if (job.facingMark && job.placement != BarCodeNone)
        DrawFacingMark(barCanvas, m.PhysW - e.FacingMarkFromRight() * m.LX / 100, TT * m.LY / 100);
}

// What one envelope may hold: far more than any address, and little enough that a
// page is laid out in a moment (the destination may be laid out sixty times over).
constexpr int kMaxEnvelopeLines = 200;
constexpr int kMaxEnvelopeCharacters = 20000;
constexpr int kMaxTableNesting = 8;

// Why characters first..last of a text are more than an envelope holds, or empty.
QString tooMuchText(const QTextDocument &text, int first, int last, const QString &what)
{
    const int length = text.characterCount() - 1;
    first = std::clamp(first, 0, length);
    last = last < 0 ? length : std::clamp(last, first, length);
    if (last - first > kMaxEnvelopeCharacters)
        return QStringLiteral("%1 has %L2 characters; one envelope holds at most %L3.")
            .arg(what)
            .arg(last - first)
            .arg(kMaxEnvelopeCharacters);
    int lines = 0;
    int nesting = 0;
    for (QTextBlock block = text.findBlock(first);
         block.isValid() && (block.position() < last || block.position() <= first); block = block.next()) {
        lines += 1 + int(block.text().count(QChar::LineSeparator));
        int depth = 0;
        for (QTextFrame *frame = QTextCursor(block).currentFrame(); frame && frame->parentFrame();
             frame = frame->parentFrame())
            ++depth;
        nesting = std::max(nesting, depth);
        if (block.position() + block.length() > last)
            break;
    }
    if (lines > kMaxEnvelopeLines)
        return QStringLiteral("%1 has %L2 lines; one envelope holds at most %L3.")
            .arg(what)
            .arg(lines)
            .arg(kMaxEnvelopeLines);
    if (nesting > kMaxTableNesting)
        return QStringLiteral("%1 has tables nested %2 deep; an envelope takes them at most %3 deep.")
            .arg(what)
            .arg(nesting)
            .arg(kMaxTableNesting);
    return {};
}

// A canvas of a printer's resolution that draws nowhere, for laying text out as the job does.
struct MeasuringCanvas
{
    MeasuringCanvas(int lx, int ly) : image(1, 1, QImage::Format_RGB32)
    {
        image.setDotsPerMeterX(qRound(lx / 0.0254));
        image.setDotsPerMeterY(qRound(ly / 0.0254));
        painter.begin(&image);
    }
    QImage image;
    QPainter painter;
};

bool fitsIn(const QTextDocument &text, QPainter &canvas, const FormatRect &rect, int first, int last)
{
    TFormatRange range;
    range.Canvas = &canvas;
    range.Rect = rect;
    range.First = first;
    range.Last = last;
    TFormattedText laidOut;
    const int length = text.characterCount() - 1;
    const int wanted = last < 0 ? length : std::clamp(last, 0, length);
    return FormatRange(text, range, laidOut) >= wanted;
}

} // namespace

QString TAddressPrintList::TooMuchToPrint() const
{
    if (m_destination) {
        for (int i = 0; i < Count(); ++i) {
            const TSingleAddress &address = GetAddress(i);
            if (!address.Selected)
                continue;
            const QString what = Count() == 1 ? QStringLiteral("The destination address")
                                              : QStringLiteral("Address %1").arg(i + 1);
            const QString text =
                tooMuchText(*m_destination->document(), address.StartChar, address.EndChar, what);
            if (!text.isEmpty())
                return text;
        }
    }
    if (m_return) {
        const QString text = tooMuchText(*m_return->document(), 0, -1, QStringLiteral("The return address"));
        if (!text.isEmpty())
            return text;
    }
    if (m_attention)
        return tooMuchText(*m_attention->document(), 0, -1, QStringLiteral("The attention line"));
    return {};
}

void TAddressPrintList::MeasureTexts(TLayoutGeometry &Geometry, TReturnAddress *ReturnAddress) const
{
    if (Geometry.LX <= 0 || Geometry.LY <= 0)
        return;
    auto canvas = std::make_shared<MeasuringCanvas>(Geometry.LX, Geometry.LY);
    if (m_return) {
        // Beside the picture, as the job puts it.
        int shift = 0;
        if (ReturnAddress) {
            shift = ReturnTextLeft(*ReturnAddress, Geometry.ReturnLeft, Geometry.LX)
                    - Geometry.ReturnLeft * 1440 / 100;
        }
        const QTextDocument *text = m_return->document();
        Geometry.ReturnFits = [canvas, text, shift](const FormatRect &rect) {
            return fitsIn(*text, canvas->painter,
                          FormatRect{rect.Left + shift, rect.Top, rect.Right, rect.Bottom}, 0, -1);
        };
    }
    if (m_destination) {
        QList<QPair<int, int>> ranges;
        for (int i = 0; i < Count(); ++i) {
            if (GetAddress(i).Selected)
                ranges.append({GetAddress(i).StartChar, GetAddress(i).EndChar});
        }
        const QTextDocument *text = m_destination->document();
        Geometry.DestinationFits = [canvas, text, ranges](const FormatRect &rect) {
            return std::all_of(ranges.begin(), ranges.end(), [&](const QPair<int, int> &range) {
                return fitsIn(*text, canvas->painter, rect, range.first, range.second);
            });
        };
    }
}

TPrintOutcome TAddressPrintList::PrintEnvelopes(int Copies, bool TestEnvelope, TReturnAddress *ReturnAddress,
                                                TEnvelopeData *Envelope, const QString &Title,
                                                int BarCodePlacement, bool PrintTriFoldLines,
                                                TPrintProgress *Progress)
{
    TZambPrinter &printer = *PrinterInstance();
    if (!Envelope || printer.GetLogPixelsY() == 0 || printer.GetLogPixelsX() == 0) {
        MessageDlg(QStringLiteral("You must define and select an envelope in order to print."),
                   TMsgDlgType::Error, mbOK | mbHelp, 20096);
        return TPrintOutcome::NotPrinted;
    }
    if (!ReturnAddress) {
        MessageDlg(QStringLiteral("You must define and select a return address in order to print."),
                   TMsgDlgType::Error, mbOK | mbHelp, 20073);
        return TPrintOutcome::NotPrinted;
    }
    if (SelectedCount() == 0) {
        MessageDlg(QStringLiteral("No address is selected, so nothing was printed."),
                   TMsgDlgType::Information, mbOK, 0);
        return TPrintOutcome::NothingSelected;
    }

    if (!Envelope->SelectEnvelopePrinter()) {
        MessageDlg(
            QStringLiteral("There was a problem with the setup of printer \"%1\". Adjust the setup and try "
                           "again.")
                .arg(Envelope->FullPrinterName),
            TMsgDlgType::Warning, mbOK, 0);
        return TPrintOutcome::NotPrinted;
    }

    // A printer that asks for a file does it here, before the progress window
    // (still up for a moment after an earlier job) could stand over its dialog.
    NoProgress nobody;
    TPrintProgress &progress = Progress ? *Progress : nobody;
    progress.Prepare();
    printer.SetTitle(Title);
    try {
        printer.BeginDoc();
    } catch (const SpoolCancelled &) {
        return TPrintOutcome::Cancelled;
    }
    ProgressGuard guard(progress);
    bool cancelled = false;
    try {
        guard.Start(SelectedCount() * std::max(Copies, 0));
        const TPageMetrics m = ReadPageMetrics(printer);
        LaidOutText returnText;
        LaidOutText attentionText;
        // clang-format off
        const PageJob job{m, *Envelope, *ReturnAddress, m_destination, m_return, m_attention, TestEnvelope,
                          BarCodePlacement, PrintTriFoldLines, EnvelopePreferences().FacingMark(),
                          &returnText, &attentionText};
        // clang-format on
        bool first = true;
        for (int i = 0; i < Count() && !progress.Cancelled(); ++i) {
            const TSingleAddress &address = GetAddress(i);
            if (!address.Selected)
                continue;
            const QStringList addressLines = AddressLines(i);
            progress.AddressStarted(addressLines, printer.GetDeviceName());
            for (int copy = 1; copy <= Copies && !progress.Cancelled(); ++copy) {
                progress.CopyStarted(copy, i + 1);
                if (!first)
                    printer.NewPage();
                first = false;
                printPage(printer.Canvas().Painter(), job, address, addressLines);
                progress.PageDone();
            }
        }
        // A cancel stops before the next page; the pages done still go out.
        cancelled = progress.Cancelled();
        printer.EndDoc();
    } catch (...) {
        if (printer.Printing())
            printer.Abort();
        throw;
    }
    guard.Finish();
    return cancelled ? TPrintOutcome::Cancelled : TPrintOutcome::Printed;
}
