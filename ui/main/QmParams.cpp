#include "ui/main/QmParams.h"

#include "platform/Application.h"

#include <QCoreApplication>
#include <QDir>

bool IsAutomationSwitch(const QString &Param)
{
    const QString p = Param.toLower();
    return p == QLatin1String("/regserver") || p == QLatin1String("/unregserver")
           || p == QLatin1String("-embedding");
}

TCommandLine ParseCommandLine(const QStringList &Params)
{
    TCommandLine result;
    if (Params.size() == 1) {
        if (!IsAutomationSwitch(Params.first())) {
            result.Mode = cmOpen;
            result.FileName = Params.first();
        }
    } else if (Params.size() == 2) {
        // The switches themselves compare with case: only these spellings count.
        static const QStringList printSwitches{"/p", "/P", "-p", "-P"};
        static const QStringList openSwitches{"/o", "/O", "-o", "-O"};
        const QString &first = Params.first();
        if (printSwitches.contains(first))
            result.Mode = cmPrint;
        else if (openSwitches.contains(first))
            result.Mode = cmOpen;
        result.FileName = Params.at(1);
    } else {
        result.Mode = cmStart;
    }
    // The title, the recent files and another instance handed the file all need the
    // name whole, wherever the program was started from.
    if (!result.FileName.isEmpty())
        result.FileName = QDir::current().absoluteFilePath(result.FileName);
    return result;
}

TCommandLine ParseCommandLine()
{
    // The program's own list keeps file names that are not UTF-8 openable.
    QStringList arguments = TApplication::Arguments();
    if (arguments.isEmpty())
        arguments = QCoreApplication::arguments();
    return ParseCommandLine(arguments.mid(1));
}
