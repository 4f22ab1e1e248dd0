#pragma once

#include <QDialog>

class QGroupBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

// The small stay-on-top window shown while envelopes print: the address going
// out, which copy of which envelope, progress, and Cancel before the next page.
class TFormPrintStatus : public QDialog
{
    Q_OBJECT

public:
    explicit TFormPrintStatus(QWidget *parent = nullptr);

    QGroupBox *GroupBoxStatic;
    QPlainTextEdit *MemoAddress;
    QGroupBox *GroupBoxProgress;
    QProgressBar *ProgressBar;
    QPushButton *CancelBtn;
    QTimer *TimerDelay;

    // Cleared by Cancel; the job sets it before it starts and reads it before each page.
    bool Continue = true;

    void StepIt();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CancelBtnClick();
    void TimerDelayTimer();
};

// The one progress window, created hidden on first use.
TFormPrintStatus *GetPrintStatusForm();
// Frees it at shutdown.
void FreePrintStatusForm();
