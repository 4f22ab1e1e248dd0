#include "foundation/QmWindows.h"

#include <QDataStream>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIODevice>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QToolBar>
#include <QWidget>

#include <algorithm>
#include <climits>

namespace {

QMargins FrameMarginsOf(const QWidget *W)
{
    const QRect g = W->geometry();
    const QRect f = W->frameGeometry();
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

bool IsValid(const TWindowRect &R)
{
    return R.Right > R.Left && R.Bottom > R.Top;
}

// A damaged store must not ask for a window larger than the desktop (the backing
// store of a huge window alone can exhaust memory).
TWindowRect Bounded(TWindowRect R)
{
    QSize limit(16384, 16384);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize desk = screen->virtualSize();
        if (desk.width() > 0 && desk.height() > 0)
            limit = limit.boundedTo(desk.expandedTo(QSize(640, 480)));
    }
    if (qint64(R.Right) - R.Left > limit.width())
        R.Right = int(qMin<qint64>(qint64(R.Left) + limit.width(), INT_MAX));
    if (qint64(R.Bottom) - R.Top > limit.height())
        R.Bottom = int(qMin<qint64>(qint64(R.Top) + limit.height(), INT_MAX));
    return R;
}

// A place saved on a screen that is gone, or a damaged one, would put the window
// where nobody can reach it: such a place is not applied.
bool OnSomeScreen(qint64 Left, qint64 Top, qint64 Right, qint64 Bottom)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return true;
    for (const QScreen *screen : screens) {
        const QRect a = screen->availableGeometry();
        if (Left < qint64(a.x()) + a.width() && Right > a.x() && Top < qint64(a.y()) + a.height()
            && Bottom > a.y())
            return true;
    }
    return false;
}

// Takes off the frame once the window manager has told its size, for windows
// placed before they were shown.
class FrameSizeFixer : public QObject
{
    Q_OBJECT
public:
    FrameSizeFixer(QWidget *Form, const TWindowRect &Frame) : QObject(Form), m_form(Form), m_frame(Frame)
    {
        Form->installEventFilter(this);
    }

    bool eventFilter(QObject *Watched, QEvent *Event) override
    {
        if (Watched == m_form && m_form) {
            switch (Event->type()) {
            case QEvent::Show:
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::WindowStateChange: Apply(); break;
            default: break;
            }
        }
        return false;
    }

private:
    void Apply()
    {
        const QMargins m = FrameMarginsOf(m_form);
        if (m.isNull())
            return;
        if (!(m_form->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
            const QRect client = ClientGeometryFor(m_frame, m);
            if (m_form->size() != client.size())
                m_form->resize(client.size());
        }
        m_form->removeEventFilter(this);
        deleteLater();
    }

    QPointer<QWidget> m_form;
    TWindowRect m_frame;
};

// Shows a window again where it was hidden, frame and all.
class PlaceKeeper : public QObject
{
    Q_OBJECT
public:
    explicit PlaceKeeper(QWidget *Window) : QObject(Window), m_window(Window)
    {
        Window->installEventFilter(this);
    }

