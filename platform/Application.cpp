#include "platform/Application.h"

#include "platform/FileNames.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageBoxService.h"
#include "platform/MessageService.h"

#include <QKeyEvent>
#include <QWidget>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // QApplication has taken its own options out of argv by now.
    for (int i = 0; i < argc; ++i)
        m_arguments << DecodeFileName(QByteArray(argv[i]));
    SetDefaultMessageService(&MessageBoxService());
}

QStringList TApplication::Arguments()
{
    const auto *app = qobject_cast<const TApplication *>(QCoreApplication::instance());
    return app ? app->m_arguments : QStringList();
}

TApplication::~TApplication()
{
    SetDefaultMessageService(nullptr);
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        const bool handled = QApplication::notify(receiver, event);
        // F1 that no window takes for itself opens the help of the control with the focus.
        if (event->type() == QEvent::KeyPress && !event->isAccepted()
            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1 && receiver->isWidgetType()) {
            ShowHelpFor(qobject_cast<QWidget *>(receiver)->window());
            return true;
        }
        return handled;
    } catch (const std::exception &e) {
        ShowException(e);
    } catch (...) {
        MessageDlg(QStringLiteral("An unexpected error occurred."), TMsgDlgType::Error, mbOK, 0);
    }
    return false;
}
