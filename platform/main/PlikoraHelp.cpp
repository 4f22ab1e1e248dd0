// The help window as a program of its own: the program's windows are modal, and a window
// of the same program would stay blocked behind them. Requests come one a line on
// standard input ("topic print.html#copies", "search"); the end of the input closes it.
#include "platform/HelpWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <cstdio>

#include <unistd.h>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plikora Help"));
    // Closing the window only hides it: the program asks again, and ends it when it ends.
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: plikora-help HELP-FILE.qch < requests\n");
        return 2;
    }
    THelpWindow window;
    QString error;
    if (!window.Open(arguments.at(1), error)) {
        QMessageBox::critical(nullptr, QStringLiteral("Plikora Help"), error);
        return 1;
    }

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            QApplication::quit();
            return;
        }
        pending.append(buffer, got);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            if (line.startsWith(QLatin1String("topic ")))
                window.ShowTopic(line.mid(6));
            else if (line == QLatin1String("search"))
                window.ShowSearch();
        }
    });
    return QApplication::exec();
}
