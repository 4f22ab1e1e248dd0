#include "platform/GuardedSlot.h"

#include "platform/Exception.h"
#include "platform/MessageService.h"

void ShowException(const std::exception &Error)
{
    if (const auto *own = dynamic_cast<const Exception *>(&Error))
        MessageDlg(own->Message(), TMsgDlgType::Error, mbOK, 0);
    else
        MessageDlg(QString::fromLocal8Bit(Error.what()), TMsgDlgType::Error, mbOK, 0);
}

bool RunGuarded(const std::function<void()> &Work)
{
    try {
        Work();
        return true;
    } catch (const std::exception &error) {
        ShowException(error);
    }
    return false;
}
