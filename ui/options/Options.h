#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TColorBox;

// A group of radio buttons chosen by item index.
class TRadioGroup : public QGroupBox
{
public:
    TRadioGroup(const QString &Title, const QStringList &Items, QWidget *parent);
    // -1 when none is chosen.
    int ItemIndex() const;
    void SetItemIndex(int Index);
    QRadioButton *Item(int Index) const { return m_items.at(Index); }

private:
    QList<QRadioButton *> m_items;
};

// The stored values of the dialog's radio groups and price list, and back.
int BarCodeFromItem(int Item);
int ItemFromBarCode(int BarCode);
int MeasureFromItem(int Item);
int ItemFromMeasure(int Measure);

// "Plikora Options": the preferences of section "Options". Each run loads the
// controls from the preferences in use; OK stores every key and changes them.
class TDlgOptions : public QDialog
{
public:
    explicit TDlgOptions(QWidget *parent = nullptr);

    // True when the user chose OK.
    bool ExecuteOptions();
    // The controls from the preferences, and back (ExecuteOptions without the showing).
    void LoadFrom();
    void ApplyTo();
    // Defaults for the page that is showing.
    void RestoreDefaults();

    qint32 SelectedColor() const;
    void SetSelectedColor(qint32 Color);

    QTabWidget *PageControl = nullptr;
    QWidget *TabSheetSettings = nullptr;
    QWidget *TabSheetFileLocations = nullptr;
    QCheckBox *CheckBoxShowHints = nullptr;
    QCheckBox *CheckBoxShowBorders = nullptr;
    QCheckBox *CheckBoxShowFonts = nullptr;
    QCheckBox *CheckBoxPostalMargins = nullptr;
    QCheckBox *CheckBoxConvertTabs = nullptr;
    TRadioGroup *RadioGroupBarCode = nullptr;
    QCheckBox *CheckBoxFacingMark = nullptr;
    QCheckBox *CheckBoxClearAttention = nullptr;
    QCheckBox *CheckBoxSaveAttention = nullptr;
    QCheckBox *CheckBoxRememberReturnAddress = nullptr;
    QCheckBox *CheckBoxRememberEnvelope = nullptr;
    TColorBox *ColorBoxEnvelope = nullptr;
    TRadioGroup *RadioGroupMeasure = nullptr;
    QComboBox *ComboBoxStampPrice = nullptr;
    QLineEdit *EditDefaultEnvelopePath = nullptr;
    QLineEdit *EditGraphicEditor = nullptr;
    QLineEdit *EditFavoritesPath = nullptr;
    QLineEdit *EditClipArtPath = nullptr;
    QPushButton *ButtonBrowseEnvelopePath = nullptr;
    QPushButton *ButtonBrowseGraphicEditor = nullptr;
    QPushButton *ButtonBrowseFavorites = nullptr;
    QPushButton *ButtonBrowseClipArt = nullptr;
    QPushButton *ButtonOK = nullptr;
    QPushButton *ButtonCancel = nullptr;
    QPushButton *ButtonHelp = nullptr;
    QPushButton *ButtonDefaults = nullptr;

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void BrowseOptionsFolder(QLineEdit *Edit);
    void BrowseGraphicEditor();
    void Browse(QLineEdit *Edit);
};

TDlgOptions *GetOptionsDialog();
// Frees the dialog (shutdown and tests).
void FreeOptionsDialog();
