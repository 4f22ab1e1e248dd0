#include "RichTextTestApp.h"

#include <QApplication>

void EnsureRichTextTestApp()
{
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "plikora-test";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
}