    bool eventFilter(QObject *Watched, QEvent *Event) override
    {
        if (Watched != m_window || !m_window || Event->spontaneous())
            return false;
        if (Event->type() == QEvent::Hide && m_window->isWindow()) {
            m_place = m_window->frameGeometry().topLeft();
            m_known = true;
        } else if (Event->type() == QEvent::Show && m_known
                   && !(m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
            m_window->move(m_place);
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QPoint m_place;
    bool m_known = false;
};

} // namespace

void KeepPlace(QWidget *Window)
{
    for (QObject *child : Window->children()) {
        if (qobject_cast<PlaceKeeper *>(child))
            return;
    }
    new PlaceKeeper(Window);
}

namespace {

void DropFixers(QWidget *Form)
{
    // qobject_cast, unlike findChildren, does not compile for a class without Q_OBJECT.
    for (QObject *child : Form->children()) {
        if (auto *fixer = qobject_cast<FrameSizeFixer *>(child)) {
            Form->removeEventFilter(fixer);
            fixer->deleteLater();
        }
    }
}

void PlaceBounds(QWidget *W, const TWindowRect &Stored)
{
    const TWindowRect r = Bounded(Stored);
    if (W->isWindow()) {
        if (!OnSomeScreen(r.Left, r.Top, r.Right, r.Bottom))
            return;
        DropFixers(W);
        const QMargins m = FrameMarginsOf(W);
        const QRect client = ClientGeometryFor(r, m);
        W->move(r.Left, r.Top);
        W->resize(client.size());
        if (m.isNull())
            new FrameSizeFixer(W, r);
    } else {
        W->setGeometry(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    }
}

} // namespace

TWindowRect FrameRectOf(const QWidget *Widget)
{
    const QRect f = Widget->isWindow() ? Widget->frameGeometry() : Widget->geometry();
    // A widget placed at the edge of the numbers still ends inside them.
    const auto end = [](int start, qint64 size) {
        return int(qMin<qint64>(start + qMax<qint64>(size, 0), INT_MAX));
    };
    return TWindowRect{f.x(), f.y(), end(f.x(), qint64(f.right()) - f.left() + 1),
                       end(f.y(), qint64(f.bottom()) - f.top() + 1)};
}

QRect ClientGeometryFor(const TWindowRect &Frame, const QMargins &FrameMargins)
{
    const int w = Frame.Right - Frame.Left - FrameMargins.left() - FrameMargins.right();
    const int h = Frame.Bottom - Frame.Top - FrameMargins.top() - FrameMargins.bottom();
    return QRect(Frame.Left + FrameMargins.left(), Frame.Top + FrameMargins.top(), qMax(1, w), qMax(1, h));
}

void LoadFormPlacement(QWidget *Form, const QString &Section)
{
    if (!Form)
        return;
    const TWindowRect current = FrameRectOf(Form);
    TWindowRect r = current;
    bool minimized = false;
    bool maximized = false;
    if (RegIni)
        RegIni->ReadWindowPlacement(Section, r, minimized, maximized);
    if (IsValid(r) && !(r == current))
        PlaceBounds(Form, r);
    if (minimized)
        Form->setWindowState(Qt::WindowMinimized);
    if (maximized)
        Form->setWindowState(Qt::WindowMaximized);
    if (Form->isWindow())
        KeepPlace(Form);
}

void SaveFormPlacement(QWidget *Form, const QString &Section)
{
    if (!RegIni || !Form)
        return;
    DropFixers(Form);
    const Qt::WindowStates state = Form->windowState();
    RegIni->WriteWindowPlacement(Section, FrameRectOf(Form), state.testFlag(Qt::WindowMinimized),
                                 state.testFlag(Qt::WindowMaximized));
}

void LoadControlPlacement(QWidget *Control, const QString &Section)
{
    if (!RegIni || !Control)
        return;
    const TWindowRect current = FrameRectOf(Control);
    TWindowRect r = current;
    bool minimized = false;
    bool maximized = false;
    RegIni->ReadWindowPlacement(Section, r, minimized, maximized);
    if (IsValid(r) && !(r == current))
        PlaceBounds(Control, r);
    Control->setVisible(RegIni->ReadBool(Section, QStringLiteral("Visible"), true));
}

void SaveControlPlacement(QWidget *Control, const QString &Section)
{
    if (!RegIni || !Control)
        return;
    TIniUpdate update(*RegIni);
    RegIni->WriteWindowPlacement(Section, FrameRectOf(Control), false, false);
    // Hidden by the user, not merely because its window is closing.
    RegIni->WriteBool(Section, QStringLiteral("Visible"), !Control->isHidden());
    update.Commit();
}

int CaptionWidth(const QWidget *Window)
{
    // Title bars mostly use a bold face, often larger than the window's; the icon
    // and three buttons take about a line height each, with room around them.
    QFont font = Window->font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(Window->windowTitle()) * 5 / 4 + 8 * metrics.height();
}

void LoadDialogPosition(QWidget *Dialog, const QString &Section)
{
    if (!RegIni || !Dialog)
        return;
    QPoint p = Dialog->pos();
    RegIni->ReadPoint(Section, p);
    if (OnSomeScreen(p.x(), p.y(), p.x() + qint64(1), p.y() + qint64(1)))
        Dialog->move(p);
}

void SaveDialogPosition(QWidget *Dialog, const QString &Section)
{
    if (!RegIni || !Dialog)
        return;
    RegIni->WritePoint(Section, Dialog->pos());
}

void RestoreToolbarRows(QMainWindow *Window, QList<TToolbarPlace> Places)
{
    if (!Window || Places.isEmpty())
        return;
    std::stable_sort(Places.begin(), Places.end(), [](const TToolbarPlace &a, const TToolbarPlace &b) {
        return a.Rect.Top != b.Rect.Top ? a.Rect.Top < b.Rect.Top : a.Rect.Left < b.Rect.Left;
    });
    QList<QList<TToolbarPlace>> rows;
    for (const TToolbarPlace &place : Places) {
        if (rows.isEmpty() || rows.last().first().Rect.Top != place.Rect.Top)
            rows.append(QList<TToolbarPlace>());
        rows.last().append(place);
    }
    // Only the main window's saved state carries the room before a toolbar in its row, so
    // the rows are given to it in that form: its marker and version, the toolbar marker,
    // then per row the area (top) and per toolbar its name, whether shown, its left, its
    // own width (-1: its natural one) and no floating rectangle.
    QByteArray state;
    QDataStream out(&state, QIODevice::WriteOnly);
    out << qint32(0xff) << qint32(0) << quint8(0xfc) << qint32(rows.size());
    for (const QList<TToolbarPlace> &row : rows) {
        out << qint32(2) << qint32(row.size());
        for (int i = 0; i < row.size(); ++i) {
            const TToolbarPlace &place = row[i];
            const qint64 width = qint64(place.Rect.Right) - place.Rect.Left;
            // A toolbar wider than it needs, with another after it: the user dragged that one away.
            const bool ownWidth =
                i + 1 < row.size() && width > place.Bar->sizeHint().width() && width < 16384;
            out << place.Bar->objectName() << quint8(place.Visible ? 1 : 0) << qint32(place.Rect.Left)
                << qint32(ownWidth ? int(width) : -1) << quint32(0) << quint32(0);
        }
    }
    Window->restoreState(state);
    for (const TToolbarPlace &place : Places) {
        place.Bar->setVisible(place.Visible);
        // Until the window lays them out they keep the stored places, so that saving a
        // window never shown writes them back unchanged.
        if (!Window->isVisible() && IsValid(place.Rect)) {
            const TWindowRect r = Bounded(place.Rect);
            place.Bar->setGeometry(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
        }
    }
}

#include "QmWindows.moc"
