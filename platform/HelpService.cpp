#include "platform/HelpService.h"

#include "platform/MessageService.h"
#include "platform/ProgramFiles.h"
#include "platform/UrlOpener.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>
#include <QVariant>
#include <QWidget>

namespace {

class PageHelpService : public THelpService
{
public:
    bool WinHelp(int command, int data) override
    {
        if (command == HELP_QUIT || command == HELP_COMMAND)
            return true;
        QString page;
        if (command == HELP_CONTEXT && data != 0)
            page = ProgramDataFile(QStringLiteral("help/%1.html").arg(data));
        if (page.isEmpty() || !QFileInfo::exists(page))
            page = ProgramDataFile(QStringLiteral("help/index.html"));
        if (!QFileInfo::exists(page)) {
            MessageDlg(QStringLiteral("No help is installed for %1.").arg(QApplication::applicationName()),
                       TMsgDlgType::Information, mbOK, 0);
            return false;
        }
        return UrlOpener().Open(QUrl::fromLocalFile(page).toString());
    }
};

THelpService *installed = nullptr;

} // namespace

THelpService &HelpService()
{
    static PageHelpService pages;
    return installed ? *installed : pages;
}

void SetHelpService(THelpService *service)
{
    installed = service;
}

void SetHelpContext(QWidget *widget, int context)
{
    widget->setProperty("helpContext", context);
}

int HelpContextOf(const QWidget *widget)
{
    return widget->property("helpContext").toInt();
}

bool ShowHelpFor(QWidget *window)
{
    int context = 0;
    for (QWidget *w = QApplication::focusWidget(); w && context == 0; w = w->parentWidget()) {
        context = HelpContextOf(w);
        if (w == window)
            break;
    }
    if (context == 0 && window)
        context = HelpContextOf(window);
    return HelpService().WinHelp(HELP_CONTEXT, context);
}
