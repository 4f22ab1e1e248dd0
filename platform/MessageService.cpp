#include "platform/MessageService.h"

#include <QtGlobal>

namespace {

// Without a window to show it in, the message goes to standard error and is
// answered as closing its box would be.
class StderrMessageService : public TMessageService
{
public:
    int MessageDlg(const QString &message, TMsgDlgType, TMsgDlgButtons buttons, int) override
    {
        qWarning("%s", qUtf8Printable(message));
        return (buttons & mbCancel) ? mrCancel : mrOk;
    }
};

TMessageService *installedService = nullptr;
TMessageService *defaultService = nullptr;

} // namespace

TMessageService &MessageService()
{
    static StderrMessageService toStderr;
    if (installedService)
        return *installedService;
    return defaultService ? *defaultService : toStderr;
}

TMessageService *InstalledMessageService()
{
    return installedService;
}

void SetMessageService(TMessageService *service)
{
    installedService = service;
}

void SetDefaultMessageService(TMessageService *service)
{
    defaultService = service;
}
