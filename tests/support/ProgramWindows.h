#pragma once

#include <QList>
#include <QString>

class DefinitionStore;
class QWidget;
class ReturnAddressStore;
class TFormStampMain;

// Every window of the program that has a help topic, built as the program builds it, on
// settings of their own in Folder: one envelope definition on "Print to PDF" and one
// return address. For the help tests and for the pictures of the help.
class TProgramWindows
{
public:
    struct Window
    {
        QString Page; // the help page of the window, without ".html"
        QWidget *Widget;
    };

    explicit TProgramWindows(const QString &Folder);
    ~TProgramWindows();
    TProgramWindows(const TProgramWindows &) = delete;
    TProgramWindows &operator=(const TProgramWindows &) = delete;

    const QList<Window> &Windows() const { return m_windows; }

private:
    DefinitionStore *m_definitions;
    ReturnAddressStore *m_returnAddresses;
    TFormStampMain *m_form;
    QList<Window> m_windows;
};
