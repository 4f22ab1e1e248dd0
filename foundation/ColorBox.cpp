#include "foundation/ColorBox.h"

#include <QPainter>
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

QIcon Swatch(qint32 Value)
{
    QPixmap pixmap(16, 12);
    if (Value == clDefault) {
        pixmap.fill(Qt::transparent);
    } else {
        const quint32 c = quint32(Value);
        pixmap.fill(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
    }
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

} // namespace

TColorBox::TColorBox(bool IncludeDefault, QWidget *parent) : QComboBox(parent)
{
    if (IncludeDefault)
        addItem(Swatch(clDefault), QStringLiteral("Default"), clDefault);
    for (const NamedColor &c : kStandard)
        addItem(Swatch(c.Value), QString::fromLatin1(c.Name), c.Value);
}

qint32 TColorBox::Selected() const
{
    const QVariant value = currentData();
    return value.isValid() ? qint32(value.toInt()) : clDefault;
}

void TColorBox::SetSelected(qint32 Color)
{
    int index = findData(Color);
    if (index < 0) {
        // One custom entry, whatever colours were shown before.
        index = findText(QStringLiteral("Custom"));
        if (index < 0) {
            addItem(QStringLiteral("Custom"));
            index = count() - 1;
        }
        setItemIcon(index, Swatch(Color));
        setItemData(index, Color);
    }
    setCurrentIndex(index);
}
