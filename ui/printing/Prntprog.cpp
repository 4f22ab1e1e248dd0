#include "ui/printing/Prntprog.h"

#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
TFormPrintStatus *printStatusForm = nullptr;
}

TFormPrintStatus::TFormPrintStatus(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    // It hides a moment after a job: open or not, it never keeps the program
    // running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    const QString title = QApplication::applicationName();
    setWindowTitle(title);
    resize(332, 202);

    GroupBoxStatic = new QGroupBox(title + QStringLiteral(" is printing..."), this);
    MemoAddress = new QPlainTextEdit(GroupBoxStatic);
    MemoAddress->setReadOnly(true);
    MemoAddress->setFocusPolicy(Qt::NoFocus);
    auto *staticLayout = new QVBoxLayout(GroupBoxStatic);
    staticLayout->addWidget(MemoAddress);

    GroupBoxProgress = new QGroupBox(QStringLiteral("Copy X of Envelope X"), this);
    ProgressBar = new QProgressBar(GroupBoxProgress);
    ProgressBar->setTextVisible(false);
    auto *progressLayout = new QVBoxLayout(GroupBoxProgress);
    progressLayout->addWidget(ProgressBar);

    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    ConnectGuarded(CancelBtn, &QPushButton::clicked, this, &TFormPrintStatus::CancelBtnClick);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBoxStatic, 1);
    layout->addWidget(GroupBoxProgress);
    layout->addLayout(buttons);

    TimerDelay = new QTimer(this);
    TimerDelay->setInterval(1000);
    ConnectGuarded(TimerDelay, &QTimer::timeout, this, &TFormPrintStatus::TimerDelayTimer);
}

void TFormPrintStatus::StepIt()
{
    ProgressBar->setValue(ProgressBar->value() + 1);
}

void TFormPrintStatus::Prepare()
{
    TimerDelay->stop();
    hide();
}

void TFormPrintStatus::Started(int Pages)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_busy = true;
    ProgressBar->setMaximum(Pages);
    ProgressBar->setValue(0);
    m_pagesDone = 0;
    m_copy = m_envelope = 1;
    GroupBoxProgress->setTitle(QStringLiteral("Copy %1 of Envelope %2").arg(1).arg(1));
    m_shown.start();
    m_pumped.invalidate();
    Continue = true;
    show();
}

void TFormPrintStatus::AddressStarted(const QStringList &AddressLines, const QString &PrinterName)
{
    m_addressLines = AddressLines;
    m_printerName = PrinterName;
    m_addressChanged = true;
    ShowProgressNowAndThen();
}

void TFormPrintStatus::CopyStarted(int Copy, int Envelope)
{
    m_copy = Copy;
    m_envelope = Envelope;
    ShowProgressNowAndThen();
}

void TFormPrintStatus::PageDone()
{
    ++m_pagesDone;
    ShowProgressNowAndThen();
    // Lets Cancel be clicked before the next page starts; often enough to answer at once.
    if (!m_pumped.isValid() || m_pumped.elapsed() >= 50) {
        QApplication::processEvents();
        m_pumped.restart();
    }
}

void TFormPrintStatus::ShowProgressNowAndThen()
{
    // The first envelope shows as it starts and ends; then at most ten times a second.
    if (m_pagesDone <= 1 || m_shown.elapsed() >= 100)
        ShowProgress();
}

void TFormPrintStatus::ShowProgress()
{
    if (m_addressChanged) {
        MemoAddress->setPlainText(m_addressLines.join(QLatin1Char('\n')));
        GroupBoxStatic->setTitle(QStringLiteral("Plikora is printing to %1...").arg(m_printerName));
        m_addressChanged = false;
    }
    GroupBoxProgress->setTitle(QStringLiteral("Copy %1 of Envelope %2").arg(m_copy).arg(m_envelope));
    ProgressBar->setValue(m_pagesDone);
    m_shown.restart();
}

void TFormPrintStatus::Finished(bool Normally)
{
    if (!m_busy)
        return;
    if (Normally) {
        ShowProgress();
        TimerDelay->start();
    } else {
        TimerDelay->stop();
        hide();
    }
    QApplication::restoreOverrideCursor();
    m_busy = false;
}

void TFormPrintStatus::CancelBtnClick()
{
    Continue = false;
}

void TFormPrintStatus::TimerDelayTimer()
{
    hide();
    TimerDelay->stop();
}

void TFormPrintStatus::keyPressEvent(QKeyEvent *event)
{
    // Escape cancels the job, as the Cancel button does, without closing the window.
    if (event->key() == Qt::Key_Escape) {
        CancelBtnClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormPrintStatus::closeEvent(QCloseEvent *event)
{
    // A job that has ended only leaves the window up for a moment: it closes, so
    // that quitting the program (which closes every window) is not refused.
    if (TimerDelay->isActive() || !isVisible()) {
        TimerDelay->stop();
        QDialog::closeEvent(event);
        return;
    }
    // Closing the window while a job runs means stop, not lose the window.
    Continue = false;
    event->ignore();
}

TFormPrintStatus *GetPrintStatusForm()
{
    if (!printStatusForm)
        printStatusForm = new TFormPrintStatus;
    return printStatusForm;
}

void FreePrintStatusForm()
{
    delete printStatusForm;
    printStatusForm = nullptr;
}
