#pragma once

#include "platform/FileDialogService.h"

#include <QList>

// Records every open and save dialog and answers with the queued answers
// (cancelled when the queue is empty). Installs itself for its lifetime.
class ScriptedFileDialogService : public TFileDialogService
{
public:
    ScriptedFileDialogService() { SetFileDialogService(this); }
    ~ScriptedFileDialogService() override { SetFileDialogService(nullptr); }

    TFileDialogAnswer Execute(const TFileDialogRequest &request) override
    {
        requests.append(request);
        return answers.isEmpty() ? TFileDialogAnswer{} : answers.takeFirst();
    }

    static TFileDialogAnswer Choose(const QString &fileName, bool readOnly = false)
    {
        return {true, fileName, readOnly};
    }

    QList<TFileDialogAnswer> answers;
    QList<TFileDialogRequest> requests;
};
