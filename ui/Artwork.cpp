#include "ui/Artwork.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>

#include <cmath>

namespace {

// An envelope outline with its flap, inside Rect.
void DrawEnvelope(QPainter &p, const QRectF &rect, const QColor &paper, const QColor &line)
{
    p.setPen(QPen(line, std::max(1.0, rect.width() / 24)));
    p.setBrush(paper);
    p.drawRect(rect);
    QPainterPath flap;
    flap.moveTo(rect.topLeft());
    flap.lineTo(rect.center().x(), rect.top() + rect.height() * 0.55);
    flap.lineTo(rect.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

QPixmap Blank(int w, int h)
{
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QPixmap StampPicture(int Index)
{
    if (Index < 0 || Index >= StampPictureCount)
        return {};
    static const QColor colours[] = {QColor(0x1f, 0x4e, 0x9c), QColor(0xb0, 0x28, 0x2c),
                                     QColor(0x2e, 0x7d, 0x32)};
    QPixmap pixmap = Blank(64, 64);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Perforated edge: white scallops around a coloured face.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2, 2, 60, 60));
    p.setBrush(QColor(0, 0, 0, 0));
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    for (int i = 0; i <= 8; ++i) {
        const double c = 2 + i * 7.5;
        for (const QPointF &pt : {QPointF(c, 2), QPointF(c, 62), QPointF(2, c), QPointF(62, c)})
            p.drawEllipse(pt, 2.2, 2.2);
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QColor face = colours[Index];
    p.setBrush(face);
    p.drawRect(QRectF(8, 8, 48, 48));
    // A simple flag-like emblem and the price.
    p.setBrush(face.lighter(170));
    QPainterPath wave;
    wave.moveTo(14, 20);
    wave.cubicTo(24, 14, 34, 26, 50, 18);
    wave.lineTo(50, 28);
    wave.cubicTo(34, 36, 24, 24, 14, 30);
    wave.closeSubpath();
    p.drawPath(wave);
    p.setPen(Qt::white);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(8, 32, 48, 22), Qt::AlignCenter, QString::number(37 + Index));
    return pixmap;
}

QPixmap SplashLogo(int Width, int Height)
{
    QPixmap pixmap(std::max(1, Width), std::max(1, Height));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, Height);
    sky.setColorAt(0, QColor(0x12, 0x2b, 0x5c));
    sky.setColorAt(1, QColor(0x2f, 0x5f, 0xa8));
    p.fillRect(pixmap.rect(), sky);
    const double h = Height * 0.5;
    const QRectF env(Width * 0.08, Height * 0.18, h * 1.6, h);
    DrawEnvelope(p, env, QColor(0xf7, 0xf3, 0xe8), QColor(0x8a, 0x7a, 0x5a));
    const QPixmap stamp = StampPicture(0);
    p.drawPixmap(QRectF(env.right() - h * 0.42, env.top() + h * 0.06, h * 0.34, h * 0.34), stamp,
                 QRectF(stamp.rect()));
    p.setPen(Qt::white);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(8, Height / 5));
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(env.right() + Width * 0.05, env.top(), Width - env.right() - Width * 0.07, h),
               Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Plikora"));
    return pixmap;
}

