#pragma once

#include <QApplication>
#include <QStringList>

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

    // The program's arguments (Qt's own options taken out) with the bytes of file
    // names kept whole (FileNames.h); empty without a TApplication.
    static QStringList Arguments();

private:
    QStringList m_arguments;
};
