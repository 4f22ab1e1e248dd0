// The find dialog and the search it runs in the destination box.
#include "ui/main/FindDialog.h"

#include "foundation/QmWindows.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"
#include "ui/main/MainForm.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFindDialog::TFindDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Find"));
    SetHelpContext(this, 20161);
    auto *label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    FindEdit = new QLineEdit(this);
    label->setBuddy(FindEdit);
    CheckBoxWholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    CheckBoxMatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    auto *buttons = new QDialogButtonBox(Qt::Vertical, this);
    QPushButton *find = buttons->addButton(QStringLiteral("&Find Next"), QDialogButtonBox::ActionRole);
    find->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    buttons->addButton(QDialogButtonBox::Help);
    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(FindEdit, 0, 1);
    grid->addWidget(CheckBoxWholeWord, 1, 0, 1, 2);
    grid->addWidget(CheckBoxMatchCase, 2, 0, 1, 2);
    grid->addWidget(buttons, 0, 2, 3, 1);
    ConnectGuarded(find, &QPushButton::clicked, this, [this] { emit findNext(); });
    ConnectGuarded(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ConnectGuarded(buttons, &QDialogButtonBox::helpRequested, this,
                   [] { HelpService().WinHelp(HELP_CONTEXT, 20161); });
    const auto enable = [find, this] { find->setEnabled(!FindEdit->text().isEmpty()); };
    ConnectGuarded(FindEdit, &QLineEdit::textChanged, this, enable);
    enable();
}

QString TFindDialog::FindText() const
{
    return FindEdit->text();
}

void TFindDialog::SetFindText(const QString &Text)
{
    FindEdit->setText(Text);
}

bool TFindDialog::MatchCase() const
{
    return CheckBoxMatchCase->isChecked();
}

bool TFindDialog::WholeWord() const
{
    return CheckBoxWholeWord->isChecked();
}

void TFindDialog::hideEvent(QHideEvent *Event)
{
    QDialog::hideEvent(Event);
    emit closed();
}

void TFormStampMain::ActionEditFindExecute()
{
    if (!m_findDialog) {
        m_findDialog = new TFindDialog(this);
        ConnectGuarded(m_findDialog, &TFindDialog::findNext, this, [this] { FindDialogFind(); });
        ConnectGuarded(m_findDialog, &TFindDialog::closed, this,
                       [this] { SaveDialogPosition(m_findDialog, QStringLiteral("FindDialog")); });
    }
    m_findDialog->adjustSize();
    m_findDialog->move(RichEditDestination->mapToGlobal(QPoint(0, RichEditDestination->height())));
    LoadDialogPosition(m_findDialog, QStringLiteral("FindDialog"));
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
}

bool TFormStampMain::FindDialogFind()
{
    if (!m_findDialog)
        return false;
    const QString text = m_findDialog->FindText();
    if (text.isEmpty())
        return false;
    const unsigned options = (m_findDialog->MatchCase() ? unsigned(RichEdit::stMatchCase) : 0u)
                             | (m_findDialog->WholeWord() ? unsigned(RichEdit::stWholeWord) : 0u);
    RichEdit &box = *RichEditDestination;
    const int selStart = box.SelStart();
    const int selLength = box.SelLength();
    const int from = selStart + selLength;
    const int total = box.TextLength();
    int found = box.FindText(text, from, total - from, options);
    if (found < 0)
        found = box.FindText(text, 0, total, options);
    if (found < 0) {
        MessageDlg(QStringLiteral("Text \"%1\" not found.").arg(text), TMsgDlgType::Information, mbOK, 20059);
        return false;
    }
    box.setFocus();
    box.SetSelStart(found);
    box.SetSelLength(int(text.size()));
    // Only the match that was selected already is not found again.
    if (selLength > 0 && found == selStart && selLength == int(text.size()))
        MessageDlg(QStringLiteral("Text \"%1\" not found again.").arg(text), TMsgDlgType::Information, mbOK,
                   20059);
    return true;
}
