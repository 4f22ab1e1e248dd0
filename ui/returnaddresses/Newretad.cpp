#include "ui/returnaddresses/Newretad.h"

#include "foundation/QmWindows.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
TDlgNewReturnAddress *dialogInstance = nullptr;
}

TDlgNewReturnAddress::TDlgNewReturnAddress(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("New Return Address"));
    auto *label = new QLabel(QStringLiteral("Description:"), this);
    m_editReturnAddress = new QLineEdit(this);
    m_editReturnAddress->setToolTip(QStringLiteral("Enter a description for the return address."));
    label->setBuddy(m_editReturnAddress);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setAutoDefault(false);
    ConnectGuarded(ok, &QPushButton::clicked, this, &QDialog::accept);
    ConnectGuarded(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ConnectGuarded(help, &QPushButton::clicked, this,
                   [this] { HelpService().WinHelp(HELP_CONTEXT, HelpContextOf(this)); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_editReturnAddress);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    SetHelpContext(this, 20071);
    SetHelpContext(m_editReturnAddress, 20072);
}

void TDlgNewReturnAddress::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_editReturnAddress->setFocus();
}

void TDlgNewReturnAddress::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // The dialog is as wide as its contents: the edit keeps room for the caption.
    if (event->type() == QEvent::WindowTitleChange && layout()) {
        const QMargins margins = layout()->contentsMargins();
        m_editReturnAddress->setMinimumWidth(CaptionWidth(this) - margins.left() - margins.right());
    }
}

TDlgNewReturnAddress *GetNewReturnAddressDialog()
{
    if (!dialogInstance)
        dialogInstance = new TDlgNewReturnAddress;
    return dialogInstance;
}

void FreeNewReturnAddressDialog()
{
    delete dialogInstance;
    dialogInstance = nullptr;
}
