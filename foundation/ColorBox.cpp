#include "foundation/ColorBox.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace {

struct NamedColor
{
    const char *Name;
    qint32 Value;
};

constexpr NamedColor kStandard[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
};

constexpr NamedColor kEnvelopeExtras[] = {
    {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6},     {"Cream", 0xF0FBFF},
    {"Medium Gray", 0xA4A0A0}, {"Button Face", clBtnFace},
};

const QString kCustom = QStringLiteral("Custom");

QIcon Swatch(qint32 Value)
{
    QPixmap pixmap(16, 12);
    if (Value == clDefault) {
        pixmap.fill(Qt::transparent);
    } else {
        pixmap.fill(ColorFromWindows(Value));
    }
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

} // namespace

TColorBox::TColorBox(TColorList List, QWidget *parent) : QComboBox(parent)
{
    if (List == TColorList::Font)
        addItem(Swatch(clDefault), QStringLiteral("Default"), clDefault);
    for (const NamedColor &c : kStandard)
        addItem(Swatch(c.Value), QString::fromLatin1(c.Name), c.Value);
    if (List == TColorList::Envelope) {
        for (const NamedColor &c : kEnvelopeExtras)
            addItem(Swatch(c.Value), QString::fromLatin1(c.Name), c.Value);
    }
}

qint32 TColorBox::Selected() const
{
    const QVariant value = currentData();
    return value.isValid() ? qint32(value.toInt()) : clDefault;
}

void TColorBox::SetSelected(qint32 Color)
{
    const int custom = findText(kCustom);
    int index = findData(Color);
    if (index >= 0 && index != custom) {
        if (custom >= 0)
            removeItem(custom);
    } else {
        // One custom entry, whatever colours were shown before.
        index = custom;
        if (index < 0) {
            addItem(kCustom);
            index = count() - 1;
        }
        setItemIcon(index, Swatch(Color));
        setItemData(index, Color);
    }
    setCurrentIndex(index);
}

QColor ColorFromWindows(qint32 Color)
{
    const quint32 c = quint32(Color);
    if ((c & 0xFF000000u) == 0xFF000000u || (c & 0xFF000000u) == 0x80000000u) {
        // A system colour: the few the program uses, from the desktop's palette.
        const QPalette palette = QApplication::palette();
        switch (c & 0xFFu) {
        case 5: // window
            return palette.color(QPalette::Base);
        case 8: // window text
            return palette.color(QPalette::Text);
        default: // button face and the rest
            return palette.color(QPalette::Button);
        }
    }
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
