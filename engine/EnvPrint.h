#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QToolButton;
class TAddressPrintList;

// The print dialog's options, as a print dialog's.
enum TPrintDialogOption : unsigned { poPageNums = 1u << 0, poSelection = 1u << 1, poWarning = 1u << 2 };
using TPrintDialogOptions = unsigned;

// What the Print button finds in the three boxes.
struct TPrintValuesCheck
{
    enum Result { Ok, NotAnInteger, CopiesOutOfRange, RangeOutOfBounds } Outcome = Ok;
    QString Message; // the error box's text; empty when Ok
    int Copies = 0;
    int From = 0;
    int To = 0;
};

// A whole decimal number with an optional sign, blanks around it allowed.
bool TextToInteger(const QString &Text, int &Value);
// The checks of the Print button: copies 1 to 99, then From >= MinPage and To <= MaxPage.
TPrintValuesCheck CheckPrintValues(const QString &Copies, const QString &From, const QString &To, int MinPage,
                                   int MaxPage);
// "&Selected addresses (n)", or without the count when n is 0.
QString SelectedAddressesCaption(int Count);

// "Print Envelope": copies, which addresses, the test border, and Setup.
class TDlgEnvelopePrint : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MinCopies = 1;
    static constexpr int MaxCopies = 99;

    explicit TDlgEnvelopePrint(QWidget *parent = nullptr);
    ~TDlgEnvelopePrint() override;

    int Copies = 1;
    TPrintDialogOptions Options = 0;
    int PrintRange = 0; // 0 all, 1 selection, 2 page range
    int MinPage = 1;
    int MaxPage = 1;
    int FromPage = 1;
    int ToPage = 1;
    bool TestEnvelope = false;
    bool Updating = false;
    TAddressPrintList *PrintList = nullptr;

    // What the dialog shows of the program around it: the current envelope's
    // name, whether there is a current envelope, and the envelope manager's
    // window opened by Setup.
    std::function<QString()> EnvelopeName;
    std::function<bool()> HasCurrentEnvelope;
    std::function<void()> OpenEnvelopeManager;

    QGroupBox *GroupBoxEnvelope;
    QLineEdit *EditEnvelope;
    QLineEdit *EditPrinter;
    QPushButton *SetupBtn;
    QPushButton *HelpBtn;
    QGroupBox *GroupBoxPages;
    QRadioButton *RadioButtonAll;
    QRadioButton *RadioButtonFromTo;
    QLineEdit *EditFrom;
    QLabel *LabelTo;
    QLineEdit *EditTo;
    QRadioButton *RadioButtonSelection;
    QRadioButton *RadioButtonNone;
    QGroupBox *GroupBoxCopies;
    QLineEdit *EditCopies;
    // The spin buttons beside the copies box (minimum 1).
    QToolButton *UpDownCopiesUp;
    QToolButton *UpDownCopiesDown;
    QCheckBox *CheckBoxTest;
    QGroupBox *GroupBoxList;
    QListWidget *CheckListBoxAddresses;
    QPushButton *PrintBtn;
    QPushButton *CancelBtn;

    // Fills the controls, shows the dialog modally; true on Print with values that passed.
    bool Execute();
    // Fills the controls as Execute does, without showing the dialog.
    void Prepare();
    // Reads the controls back after Print, as Execute does.
    void TakeResults();
    // The address check list from the captions.
    void SetAddressCaptions(const QStringList &Captions);
    void UpdateSelectionCount();
    void UpdateEnvelopeInfo();

    // The handlers, callable from tests.
    void PrintBtnClick();
    void SetupBtnClick();
    void RadioButtonAllClick();
    void RadioButtonNoneClick();
    void RadioButtonFromToClick();
    void EditFromToChange();
    void CheckListBoxAddressesClickCheck();

protected:
    bool event(QEvent *Event) override;

private:
    QButtonGroup *m_rangeGroup;
};

// The one print dialog, created on first use and kept until FreeEnvelopePrintDialog.
TDlgEnvelopePrint *GetEnvelopePrintDialog();
void FreeEnvelopePrintDialog();
