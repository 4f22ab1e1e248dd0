#include "platform/Application.h"

#include "platform/Exception.h"
#include "platform/MessageBoxService.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    SetDefaultMessageService(&MessageBoxService());
}

TApplication::~TApplication()
{
    SetDefaultMessageService(nullptr);
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        ShowException(e);
    } catch (...) {
        MessageDlg(QStringLiteral("An unexpected error occurred."), TMsgDlgType::Error, mbOK, 0);
    }
    return false;
}

void TApplication::ShowException(const std::exception &e)
{
    if (const auto *own = dynamic_cast<const Exception *>(&e))
        MessageDlg(own->Message(), TMsgDlgType::Error, mbOK, 0);
    else
        MessageDlg(QString::fromLocal8Bit(e.what()), TMsgDlgType::Error, mbOK, 0);
}
