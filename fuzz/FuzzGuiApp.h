#pragma once

#include <QGuiApplication>

#include <cstdlib>

// The one application of a fuzz target whose input is laid out or drawn, made at the first input.
inline void EnsureFuzzGuiApp()
{
    static QGuiApplication *app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    Q_UNUSED(app);
}