namespace {

// Colours that stand apart from the buttons' enough to be seen.
constexpr double kLegible = 3.0;

// Colour, or as little of it mixed toward the palette's button text as makes it stand out.
QColor LegibleOn(const QColor &Colour, const QPalette &Palette)
{
    const QColor back = Palette.color(QPalette::Button);
    const QColor text = Palette.color(QPalette::ButtonText);
    for (int step = 0; step < 4; ++step) {
        const double t = step / 4.0;
        const QColor mixed = QColor::fromRgbF(float(Colour.redF() * (1 - t) + text.redF() * t),
                                              float(Colour.greenF() * (1 - t) + text.greenF() * t),
                                              float(Colour.blueF() * (1 - t) + text.blueF() * t));
        if (ContrastRatio(mixed, back) >= kLegible)
            return mixed;
    }
    return text;
}

// Draws the toolbar picture Name in a 24 x 24 square; false for an unknown name. What
// stands on the button itself is drawn in the palette's button text; lines on paper
// stay dark, as paper stays light.
bool DrawToolIcon(QPainter &p, const QString &Name, const QPalette &Palette)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QColor line(0x30, 0x30, 0x30);
    const QColor ink = LegibleOn(Palette.color(QPalette::ButtonText), Palette);
    const QColor paper(0xfb, 0xfb, 0xf5);
    const QColor accent(0x2f, 0x5f, 0xa8);
    const QColor accentInk = LegibleOn(accent, Palette);
    p.setPen(QPen(line, 1.2));
    if (Name == QLatin1String("new")) {
        p.setBrush(paper);
        p.drawPolygon(
            QPolygonF({QPointF(5, 2), QPointF(15, 2), QPointF(20, 7), QPointF(20, 22), QPointF(5, 22)}));
        p.drawPolyline(QPolygonF({QPointF(15, 2), QPointF(15, 7), QPointF(20, 7)}));
    } else if (Name == QLatin1String("open")) {
        p.setBrush(QColor(0xe8, 0xc0, 0x5a));
        p.drawPolygon(QPolygonF(
            {QPointF(2, 6), QPointF(9, 6), QPointF(11, 8), QPointF(21, 8), QPointF(21, 20), QPointF(2, 20)}));
    } else if (Name == QLatin1String("save")) {
        p.setBrush(accent);
        p.drawRect(QRectF(3, 3, 18, 18));
        p.setBrush(paper);
        p.drawRect(QRectF(7, 3, 10, 6));
        p.drawRect(QRectF(6, 13, 12, 8));
    } else if (Name == QLatin1String("print")) {
        p.setBrush(paper);
        p.drawRect(QRectF(7, 2, 10, 8));
        p.setBrush(QColor(0x9a, 0x9a, 0x9a));
        p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
        p.setBrush(paper);
        p.drawRect(QRectF(7, 15, 10, 7));
    } else if (Name == QLatin1String("import")) {
        DrawEnvelope(p, QRectF(2, 8, 16, 12), paper, line);
        p.setPen(QPen(accentInk, 2.2));
        p.drawLine(QPointF(20, 2), QPointF(20, 12));
        p.drawLine(QPointF(16, 8), QPointF(20, 12));
        p.drawLine(QPointF(22.5, 9.5), QPointF(20, 12));
    } else if (Name == QLatin1String("undo")) {
        p.setPen(QPen(accentInk, 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5, 6, 14, 12), 90 * 16, -220 * 16);
        p.drawLine(QPointF(12, 6), QPointF(8, 3));
        p.drawLine(QPointF(12, 6), QPointF(8, 9));
    } else if (Name == QLatin1String("cut")) {
        p.setPen(QPen(ink, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(3, 15, 6, 6));
        p.drawEllipse(QRectF(15, 15, 6, 6));
        p.drawLine(QPointF(8, 15), QPointF(17, 2));
        p.drawLine(QPointF(16, 15), QPointF(7, 2));
    } else if (Name == QLatin1String("copy")) {
        p.setBrush(paper);
        p.drawRect(QRectF(3, 3, 12, 14));
        p.drawRect(QRectF(9, 7, 12, 14));
    } else if (Name == QLatin1String("paste")) {
        p.setBrush(QColor(0xc8, 0xa0, 0x6a));
        p.drawRoundedRect(QRectF(3, 4, 15, 18), 2, 2);
        p.setBrush(paper);
        p.drawRect(QRectF(10, 9, 11, 13));
    } else if (Name == QLatin1String("returnaddresses")) {
        DrawEnvelope(p, QRectF(2, 5, 20, 14), paper, line);
        p.setPen(QPen(accent, 1.5));
        p.drawLine(QPointF(4, 8), QPointF(10, 8));
        p.drawLine(QPointF(4, 10.5), QPointF(9, 10.5));
    } else if (Name == QLatin1String("envelopes")) {
        DrawEnvelope(p, QRectF(5, 3, 17, 12), paper, line);
        DrawEnvelope(p, QRectF(2, 9, 17, 12), paper, line);
    } else if (Name == QLatin1String("help")) {
        p.setBrush(accent);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        p.setPen(Qt::white);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(15);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
    } else if (Name == QLatin1String("bold") || Name == QLatin1String("italic")
               || Name == QLatin1String("underline")) {
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPixelSize(18);
        font.setBold(Name == QLatin1String("bold"));
        font.setItalic(Name == QLatin1String("italic"));
        font.setUnderline(Name == QLatin1String("underline"));
        p.setFont(font);
        p.setPen(ink);
        p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter,
                   Name == QLatin1String("bold")     ? QStringLiteral("B")
                   : Name == QLatin1String("italic") ? QStringLiteral("I")
                                                     : QStringLiteral("U"));
    } else if (Name == QLatin1String("delete")) {
        p.setPen(QPen(LegibleOn(QColor(0xb0, 0x28, 0x2c), Palette), 3));
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
    } else if (Name == QLatin1String("find") || Name == QLatin1String("lookup")) {
        if (Name == QLatin1String("lookup"))
            DrawEnvelope(p, QRectF(2, 3, 16, 11), paper, line);
        p.setPen(QPen(ink, 2));
        p.setBrush(QColor(0xdd, 0xe8, 0xf5));
        p.drawEllipse(QRectF(8, 8, 10, 10));
        p.drawLine(QPointF(16.5, 16.5), QPointF(22, 22));
    } else if (Name == QLatin1String("pasteastext") || Name == QLatin1String("pasteasnew")) {
        p.setBrush(QColor(0xc8, 0xa0, 0x6a));
        p.drawRoundedRect(QRectF(3, 4, 15, 18), 2, 2);
        p.setBrush(paper);
        p.drawRect(QRectF(10, 9, 11, 13));
        p.setPen(QPen(accent, 1.5));
        if (Name == QLatin1String("pasteastext")) {
            for (double y : {12.5, 15.5, 18.5})
                p.drawLine(QPointF(12, y), QPointF(19, y));
        } else {
            p.drawLine(QPointF(15.5, 11), QPointF(15.5, 20));
            p.drawLine(QPointF(11, 15.5), QPointF(20, 15.5));
        }
    } else if (Name == QLatin1String("options")) {
        p.setBrush(QColor(0x90, 0x90, 0x98));
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(12, 12);
            p.rotate(i * 45);
            p.drawRect(QRectF(-2, -11, 4, 5));
            p.restore();
        }
        p.drawEllipse(QRectF(5, 5, 14, 14));
        p.setBrush(paper);
        p.drawEllipse(QRectF(9, 9, 6, 6));
    } else if (Name == QLatin1String("toolbar")) {
        p.setBrush(paper);
        p.drawRect(QRectF(2, 5, 20, 14));
        p.setBrush(accent);
        for (double x : {4.0, 10.0, 16.0})
            p.drawRect(QRectF(x, 8, 4, 4));
    } else {
        return false;
    }
    return true;
}

