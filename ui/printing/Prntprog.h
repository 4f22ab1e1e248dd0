#pragma once

#include "engine/PrintProgress.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>

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
    // Shows what the job has reached; repainting for every page would cost more than the page.
    void ShowProgress();
    void ShowProgressNowAndThen();

    bool m_busy = false; // between Started and Finished: the wait cursor is set
    int m_pagesDone = 0;
    int m_copy = 1;
    int m_envelope = 1;
    QStringList m_addressLines;
    QString m_printerName;
    bool m_addressChanged = false;
    QElapsedTimer m_shown;  // since the window last showed the job's state
    QElapsedTimer m_pumped; // since events were last handled (Cancel)
};

// The one progress window, created hidden on first use.
TFormPrintStatus *GetPrintStatusForm();
// Frees it at shutdown.
void FreePrintStatusForm();
