#include "foundation/FontComboBox.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QListView>
#include <QSet>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>

QFont TFontSampleDelegate::SampleFont(const QString &Family)
{
    QFont font(Family, 10);
    // Keep the named face even when Qt would rather substitute another.
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

void TFontSampleDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->font = SampleFont(index.data(Qt::DisplayRole).toString());
    option->fontMetrics = QFontMetrics(option->font);
}

TFontComboBox::TFontComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    m_plainDelegate = itemDelegate();
    m_sampleDelegate = new TFontSampleDelegate(this);
    // Hundreds of families: one row height for all keeps the list quick.
    if (auto *list = qobject_cast<QListView *>(view()))
        list->setUniformItemSizes(true);
}

void TFontComboBox::LoadFonts()
{
    // Qt names a family found at several foundries "Name [foundry]"; the list shows
    // each family once by its plain name, the name stored settings use.
    QStringList families;
    QSet<QString> seen;
    for (const QString &family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family))
            continue;
        QString name = family;
        const qsizetype foundry = name.lastIndexOf(QLatin1String(" ["));
        if (foundry > 0 && name.endsWith(QLatin1Char(']')))
            name.truncate(foundry);
        if (!seen.contains(name.toCaseFolded())) {
            seen.insert(name.toCaseFolded());
            families.append(name);
        }
    }
    // The box keeps showing the face it showed, quietly: nothing in the text changes.
    const QSignalBlocker quiet(this);
    const QString shown = FontName();
    clear();
    addItems(families);
    SetFontName(shown);
}

QString TFontComboBox::FontName() const
{
    return currentIndex() >= 0 ? itemText(currentIndex()) : QString();
}

void TFontComboBox::SetFontName(const QString &Name)
{
    setCurrentIndex(Name.isEmpty() ? -1 : findText(Name, Qt::MatchFixedString));
}

void TFontComboBox::ShowFace(const QString &Name)
{
    SetFontName(Name);
    if (!Name.isEmpty() && currentIndex() < 0)
        SetFontName(QFontInfo(QFont(Name)).family());
}

void TFontComboBox::SetShowStyle(TShowStyle Value)
{
    m_showStyle = Value;
    // Through the view, which never deletes the delegate it replaces: both are kept.
    view()->setItemDelegate(Value == ssFontSample ? static_cast<QAbstractItemDelegate *>(m_sampleDelegate)
                                                  : m_plainDelegate);
    update();
}

void TFontComboBox::paintEvent(QPaintEvent *event)
{
    if (m_showStyle != ssFontSample || currentIndex() < 0) {
        QComboBox::paintEvent(event);
        return;
    }
    // The closed box shows the chosen name in its face too.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.setFont(TFontSampleDelegate::SampleFont(option.currentText));
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
