#include "platform/FontDialogService.h"

#include "platform/HelpService.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>

namespace {

// A face that is not installed is shown as the one that stands in for it.
QFont Shown(const QFont &font)
{
    QFont shown = font;
    if (!QFontDatabase::hasFamily(font.family()))
        shown.setFamilies({QFontInfo(font).family()});
    return shown;
}

bool SameChoice(const QFont &a, const QFont &b)
{
    return a.family() == b.family() && a.pointSize() == b.pointSize() && a.bold() == b.bold()
           && a.italic() == b.italic() && a.underline() == b.underline() && a.strikeOut() == b.strikeOut();
}

class DesktopFontDialogService : public TFontDialogService
{
public:
    TFontDialogAnswer Execute(const TFontDialogRequest &request) override
    {
        QFontDialog dialog(QApplication::activeWindow());
        dialog.setOption(QFontDialog::DontUseNativeDialog, true);
        if (request.ScalableOnly)
            dialog.setOption(QFontDialog::ScalableFonts, true);
        // After the options, which refill the lists and lose what was chosen in them.
        dialog.setCurrentFont(Shown(request.Font));
        const QFont shown = dialog.currentFont();
        SetHelpContext(&dialog, request.HelpContext);
        TFontDialogAnswer answer;
        if (dialog.exec() != QDialog::Accepted)
            return answer;
        answer.Accepted = true;
        // Unchanged, the font stays as asked for, even a face that is not installed.
        const QFont chosen = dialog.selectedFont();
        answer.Font = SameChoice(chosen, shown) ? request.Font : chosen;
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
