#include "platform/FontDialogService.h"

#include "platform/HelpService.h"

#include <QApplication>
#include <QFontDialog>

namespace {

class DesktopFontDialogService : public TFontDialogService
{
public:
    TFontDialogAnswer Execute(const TFontDialogRequest &request) override
    {
        QFontDialog dialog(request.Font, QApplication::activeWindow());
        dialog.setOption(QFontDialog::DontUseNativeDialog, true);
        if (request.ScalableOnly)
            dialog.setOption(QFontDialog::ScalableFonts, true);
        SetHelpContext(&dialog, request.HelpContext);
        TFontDialogAnswer answer;
        if (dialog.exec() != QDialog::Accepted)
            return answer;
        answer.Accepted = true;
        answer.Font = dialog.selectedFont();
        // The dialog has no colour of its own: the colour stays as it was.
        answer.Color = request.Color;
        return answer;
    }
};

TFontDialogService *installedService = nullptr;

} // namespace

TFontDialogService &FontDialogService()
{
    static DesktopFontDialogService dialogs;
    return installedService ? *installedService : dialogs;
}

void SetFontDialogService(TFontDialogService *service)
{
    installedService = service;
}
