#pragma once

#include <QColor>
#include <QFont>

// The font dialog goes through one replaceable service so that tests can answer it.

struct TFontDialogRequest
{
    QFont Font;
    // Invalid: the automatic colour.
    QColor Color;
    // Scalable fonts only, as printing needs them.
    bool ScalableOnly = true;
    int HelpContext = 0;
};

struct TFontDialogAnswer
{
    bool Accepted = false;
    QFont Font;
    QColor Color;
};

class TFontDialogService
{
public:
    virtual ~TFontDialogService() = default;
    virtual TFontDialogAnswer Execute(const TFontDialogRequest &request) = 0;
};

// The service in use: the desktop's font dialog unless one was installed.
TFontDialogService &FontDialogService();
// Installs a service (not owned); nullptr restores the font dialog.
void SetFontDialogService(TFontDialogService *service);
