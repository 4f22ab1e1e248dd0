// The envelope picture: its parts, their layout and the live bar-code preview.
#include "ui/main/EnvelopePicture.h"

#include "engine/DefinitionStore.h"
#include "engine/LayoutFit.h"
#include "engine/ReturnAddressStore.h"
#include "engine/ZipBarCo.h"
#include "foundation/ColorBox.h"
#include "foundation/QmPrinter.h"
#include "platform/GuardedSlot.h"
#include "platform/RichEdit.h"
#include "ui/Artwork.h"
#include "ui/main/MainForm.h"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTextBlock>

#include <algorithm>

TEnvelopeLayout EnvelopeLayout(const TEnvelopeLayoutInput &In)
{
    const int W = In.Width;
    const int H = In.Height;
    const int bv = In.BevelWidth;
    const int bd = In.BorderWidth;
    const int T = (2 * H) / 5;
    const auto rect = [](int left, int top, int width, int height) {
        return QRect(left, top, std::max(0, width), std::max(0, height));
    };
    TEnvelopeLayout L;
    const int destLeft = W / 3;
    const int destWidth = W - destLeft - bv - bd;
    const int stampLeft = W - In.StampSize.width() - 2 * bd;
    const int facingLeft = stampLeft - In.FacingMarkSize.width() - bd;
    const int attentionTop = H - In.AttentionHeight - bv - bd;
    const int returnLeft = bv + bd + (In.ReturnImageVisible ? 2 * bd + In.ReturnImageWidth : 0);
    L.Stamp = rect(stampLeft, bv + bd, In.StampSize.width(), In.StampSize.height());
    L.FacingMark = rect(facingLeft, bv + bd, In.FacingMarkSize.width(), In.FacingMarkSize.height());
    L.Attention = rect(bv + bd, attentionTop, W / 2 - 2 * bd, In.AttentionHeight);
    L.Return = rect(returnLeft, bv + bd, facingLeft - returnLeft - 2 * bd, T - bd);

    int barLeft = In.BarCode.left();
    int barWidth = In.BarCode.width();
    int barTop = In.BarCode.top();
    const int barHeight = In.BarCode.height();
    // Below the address it stands where it prints, under the address, not where
    // an earlier layout or the form left it.
    if (In.PrintBarCode == 0 || In.PrintBarCode == 3) {
        barLeft = destLeft;
        barWidth = destWidth - bd;
    } else if (In.PrintBarCode == 1) {
        barLeft = W / 2 + bd;
        barWidth = W - barLeft - bd;
    }
    int destTop = T + bd;
    int destHeight = 0;
    switch (In.PrintBarCode) {
    case 0:
        barTop = T;
        destTop = T + barHeight;
        destHeight = attentionTop - destTop - bd;
        break;
    case 1:
        barTop = H - barHeight - bd;
        destHeight = barTop - destTop - bd;
        break;
    case 3:
        barTop = attentionTop - barHeight;
        destHeight = barTop - destTop - bd;
        break;
    default: destHeight = attentionTop - destTop - bd; break;
    }
    L.BarCode = rect(barLeft, barTop, barWidth, barHeight);
    L.Destination = rect(destLeft, destTop, destWidth, destHeight);
    return L;
}

QString PostnetHint(const QString &D)
{
    switch (D.size()) {
    case 6: return QStringLiteral("Postnet Bar Code (%1-%2)").arg(D.left(5), D.mid(5, 1));
    case 10: return QStringLiteral("Postnet Bar Code (%1-%2-%3)").arg(D.left(5), D.mid(5, 4), D.mid(9, 1));
    case 12:
        return QStringLiteral("Postnet Bar Code (%1-%2-%3-%4)")
            .arg(D.left(5), D.mid(5, 4), D.mid(9, 2), D.mid(11, 1));
    default: return QStringLiteral("Postnet Bar Code (%1)").arg(D);
    }
}

TPostnetPreview PostnetPreview(const QStringList &AddressLines, int PrintBarCode, bool FacingMark,
                               const QColor &Background, QSize BarCodeSize, QSize FacingMarkSize, int Dpi)
{
    TPostnetPreview preview;
    BuildZipDigits(AddressLines, preview.Digits);
    preview.BarCode = QImage(BarCodeSize, QImage::Format_RGB32);
    preview.BarCode.fill(Background);
    preview.FacingMark = QImage(FacingMarkSize, QImage::Format_RGB32);
    preview.FacingMark.fill(Background);
    if (PrintBarCode == 2 || preview.Digits.isEmpty())
        return preview;
    // Printed black on a white envelope; on the screen's envelope colour, which may be dark, in
    // whatever stands out.
    const QColor ink = InkOn(Background);
    {
        QPainter painter(&preview.BarCode);
        painter.setPen(ink);
        TPainterBarCodeCanvas canvas(painter, Dpi, Dpi);
        int x = 1;
        int y = 8;
        DrawPostnet(canvas, preview.Digits, x, y, 16384);
    }
    if (FacingMark) {
        QPainter painter(&preview.FacingMark);
        painter.setPen(ink);
        TPainterBarCodeCanvas canvas(painter, Dpi, Dpi);
        DrawFacingMark(canvas, 1, 0);
    }
    preview.Drawn = true;
    return preview;
}

