#pragma once

#include <QString>

class QAbstractButton;
class QWidget;

// Help requests with numeric contexts. The help window (plikora-help) shows the
// topic that platform/HelpTopics gives each context, from the help file beside the
// program ("help/plikora.qch"); when either is missing the user is told so. Tests
// install their own service to record the calls.

// HELP_CONTEXT with 0, HELP_CONTENTS and HELP_FINDER show the Contents page;
// HELP_COMMAND opens the search; HELP_QUIT closes the help window.
enum THelpCommand : int {
    HELP_CONTEXT = 1,
    HELP_QUIT = 2,
    HELP_CONTENTS = 3,
    HELP_FINDER = 11,
    HELP_COMMAND = 0x102
};

class THelpService
{
public:
    virtual ~THelpService() = default;
    // Returns true when the request was handled.
    virtual bool WinHelp(int command, int data) = 0;
};

THelpService &HelpService();
void SetHelpService(THelpService *service);

// Every window and control carries its help context in the property
// "helpContext"; 0 means none.
void SetHelpContext(QWidget *widget, int context);
int HelpContextOf(const QWidget *widget);
// The context of the widget with the focus, or of the nearest parent that has
// one, up to window; the request goes to the help service.
bool ShowHelpFor(QWidget *window);
// A window's Help button: it asks ShowHelpFor(window), and a click leaves the focus where
// it was, so that the help is the one of the control being worked with.
void ConnectHelpButton(QAbstractButton *button, QWidget *window);
