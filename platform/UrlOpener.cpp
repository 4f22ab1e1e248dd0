#include "platform/UrlOpener.h"

#include "platform/MessageService.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

class DesktopUrlOpener : public TUrlOpener
{
public:
    bool Open(const QString &url) override { return Open(url, {}); }
    bool Open(const QString &url, const std::function<void()> &FailedLater) override
    {
        // Local paths open as files; anything with a scheme as an address.
        QUrl target = QUrl::fromUserInput(url, QString(), QUrl::AssumeLocalFile);
        if (!target.isValid())
            return false;
        // The desktop's helper ends with an error when no program takes the page; its
        // exit status is the only word of that.
        const QString helper = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (helper.isEmpty() || !QCoreApplication::instance())
            return QDesktopServices::openUrl(target);
        auto *process = new QProcess;
        process->setProgram(helper);
        process->setArguments({target.toString(QUrl::FullyEncoded)});
        process->setStandardInputFile(QProcess::nullDevice());
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        QObject::connect(process, &QProcess::finished, process,
                         [process, FailedLater](int code, QProcess::ExitStatus status) {
                             process->deleteLater();
                             if ((code != 0 || status != QProcess::NormalExit) && FailedLater)
                                 FailedLater();
                         });
        process->start();
        if (!process->waitForStarted(5000)) {
            delete process;
            return false;
        }
        // Not a child of the application: a helper that waits on the browser it started
        // is not ended, and the browser with it, when the program closes first.
        return true;
    }
};

TUrlOpener *installedOpener = nullptr;

} // namespace

TUrlOpener &UrlOpener()
{
    static DesktopUrlOpener desktop;
    return installedOpener ? *installedOpener : desktop;
}

void SetUrlOpener(TUrlOpener *opener)
{
    installedOpener = opener;
}

void OpenOrSay(const QString &url, const QString &Failure)
{
    const auto say = [Failure] { MessageDlg(Failure, TMsgDlgType::Error, mbOK, 0); };
    if (!UrlOpener().Open(url, say))
        say();
}
