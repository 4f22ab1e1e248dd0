#pragma once

#include <QString>
#include <QStringList>

// The command line: what the program was asked to do when it started.
enum TCommandMode : int {
    cmNothing = 0, // nothing to do (also the automation server's switches)
    cmStart = 1,   // a plain start
    cmOpen = 2,    // open FileName
    cmPrint = 3,   // open FileName read-only, print it through the print dialog, close
};

struct TCommandLine
{
    int Mode = cmNothing;
    QString FileName;
};

// Params: the program's arguments without the program itself.
TCommandLine ParseCommandLine(const QStringList &Params);
// The running program's arguments.
TCommandLine ParseCommandLine();

// The automation server's switches, compared lower-cased.
bool IsAutomationSwitch(const QString &Param);
