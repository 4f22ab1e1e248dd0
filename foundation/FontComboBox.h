#pragma once

// A drop-down list of the installed font families, each shown either as plain
// text or written in its own face.

#include <QComboBox>
#include <QStyledItemDelegate>

enum TShowStyle { ssFontName, ssFontSample };

// Draws each item in the face it names, at 10 points.
class TFontSampleDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static QFont SampleFont(const QString &Family);
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

class TFontComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TFontComboBox(QWidget *parent = nullptr);

    void LoadFonts();

    QString FontName() const;
    // Selects Name, found without regard to case; a name not listed clears the selection.
    void SetFontName(const QString &Name);
    // The face of a text: Name, or the installed face that stands in for it when it is not listed.
    void ShowFace(const QString &Name);

    TShowStyle ShowStyle() const { return m_showStyle; }
    void SetShowStyle(TShowStyle Value);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TShowStyle m_showStyle = ssFontName;
    QAbstractItemDelegate *m_plainDelegate = nullptr;
    TFontSampleDelegate *m_sampleDelegate = nullptr;
};
