#include "platform/FileDialogService.h"

#include "platform/HelpService.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>

namespace {

class DesktopFileDialogService : public TFileDialogService
{
public:
    TFileDialogAnswer Execute(const TFileDialogRequest &request) override
    {
        QFileDialog dialog(QApplication::activeWindow(), request.Title, request.InitialDir);
        // Our own dialog, so that the read-only box can be added to it.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        const bool save = request.Kind == TFileDialogKind::Save;
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile
                                : (request.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt);
        dialog.setNameFilters(NameFiltersOf(request.Filter));
        if (!request.DefaultExt.isEmpty())
            dialog.setDefaultSuffix(request.DefaultExt.toLower());
        dialog.setHistory(request.History);
        if (!request.FileName.isEmpty())
            dialog.selectFile(request.FileName);
        SetHelpContext(&dialog, request.HelpContext);
        QCheckBox *readOnly = nullptr;
        if (request.ShowReadOnly) {
            readOnly = new QCheckBox(QObject::tr("Open as &read-only"), &dialog);
            if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
                grid->addWidget(readOnly, grid->rowCount(), 0, 1, grid->columnCount());
        }
        TFileDialogAnswer answer;
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return answer;
        answer.Accepted = true;
        answer.FileName = dialog.selectedFiles().first();
        answer.ReadOnly = readOnly && readOnly->isChecked();
        return answer;
    }
};

TFileDialogService *installedService = nullptr;

} // namespace

TFileDialogService &FileDialogService()
{
    static DesktopFileDialogService dialogs;
    return installedService ? *installedService : dialogs;
}

void SetFileDialogService(TFileDialogService *service)
{
    installedService = service;
}

QStringList NameFiltersOf(const QString &filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString p = pattern.trimmed();
            if (p == QLatin1String("*.*")) {
                patterns << QStringLiteral("*");
                continue;
            }
            for (const QString &variant : {p, p.toLower(), p.toUpper()}) {
                if (!patterns.contains(variant))
                    patterns << variant;
            }
        }
        result << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns.join(QLatin1Char(' ')));
    }
    return result;
}

QString WithDefaultExt(const QString &fileName, const QString &defaultExt)
{
    if (fileName.isEmpty() || defaultExt.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + QLatin1Char('.') + defaultExt.toLower();
}
