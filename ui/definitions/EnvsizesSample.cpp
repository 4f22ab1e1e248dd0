#include "ui/definitions/EnvsizesSample.h"

#include "engine/DefinitionStore.h"
#include "foundation/Measurements.h"
#include "foundation/QmPrinter.h"
#include "foundation/Ruler.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "ui/Artwork.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>

namespace {

constexpr int rulerDepth = 20;

void paint(QWidget *w, const QColor &color)
{
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::WindowText, Qt::black);
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}

TSampleDistances distancesOf(const TEnvelopeData &d)
{
    return {d.ReturnLeft(),          d.ReturnTop(),      d.DestinationLeft(),
            d.DestinationBottom(),   d.AttentionLeft(),  d.AttentionBottom(),
            d.FacingMarkFromRight(), d.TriFoldFromTop(), d.TriFoldFromBottom()};
}

} // namespace

TEnvelopeSample::TEnvelopeSample(DefinitionStore &Store, QWidget *parent) : QWidget(parent), m_store(Store)
{
    m_panelRulerHorizontal = new QWidget(this);
    m_rulerHorizontal = new TRuler(m_panelRulerHorizontal);
    m_rulerVertical = new TRuler(this);
    m_rulerVertical->SetRuler(rtVertical);
    QFont small = font();
    small.setPointSize(7);
    m_rulerHorizontal->SetFont(small);
    m_rulerVertical->SetFont(small);

    m_scrollBox = new QScrollArea(this);
    m_scrollBox->setFrameShape(QFrame::NoFrame);
    auto *canvas = new QWidget;
    paint(canvas, palette().color(QPalette::Dark));
    m_panelEnvelope = new QFrame(canvas);
    m_panelEnvelope->setFrameShape(QFrame::Box);
    paint(m_panelEnvelope, palette().color(QPalette::Mid));
    SetHelpContext(m_panelEnvelope, 20114);
    m_panelUsable = new QFrame(m_panelEnvelope);
    paint(m_panelUsable, palette().color(QPalette::Window));
    m_imageStamp = new QLabel(m_panelUsable);
    m_imageStamp->setScaledContents(true);
    m_imageStamp->setPixmap(StampPicture(0));

    m_markers[int(TSampleMarker::Return)] =
        marker(QStringLiteral("Return Address"), QStringLiteral("Click and drag to move the return address"),
               {85, 27});
    m_markers[int(TSampleMarker::Destination)] =
        marker(QStringLiteral("Destination Address"),
               QStringLiteral("Click and drag to move the destination address"), {85, 27});
    m_markers[int(TSampleMarker::Attention)] =
        marker(QStringLiteral("Attention Line"), QStringLiteral("Click and drag to move the attention line"),
               {72, 27});
    m_markers[int(TSampleMarker::FacingMark)] = marker(
        QString(), QStringLiteral("Click and drag to move the facing mark (bar code next to the stamp)"),
        {10, 28});
    m_panelMove = marker(QString(), QString(), {85, 27});
    m_panelMove->setCursor(Qt::SizeAllCursor);
    m_panelMove->hide();
    m_scrollBox->setWidget(canvas);
    m_panelEnvelope->hide();
}

QLabel *TEnvelopeSample::marker(const QString &caption, const QString &hint, QSize size)
{
    auto *m = new QLabel(caption, m_panelUsable);
    m->setFrameShape(QFrame::Box);
    m->setAlignment(Qt::AlignCenter);
    m->setWordWrap(true);
    m->setToolTip(hint);
    m->setCursor(Qt::CrossCursor);
    QFont small = m->font();
    small.setPointSize(7);
    m->setFont(small);
    paint(m, Qt::white);
    m->resize(size);
    m->installEventFilter(this);
    return m;
}

int TEnvelopeSample::PixelsPerInch() const
{
    return std::max(1, logicalDpiX());
}

TSampleSheet TEnvelopeSample::sheet() const
{
    TZambPrinter &printer = *PrinterInstance();
    const TEnvelopeData *data = m_store.CurrentEnvelope();
    return {printer.GetPaperWidth(),        printer.GetPaperHeight(), printer.GetLeftMargin(),
            printer.GetTopMargin(),         printer.GetRightMargin(), printer.GetBottomMargin(),
            data && data->IsTriFoldLetter()};
}

