#pragma once

#include "engine/PrintProgress.h"

#include <QDialog>

class QGroupBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

// The small stay-on-top window shown while envelopes print: the address going
// out, which copy of which envelope, progress, and Cancel before the next page.
class TFormPrintStatus : public QDialog, public TPrintProgress
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

    // The job's progress: the window shows with a wait cursor while pages are
    // drawn and hides a moment after a normal end, at once after a failure.
    void Prepare() override;
    void Started(int Pages) override;
    void AddressStarted(const QStringList &AddressLines, const QString &PrinterName) override;
    void CopyStarted(int Copy, int Envelope) override;
    void PageDone() override;
    bool Cancelled() const override { return !Continue; }
    void Finished(bool Normally) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CancelBtnClick();
    void TimerDelayTimer();

    bool m_busy = false; // between Started and Finished: the wait cursor is set
};

// The one progress window, created hidden on first use.
TFormPrintStatus *GetPrintStatusForm();
// Frees it at shutdown.
void FreePrintStatusForm();
