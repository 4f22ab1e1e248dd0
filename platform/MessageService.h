#pragma once

#include <QString>

class QWidget;

// Message boxes go through one replaceable service so that tests can answer
// them and nothing below the windows calls a dialog directly.

enum class TMsgDlgType { Warning, Error, Information, Confirmation, Custom };

enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbHelp = 1u << 8,
};
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

// Modal results, as the windows report them.
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
};

class TMessageService
{
public:
    virtual ~TMessageService() = default;
    virtual int MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons,
                           int helpContext) = 0;
};

// The service in use: the one installed, else the default (the program's message
// boxes), else standard error with the answer of a closed box.
TMessageService &MessageService();
// The service installed, or nullptr while the default serves.
TMessageService *InstalledMessageService();
// Installs a service (not owned); nullptr restores the default.
void SetMessageService(TMessageService *service);
// Sets the default service (not owned); the application object sets the message boxes.
void SetDefaultMessageService(TMessageService *service);

inline int MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0)
{
    return MessageService().MessageDlg(message, type, buttons, helpContext);
}
