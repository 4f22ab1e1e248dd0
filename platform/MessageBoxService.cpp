#include "platform/MessageBoxService.h"

#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace {

class BoxMessageService : public TMessageService
{
public:
    int MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons,
                   int helpContext) override;
};

struct ButtonMap
{
    TMsgDlgBtn button;
    QMessageBox::StandardButton standard;
    TModalResult result;
};

// clang-format off
const ButtonMap buttonMap[] = {
    {mbYes, QMessageBox::Yes, mrYes},          {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},             {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore}, {mbAll, QMessageBox::YesToAll, mrAll},
    {mbHelp, QMessageBox::Help, mrNone},
};
// clang-format on

int BoxMessageService::MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons,
                                  int helpContext)
{
    QMessageBox box(QApplication::activeWindow());
    switch (type) {
    case TMsgDlgType::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QObject::tr("Warning"));
        break;
    case TMsgDlgType::Error:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(QObject::tr("Error"));
        break;
    case TMsgDlgType::Information:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(QObject::tr("Information"));
        break;
    case TMsgDlgType::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(QObject::tr("Confirm"));
        break;
    case TMsgDlgType::Custom: box.setWindowTitle(QApplication::applicationName()); break;
    }
    box.setText(message);
    box.setProperty("helpContext", helpContext);
    QMessageBox::StandardButtons standard;
    for (const ButtonMap &entry : buttonMap) {
        if (buttons & entry.button)
            standard |= entry.standard;
    }
    if (standard == QMessageBox::NoButton)
        standard = QMessageBox::Ok;
    box.setStandardButtons(standard);
    // Help shows the message's topic and leaves the question open.
    if (QAbstractButton *help = box.button(QMessageBox::Help)) {
        QObject::disconnect(help, &QAbstractButton::clicked, nullptr, nullptr);
        ConnectGuarded(help, &QAbstractButton::clicked, &box,
                       [helpContext] { HelpService().WinHelp(HELP_CONTEXT, helpContext); });
    }
    // Escape closes a box that only informs, as it closes one that asks.
    if ((standard & QMessageBox::Ok) && !(standard & (QMessageBox::Cancel | QMessageBox::No)))
        box.setEscapeButton(QMessageBox::Ok);
    const auto clicked = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const ButtonMap &entry : buttonMap) {
        if (entry.standard == clicked)
            return entry.result;
    }
    // Closing the box counts as Cancel when there is one, else as the only answer.
    return (buttons & mbCancel) ? mrCancel : mrOk;
}

} // namespace

TMessageService &MessageBoxService()
{
    static BoxMessageService boxes;
    return boxes;
}
