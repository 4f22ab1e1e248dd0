#pragma once

#include <QString>
#include <QStringList>

// Open and save dialogs go through one replaceable service so that tests can
// answer them.

enum class TFileDialogKind { Open, Save };

struct TFileDialogRequest
{
    TFileDialogKind Kind = TFileDialogKind::Open;
    QString Title;
    // "Description|pattern|Description|pattern", patterns separated by ";".
    QString Filter;
    // Without the dot ("ENV"); the dialog starts on the filter of this extension. A name
    // typed without an extension gets the chosen filter's, else this one.
    QString DefaultExt;
    QString InitialDir;
    QString FileName;
    QStringList History;
    bool OverwritePrompt = false;
    bool FileMustExist = false;
    // Offers the "Open as read-only" box.
    bool ShowReadOnly = false;
    int HelpContext = 0;
};

struct TFileDialogAnswer
{
    bool Accepted = false;
    QString FileName;
    bool ReadOnly = false;
    // The filter chosen, counted from 0; -1 when not known.
    int FilterIndex = -1;
};

class TFileDialogService
{
public:
    virtual ~TFileDialogService() = default;
    virtual TFileDialogAnswer Execute(const TFileDialogRequest &request) = 0;
};

// The service in use: the desktop's file dialogs unless one was installed.
TFileDialogService &FileDialogService();
// Installs a service (not owned); nullptr restores the file dialogs.
void SetFileDialogService(TFileDialogService *service);

// The dialog's name filters from a "Description|pattern|..." filter; each pattern
// is offered in upper and lower case, since file names here compare with case.
QStringList NameFiltersOf(const QString &filter);
// The name with DefaultExt appended when it has no extension.
QString WithDefaultExt(const QString &fileName, const QString &defaultExt);
// The extension of a filter's first pattern, lower case and without the dot; empty for
// "*.*" and for an index out of range.
QString FilterExtension(const QString &filter, int index);
// The extension a saved name gets when it has none: the chosen filter's, else the default.
QString SaveExtension(const TFileDialogRequest &request, const TFileDialogAnswer &answer);
