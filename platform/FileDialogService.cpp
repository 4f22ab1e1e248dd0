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
        const QStringList filters = NameFiltersOf(request.Filter);
        dialog.setNameFilters(filters);
        // A save starts on the filter of its default extension; an open on the first, all kinds.
        for (int i = 0; save && i < filters.size(); ++i) {
            if (FilterExtension(request.Filter, i) == request.DefaultExt.toLower()) {
                dialog.selectNameFilter(filters.at(i));
                break;
            }
        }
        // A name saved without an extension takes the chosen filter's.
        const auto suffix = [&] {
            const QString ext =
                FilterExtension(request.Filter, int(filters.indexOf(dialog.selectedNameFilter())));
            dialog.setDefaultSuffix(save && !ext.isEmpty() ? ext : request.DefaultExt.toLower());
        };
        suffix();
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, suffix);
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
        answer.FilterIndex = int(filters.indexOf(dialog.selectedNameFilter()));
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

QString FilterExtension(const QString &filter, int index)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (index < 0 || 2 * index + 1 >= parts.size())
        return {};
    const QString pattern = parts.at(2 * index + 1).section(QLatin1Char(';'), 0, 0).trimmed();
    if (!pattern.startsWith(QLatin1String("*.")) || pattern == QLatin1String("*.*"))
        return {};
    return pattern.mid(2).toLower();
}

QString SaveExtension(const TFileDialogRequest &request, const TFileDialogAnswer &answer)
{
    const QString chosen = FilterExtension(request.Filter, answer.FilterIndex);
    return chosen.isEmpty() ? request.DefaultExt : chosen;
}
