#include "platform/Application.h"

#include "platform/GuardedSlot.h"
#include "platform/MessageBoxService.h"
#include "platform/MessageService.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    SetDefaultMessageService(&MessageBoxService());
}

TApplication::~TApplication()
{
    SetDefaultMessageService(nullptr);
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        ShowException(e);
    } catch (...) {
        MessageDlg(QStringLiteral("An unexpected error occurred."), TMsgDlgType::Error, mbOK, 0);
    }
    return false;
}