namespace {

constexpr int kBevelWidth = 2;
constexpr int kBorderWidth = 5;
const QSize kBarCodeSize(380, 26);
const QSize kFacingMarkSize(72, 65);

} // namespace

QStringList LastLines(const RichEdit &Box, int Count)
{
    // One more than asked, since a last empty line does not count.
    QStringList blocks;
    int pieces = 0;
    for (QTextBlock block = Box.document()->lastBlock(); block.isValid() && pieces <= Count;
         block = block.previous()) {
        blocks.prepend(block.text());
        pieces += 1 + int(block.text().count(QChar::LineSeparator));
    }
    QStringList lines = blocks.join(QChar::LineSeparator).split(QChar::LineSeparator);
    if (lines.back().isEmpty())
        lines.removeLast();
    return lines.mid(std::max<qsizetype>(0, lines.size() - Count));
}

void TFormStampMain::CreatePanel()
{
    PanelEnvelope = new QFrame(this);
    PanelEnvelope->setObjectName(QStringLiteral("PanelEnvelope"));
    PanelEnvelope->setFrameShape(QFrame::Panel);
    PanelEnvelope->setFrameShadow(QFrame::Sunken);
    PanelEnvelope->setLineWidth(kBevelWidth);
    PanelEnvelope->setAutoFillBackground(true);
    PanelEnvelope->setCursor(Qt::ForbiddenCursor);
    PanelEnvelope->setMinimumSize(1, 1);
    PanelEnvelope->installEventFilter(this);
    ImageReturnAddress = new QLabel(PanelEnvelope);
    ImageReturnAddress->setObjectName(QStringLiteral("ImageReturnAddress"));
    ImageReturnAddress->setToolTip(QStringLiteral("Graphic (double click to change)"));
    ImageReturnAddress->setScaledContents(true);
    ImageReturnAddress->setFixedSize(78, 78);
    ImageReturnAddress->move(kBevelWidth + kBorderWidth, kBevelWidth + kBorderWidth);
    ImageReturnAddress->installEventFilter(this);
    ImageReturnAddress->hide();
    ImageZipBarCode = new QLabel(PanelEnvelope);
    ImageZipBarCode->setObjectName(QStringLiteral("ImageZipBarCode"));
    ImageZipBarCode->setToolTip(QStringLiteral("Postnet Bar Code"));
    ImageZipBarCode->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ImageZipBarCode->setGeometry(QRect(QPoint(102, 0), kBarCodeSize));
    ImageStamp = new QLabel(PanelEnvelope);
    ImageStamp->setObjectName(QStringLiteral("ImageStamp"));
    ImageStamp->setFixedSize(65, 65);
    ImageStamp->setAlignment(Qt::AlignCenter);
    ImageFacingMark = new QLabel(PanelEnvelope);
    ImageFacingMark->setObjectName(QStringLiteral("ImageFacingMark"));
    ImageFacingMark->setToolTip(
        QStringLiteral("These bars indicate that a Postnet barcode is printed on the envelope."));
    ImageFacingMark->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ImageFacingMark->setFixedSize(kFacingMarkSize);

    const auto box = [this](const QString &name, const QString &hint, int pixelHeight) {
        auto *edit = new RichEdit(PanelEnvelope);
        edit->setObjectName(name);
        edit->setToolTip(hint);
        edit->setLineWrapMode(QTextEdit::NoWrap);
        edit->viewport()->setCursor(Qt::IBeamCursor);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(pixelHeight);
        edit->setFont(font);
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        edit->installEventFilter(this);
        edit->viewport()->installEventFilter(this);
        return edit;
    };
    RichEditReturn =
        box(QStringLiteral("RichEditReturn"), QStringLiteral("Return Address (right click for options)"), 15);
    RichEditReturn->setReadOnly(true);
    RichEditReturn->setFocusPolicy(Qt::ClickFocus);
    RichEditReturn->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    RichEditDestination = box(QStringLiteral("RichEditDestination"),
                              QStringLiteral("Destination Address (right click for options)"), 16);
    RichEditDestination->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEditDestination->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEditAttention = box(QStringLiteral("RichEditAttention"),
                            QStringLiteral("Attention Line (right click for options)"), 15);
    RichEditAttention->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEditAttention->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEditAttention->setFixedHeight(30);
    ConnectGuarded(RichEditDestination, &QTextEdit::textChanged, this,
                   &TFormStampMain::RichEditDestinationChange);
    ConnectGuarded(RichEditAttention, &QTextEdit::textChanged, this, &TFormStampMain::UpdateMenu);
    for (RichEdit *edit : {RichEditReturn, RichEditDestination, RichEditAttention}) {
        // The style buttons and the font boxes follow the caret.
        ConnectGuarded(edit, &QTextEdit::cursorPositionChanged, this, &TFormStampMain::UpdateMenu);
        ConnectGuarded(edit, &QWidget::customContextMenuRequested, this,
                       [this, edit](const QPoint &at) { PopupMenuEnvelope->popup(edit->mapToGlobal(at)); });
    }
    setCentralWidget(PanelEnvelope);
}

