#include "ui/favorites/FavoritesAdd.h"

#include "foundation/QmShortcut.h"
#include "foundation/QmStrings.h"
#include "foundation/QmWindows.h"
#include "platform/CaseFolders.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"

#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
TFormFavoritesAdd *formInstance = nullptr;
}

TFormFavoritesAdd::TFormFavoritesAdd(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormFavoritesAdd"));
    setWindowTitle(QStringLiteral("Add Favorite"));
    // Opened again, it comes back where it was left, not lower by its title bar.
    KeepPlace(this);
    auto *labelDescription = new QLabel(QStringLiteral("&Description"), this);
    labelDescription->setToolTip(QStringLiteral("Enter a description for this favorite"));
    EditDescription = new QLineEdit(this);
    EditDescription->setToolTip(labelDescription->toolTip());
    labelDescription->setBuddy(EditDescription);
    auto *labelFileName = new QLabel(QStringLiteral("File Name"), this);
    labelFileName->setToolTip(
        QStringLiteral("This is the file name of the favorite. You cannot change it here."));
    EditFileName = new QLineEdit(this);
    EditFileName->setReadOnly(true);
    EditFileName->setToolTip(labelFileName->toolTip());
    EditFileName->setMinimumWidth(360);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setAutoDefault(false);
    ConnectGuarded(ok, &QPushButton::clicked, this, &QDialog::accept);
    ConnectGuarded(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ConnectHelpButton(help, this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(labelDescription);
    layout->addWidget(EditDescription);
    layout->addWidget(labelFileName);
    layout->addWidget(EditFileName);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormFavoritesAdd::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    EditDescription->setFocus();
    EditDescription->selectAll();
}

TFormFavoritesAdd *GetFavoritesAddForm()
{
    if (!formInstance)
        formInstance = new TFormFavoritesAdd;
    return formInstance;
}

void FreeFavoritesAddForm()
{
    delete formInstance;
    formInstance = nullptr;
}

bool AddFavorite(TFormFavoritesAdd *Form, const QString &Folder, const QString &Target,
                 const QString &Description)
{
    Form->EditDescription->setText(Description);
    Form->EditFileName->setText(Target);
    if (Form->exec() != QDialog::Accepted)
        return false;
    return CreateFavorite(Folder, Target, Form->EditDescription->text());
}

bool CreateFavorite(const QString &Folder, const QString &Target, const QString &Description)
{
    QString name = Description;
    RemoveInvalidFileNameChars(name);
    // A name starting with "." would be a hidden file here, never listed in the menu.
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('.')))
        name = name.mid(1).trimmed();
    bool created = false;
    QString why;
    if (name.isEmpty())
        why = QStringLiteral("The description leaves nothing to name the shortcut file by.");
    else if (!QDir().mkpath(Folder))
        why = QStringLiteral("The folder \"%1\" could not be made.").arg(QDir::toNativeSeparators(Folder));
    else
        created =
            CreateShortcut(ResolveNameNoCase(Folder, name + QStringLiteral(".LNK")), Target, {}, {}, &why);
    if (!created)
        MessageDlg(QStringLiteral("Could not create shortcut. ") + why, TMsgDlgType::Error, mbOK, 0);
    return created;
}
