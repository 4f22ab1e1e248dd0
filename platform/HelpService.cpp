#include "platform/HelpService.h"

#include "platform/GuardedSlot.h"
#include "platform/HelpTopics.h"
#include "platform/MessageService.h"
#include "platform/ProgramFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QVariant>
#include <QWidget>

#include <cstdio>

namespace {

// The help window runs as a program of its own (plikora-help beside the program) and is
// told each request on its standard input.
class ViewerHelpService : public THelpService
{
public:
    bool WinHelp(int command, int data) override
    {
        if (command == HELP_QUIT) {
            if (m_viewer)
                m_viewer->closeWriteChannel();
            return true;
        }
        QByteArray request;
        if (command == HELP_COMMAND) {
            request = "search";
        } else {
            QString topic = command == HELP_CONTEXT && data != 0 ? HelpTopicOf(data) : QString();
            if (topic.isEmpty()) {
                if (command == HELP_CONTEXT && data != 0)
                    std::fprintf(stderr, "plikora: no help topic for context %d\n", data);
                topic = QString::fromLatin1(kHelpContentsPage);
            }
            request = "topic " + topic.toUtf8();
        }
        if (!startViewer())
            return false;
        m_viewer->write(request + '\n');
        return true;
    }

private:
    bool startViewer()
    {
        if (m_viewer && m_viewer->state() == QProcess::Running)
            return true;
        delete m_viewer;
        const QString viewer =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plikora-help"));
        const QString helpFile = ProgramDataFile(QStringLiteral("help/plikora.qch"));
        QString missing;
        if (!QFileInfo(viewer).isExecutable())
            missing = viewer;
        else if (!QFileInfo(helpFile).isFile())
            missing = helpFile;
        if (missing.isEmpty()) {
            m_viewer = new QProcess(qApp);
            m_viewer->setProcessChannelMode(QProcess::ForwardedChannels);
            // A help window that fails (a damaged help file can crash Qt's help
            // reader) leaves the request unanswered: said, rather than nothing.
            // Exit code 1 is a failure the help window has shown itself.
            QObject::connect(m_viewer, &QProcess::finished, qApp,
                             [helpFile](int code, QProcess::ExitStatus status) {
                                 if ((status == QProcess::NormalExit && (code == 0 || code == 1))
                                     || QCoreApplication::closingDown())
                                     return;
                                 MessageDlg(QStringLiteral("The help cannot be shown: the help window ended "
                                                           "unexpectedly while reading \"%1\", which may be "
                                                           "damaged. Install %2 again to get its help.")
                                                .arg(helpFile, QApplication::applicationName()),
                                            TMsgDlgType::Error, mbOK, 0);
                             });
            m_viewer->start(viewer, {helpFile});
            if (m_viewer->waitForStarted())
                return true;
            missing = viewer;
        }
        MessageDlg(QStringLiteral("The help of %1 is not installed completely: \"%2\" cannot be used. "
                                  "Install %1 again to get its help.")
                       .arg(QApplication::applicationName(), missing),
                   TMsgDlgType::Error, mbOK, 0);
        return false;
    }

    QPointer<QProcess> m_viewer;
};

THelpService *installed = nullptr;

} // namespace

THelpService &HelpService()
{
    static ViewerHelpService viewer;
    return installed ? *installed : viewer;
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

void ConnectHelpButton(QAbstractButton *button, QWidget *window)
{
    button->setFocusPolicy(Qt::TabFocus);
    ConnectGuarded(button, &QAbstractButton::clicked, window, [window] { ShowHelpFor(window); });
}
