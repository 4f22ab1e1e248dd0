#pragma once

#include <QString>

class QWidget;

// Help requests with numeric contexts. The program's help is a folder of
// pages beside the program ("help/index.html", context pages "help/<n>.html");
// without it the user is told that no help is installed. Tests install their
// own service to record the calls.

// HELP_COMMAND runs the help's search; pages are searched in the browser.
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