void TEnvelopeSample::LayoutEnvelopeSample()
{
    // A layout ends any drag.
    if (m_dragging >= 0) {
        m_panelMove->releaseMouse();
        m_panelMove->hide();
        m_dragging = -1;
    }
    const TEnvelopeData *data = m_store.CurrentEnvelope();
    if (!data) {
        m_panelEnvelope->hide();
        return;
    }
    QLabel *returnMarker = Marker(TSampleMarker::Return);
    QLabel *attention = Marker(TSampleMarker::Attention);
    m_geometry =
        LayoutSample(distancesOf(*data), sheet(), PixelsPerInch(), returnMarker->size(), attention->size());
    const auto place = [](QWidget *w, const QRect &r) {
        w->setGeometry(r.x(), r.y(), std::max(0, r.width()), std::max(0, r.height()));
        w->show();
    };
    place(m_panelEnvelope, m_geometry.Envelope);
    place(m_panelUsable, m_geometry.Usable);
    place(m_imageStamp, m_geometry.Stamp);
    place(Marker(TSampleMarker::FacingMark), m_geometry.FacingMark);
    place(returnMarker, m_geometry.Return);
    place(attention, m_geometry.Attention);
    place(Marker(TSampleMarker::Destination), m_geometry.Destination);
    m_scrollBox->widget()->resize(std::max(0, m_geometry.Envelope.width()) + 1,
                                  std::max(0, m_geometry.Envelope.height()) + 1);
}

void TEnvelopeSample::SetRulerScale(int Measure)
{
    const int p = PixelsPerInch();
    int pixels = 0;
    int ticks = 0;
    if (Measure == 0) {
        pixels = p * 3 / 10;
        ticks = 4;
    } else if (Measure == 1) {
        pixels = DivMetricToInch(p) * 3 / 10;
        ticks = 1;
    } else {
        return;
    }
    for (TRuler *ruler : {m_rulerHorizontal, m_rulerVertical}) {
        ruler->SetPixelsPerUnit(pixels);
        ruler->SetTicksPerUnit(ticks);
    }
}

void TEnvelopeSample::LoadSampleStamp(const QPixmap &Stamp)
{
    // A price without a picture of its own leaves the stamp shown.
    if (Stamp.isNull())
        return;
    m_imageStamp->setPixmap(Stamp);
    m_imageStamp->update();
}

void TEnvelopeSample::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_panelRulerHorizontal->setGeometry(0, 0, width(), rulerDepth);
    m_rulerVertical->setGeometry(0, rulerDepth, rulerDepth, height() - rulerDepth);
    m_rulerHorizontal->setGeometry(rulerDepth, 0, width() - rulerDepth, rulerDepth);
    m_scrollBox->setGeometry(rulerDepth, rulerDepth, width() - rulerDepth, height() - rulerDepth);
}

void TEnvelopeSample::press(int which, const QPoint &inMarker)
{
    if (m_dragging >= 0)
        return; // a second button on the marker being dragged
    QLabel *m = m_markers[which];
    m_dragging = which;
    m_dragStart = m->pos();
    m_dragOffset = inMarker;
    m_panelMove->setGeometry(m->geometry());
    m_panelMove->setText(m->text());
    m->hide();
    m_panelMove->show();
    m_panelMove->raise();
    // The stand-in takes the mouse until the button comes up, wherever it goes.
    m_panelMove->grabMouse();
}

void TEnvelopeSample::move(const QPoint &inUsable)
{
    m_panelMove->move(inUsable - m_dragOffset);
}

void TEnvelopeSample::drop(const QPoint &inUsable)
{
    const int which = m_dragging;
    m_dragging = -1;
    m_panelMove->releaseMouse();
    m_panelMove->hide();
    const QPoint newTopLeft = inUsable - m_dragOffset;
    QLabel *m = m_markers[which];
    m->move(newTopLeft);
    m->show();
    TEnvelopeData *data = m_store.CurrentEnvelope();
    if (!data)
        return;
    const TSampleDistances d = SampleDrop(distancesOf(*data), TSampleMarker(which), newTopLeft, m_geometry,
                                          sheet(), PixelsPerInch());
    switch (TSampleMarker(which)) {
    case TSampleMarker::Return:
        data->SetReturnLeft(d.ReturnLeft);
        data->SetReturnTop(d.ReturnTop);
        break;
    case TSampleMarker::Destination:
        data->SetDestinationLeft(d.DestinationLeft);
        data->SetDestinationBottom(d.DestinationBottom);
        break;
    case TSampleMarker::Attention:
        data->SetAttentionLeft(d.AttentionLeft);
        data->SetAttentionBottom(d.AttentionBottom);
        break;
    case TSampleMarker::FacingMark: data->SetFacingMarkFromRight(d.FacingMarkFromRight); break;
    }
    if (OnDropped)
        OnDropped();
    else
        LayoutEnvelopeSample();
}

bool TEnvelopeSample::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint inUsable = m_panelUsable->mapFromGlobal(mouse->globalPosition().toPoint());
    if (type == QEvent::MouseButtonPress) {
        for (int i = 0; i < 4; ++i)
            if (watched == m_markers[i] && m_dragging < 0) {
                const int which = i;
                RunGuarded([&] { press(which, mouse->position().toPoint()); });
                return true;
            }
        return m_dragging >= 0;
    }
    if (m_dragging < 0)
        return QWidget::eventFilter(watched, event);
    if (type == QEvent::MouseMove)
        move(inUsable);
    else
        RunGuarded([&] { drop(inUsable); });
    return true;
}