// Standard commands look as they do in every other program on the desktop;
// ours are drawn only where the icon theme has none.
QString ThemeIconName(const QString &Name)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("new"), QStringLiteral("document-new")},
        {QStringLiteral("open"), QStringLiteral("document-open")},
        {QStringLiteral("save"), QStringLiteral("document-save")},
        {QStringLiteral("print"), QStringLiteral("document-print")},
        {QStringLiteral("undo"), QStringLiteral("edit-undo")},
        {QStringLiteral("cut"), QStringLiteral("edit-cut")},
        {QStringLiteral("copy"), QStringLiteral("edit-copy")},
        {QStringLiteral("paste"), QStringLiteral("edit-paste")},
        {QStringLiteral("help"), QStringLiteral("help-contents")},
        {QStringLiteral("delete"), QStringLiteral("edit-delete")},
        {QStringLiteral("find"), QStringLiteral("edit-find")},
        {QStringLiteral("bold"), QStringLiteral("format-text-bold")},
        {QStringLiteral("italic"), QStringLiteral("format-text-italic")},
        {QStringLiteral("underline"), QStringLiteral("format-text-underline")},
    };
    return names.value(Name);
}

// Bold, italic, underline and find are glyphs in most themes, drawn in one colour
// for light buttons: on dark ones they vanish.
bool IsGlyph(const QString &Name)
{
    return Name == QLatin1String("bold") || Name == QLatin1String("italic")
           || Name == QLatin1String("underline") || Name == QLatin1String("find");
}

// Whether most of the icon's painted pixels stand apart from Back.
bool StandsOut(const QIcon &Icon, const QColor &Back)
{
    return LegibleShare(Icon, QIcon::Normal, Back, kLegible) >= 0.5;
}

