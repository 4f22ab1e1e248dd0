#pragma once

#include <QApplication>

// The program's application object: the last net for exceptions. An exception
// that an event handler lets escape is shown to the user, and the program goes
// on. Slots are guarded on their own (GuardedSlot.h).
class TApplication : public QApplication
{
    Q_OBJECT
public:
    // Message boxes are the message service while the application lives.
    TApplication(int &argc, char **argv);
    ~TApplication() override;
    bool notify(QObject *receiver, QEvent *event) override;
};
