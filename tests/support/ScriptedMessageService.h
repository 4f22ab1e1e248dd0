#pragma once

#include "platform/MessageService.h"

#include <QList>
#include <QString>

// Records every message box and answers with the queued results (mrOk when
// the queue is empty). Installs itself for its lifetime.
class ScriptedMessageService : public TMessageService
{
public:
    struct Shown
    {
        QString message;
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        int helpContext;
    };

    ScriptedMessageService() { SetMessageService(this); }
    ~ScriptedMessageService() override { SetMessageService(nullptr); }

    int MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) override
    {
        shown.append({message, type, buttons, helpContext});
        return answers.isEmpty() ? mrOk : answers.takeFirst();
    }

    QList<int> answers;
    QList<Shown> shown;
};