// Paints the theme's icon or our drawing for the application palette of the moment.
class TToolIconEngine : public QIconEngine
{
public:
    TToolIconEngine(const QString &Name, const QString &ThemeName) : m_name(Name), m_themeName(ThemeName) {}

    QIconEngine *clone() const override { return new TToolIconEngine(m_name, m_themeName); }
    QString key() const override { return QStringLiteral("PlikoraToolIcon"); }
    QString iconName() override { return m_themeName; }
    QSize actualSize(const QSize &Size, QIcon::Mode, QIcon::State) override { return Size; }

    void paint(QPainter *Painter, const QRect &Rect, QIcon::Mode Mode, QIcon::State State) override
    {
        const qreal scale = Painter->device() ? Painter->device()->devicePixelRatio() : 1.0;
        QPixmap pixmap = this->pixmap((QSizeF(Rect.size()) * scale).toSize(), Mode, State);
        pixmap.setDevicePixelRatio(scale);
        Painter->drawPixmap(Rect, pixmap);
    }

    QPixmap pixmap(const QSize &Size, QIcon::Mode Mode, QIcon::State State) override
    {
        const QPalette palette = QGuiApplication::palette();
        if (!m_themeName.isEmpty() && QIcon::hasThemeIcon(m_themeName)) {
            const QIcon theme = QIcon::fromTheme(m_themeName);
            if (!IsGlyph(m_name) || ThemeGlyphStandsOut(theme, palette.color(QPalette::Button)))
                return theme.pixmap(Size, Mode, State);
        }
        QPixmap pixmap = Blank(std::max(1, Size.width()), std::max(1, Size.height()));
        {
            QPainter p(&pixmap);
            p.scale(Size.width() / 24.0, Size.height() / 24.0);
            DrawToolIcon(p, m_name, palette);
        }
        if (Mode == QIcon::Normal || Mode == QIcon::Active)
            return pixmap;
        QStyleOption option;
        option.palette = palette;
        return QApplication::style()->generatedIconPixmap(Mode, pixmap, &option);
    }

private:
    bool ThemeGlyphStandsOut(const QIcon &Theme, const QColor &Back)
    {
        const QString key = QIcon::themeName() + QLatin1Char('/') + m_themeName + QLatin1Char('/')
                            + QString::number(Back.rgba(), 16);
        if (m_standsOutKey != key) {
            m_standsOutKey = key;
            m_standsOut = StandsOut(Theme, Back);
        }
        return m_standsOut;
    }

    QString m_name;
    QString m_themeName;
    QString m_standsOutKey;
    bool m_standsOut = true;
};

} // namespace

QIcon ToolIcon(const QString &Name)
{
    QPixmap probe = Blank(24, 24);
    QPainter p(&probe);
    if (!DrawToolIcon(p, Name, QGuiApplication::palette()))
        return {};
    return QIcon(new TToolIconEngine(Name, ThemeIconName(Name)));
}

double LegibleShare(const QIcon &Icon, QIcon::Mode Mode, const QColor &Back, double Ratio)
{
    const QImage image = Icon.pixmap(24, 24, Mode).toImage().convertToFormat(QImage::Format_ARGB32);
    int painted = 0;
    int legible = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QColor c = image.pixelColor(x, y);
            if (c.alpha() < 128)
                continue;
            c.setAlpha(255);
            ++painted;
            legible += ContrastRatio(c, Back) >= Ratio ? 1 : 0;
        }
    }
    return painted ? double(legible) / painted : 0;
}

double ContrastRatio(const QColor &A, const QColor &B)
{
    const auto luminance = [](const QColor &c) {
        const auto linear = [](float v) {
            return v <= 0.03928f ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double a = luminance(A);
    const double b = luminance(B);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor InkOn(const QColor &Background)
{
    return ContrastRatio(Qt::black, Background) >= ContrastRatio(Qt::white, Background) ? QColor(Qt::black)
                                                                                        : QColor(Qt::white);
}

QIcon ProgramIcon()
{
    QPixmap pixmap = Blank(48, 48);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    DrawEnvelope(p, QRectF(3, 10, 42, 28), QColor(0xf7, 0xf3, 0xe8), QColor(0x5a, 0x4a, 0x30));
    const QPixmap stamp = StampPicture(0);
    p.drawPixmap(QRectF(31, 12, 12, 12), stamp, QRectF(stamp.rect()));
    p.end();
    return QIcon(pixmap);
}