void TFormStampMain::FormResize()
{
    // Resizes while the window is being built wait for the first whole layout.
    if (!RichEditAttention || !ImageZipBarCode)
        return;
    Resizing = true;
    TEnvelopeLayoutInput in;
    in.Width = PanelEnvelope->width();
    in.Height = PanelEnvelope->height();
    in.BevelWidth = kBevelWidth;
    in.BorderWidth = kBorderWidth;
    in.PrintBarCode = Prefs().PrintBarCode;
    in.ReturnImageVisible = !ImageReturnAddress->isHidden();
    in.ReturnImageWidth = ImageReturnAddress->width();
    in.StampSize = ImageStamp->size();
    in.FacingMarkSize = ImageFacingMark->size();
    in.AttentionHeight = RichEditAttention->height();
    in.BarCode = ImageZipBarCode->geometry();
    const TEnvelopeLayout layout = EnvelopeLayout(in);
    RichEditDestination->setGeometry(layout.Destination);
    ImageStamp->move(layout.Stamp.topLeft());
    ImageFacingMark->move(layout.FacingMark.topLeft());
    RichEditAttention->setGeometry(layout.Attention);
    RichEditReturn->setGeometry(layout.Return);
    ImageZipBarCode->setGeometry(layout.BarCode);
    for (QWidget *w : {static_cast<QWidget *>(RichEditDestination), static_cast<QWidget *>(RichEditReturn),
                       static_cast<QWidget *>(RichEditAttention), static_cast<QWidget *>(ImageZipBarCode),
                       static_cast<QWidget *>(ImageFacingMark)})
        w->show();
    Resizing = false;
    ApplyPaperWidths();
    for (RichEdit *edit : {RichEditReturn, RichEditDestination, RichEditAttention})
        edit->viewport()->update();
}

void TFormStampMain::ApplyPaperWidths()
{
    const TEnvelopeData *envelope = m_definitions.CurrentEnvelope();
    TZambPrinter *printer = PrinterInstance();
    TTextWidths widths;
    if (envelope && printer && printer->GetLogPixelsX() > 0)
        widths = TextWidths(*envelope, m_returnAddresses.CurrentReturnAddress(), printer->GetPageWidthTwips(),
                            printer->GetLogPixelsX());
    RichEditDestination->SetPaperWidth(widths.Destination);
    RichEditAttention->SetPaperWidth(widths.Attention);
    RichEditReturn->SetPaperWidth(widths.Return);
}

void TFormStampMain::RichEditDestinationChange()
{
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    const TPostnetPreview preview =
        PostnetPreview(LastLines(*RichEditDestination, 2), Prefs().PrintBarCode, Prefs().FacingMark,
                       PanelEnvelope->palette().color(QPalette::Window), kBarCodeSize, kFacingMarkSize, dpi);
    ImageZipBarCode->setPixmap(QPixmap::fromImage(preview.BarCode));
    ImageFacingMark->setPixmap(QPixmap::fromImage(preview.FacingMark));
    if (preview.Drawn)
        ImageZipBarCode->setToolTip(PostnetHint(preview.Digits));
    UpdateMenu();
}

void TFormStampMain::ApplyEnvelopeColor()
{
    QPalette pal = PanelEnvelope->palette();
    pal.setColor(QPalette::Window, ColorFromWindows(Prefs().EnvelopeColor));
    PanelEnvelope->setPalette(pal);
}

void TFormStampMain::SetStampPicture(QPixmap &Bitmap) const
{
    const QPixmap stamp = StampPicture(std::max(0, Prefs().StampPrice - 37));
    if (!stamp.isNull())
        Bitmap = stamp;
}

void TFormStampMain::UpdateStampImage()
{
    QPixmap stamp = ImageStamp->pixmap();
    SetStampPicture(stamp);
    ImageStamp->setPixmap(stamp);
    ImageStamp->update();
}
