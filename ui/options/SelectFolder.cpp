#include "ui/options/SelectFolder.h"

#include "foundation/WindowsDefaultFolders.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

TDlgSelectFolder *dialogInstance = nullptr;

const QString kRoot = QStringLiteral("/");

QString cleanFolder(const QString &Folder)
{
    return QDir::cleanPath(Folder);
}

// The folder itself when it exists, else its nearest existing parent; the home
// folder for an empty or relative path.
QString existingFolder(const QString &Folder)
{
    if (Folder.isEmpty() || QDir::isRelativePath(Folder))
        return cleanFolder(UserHomeFolder());
    QString path = cleanFolder(Folder);
    while (!QFileInfo(path).isDir() && path != kRoot)
        path = cleanFolder(path + QStringLiteral("/.."));
    return path;
}

bool isInside(const QString &Path, const QString &Folder)
{
    return Path == Folder || Folder == kRoot || Path.startsWith(Folder + QLatin1Char('/'));
}

} // namespace

TDlgSelectFolder::TDlgSelectFolder(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Select Folder"));
    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(kRoot);

    DriveComboBox = new QComboBox(this);
    const QString home = cleanFolder(UserHomeFolder());
    DriveComboBox->addItem(QStringLiteral("File System (/)"), kRoot);
    if (home != kRoot)
        DriveComboBox->addItem(QStringLiteral("Home (%1)").arg(home), home);
    BitBtnMyDocuments = new QPushButton(QStringLiteral("&My Documents"), this);
    BitBtnMyDocuments->setAutoDefault(false);

    DirectoryListBox = new QTreeView(this);
    DirectoryListBox->setModel(m_model);
    DirectoryListBox->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        DirectoryListBox->hideColumn(column);
    DirectoryListBox->setMinimumSize(360, 320);

    LabelPath = new QLabel(this);
    QFont bold = LabelPath->font();
    bold.setBold(true);
    LabelPath->setFont(bold);
    LabelPath->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_subfolderRow = new QWidget(this);
    CheckBoxSubfolders = new QCheckBox(QStringLiteral("&Include folders below selection"), m_subfolderRow);
    CheckBoxSubfolders->setChecked(true);
    auto *subfolderLayout = new QHBoxLayout(m_subfolderRow);
    subfolderLayout->setContentsMargins(0, 0, 0, 0);
    subfolderLayout->addWidget(CheckBoxSubfolders);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setAutoDefault(false);
    ConnectGuarded(ok, &QPushButton::clicked, this, &QDialog::accept);
    ConnectGuarded(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ConnectGuarded(help, &QPushButton::clicked, this,
                   [this] { HelpService().WinHelp(HELP_CONTEXT, HelpContextOf(this)); });

    ConnectGuarded(DriveComboBox, &QComboBox::activated, this, [this](int index) {
        const QString root = DriveComboBox->itemData(index).toString();
        SetRoot(root);
        m_folder = root;
        ShowCurrent();
    });
    // The tree fills in as folders are read: the current folder is brought into view again.
    ConnectGuarded(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString &Path) {
        if (m_folder != m_root && isInside(m_folder, cleanFolder(Path)))
            DirectoryListBox->scrollTo(m_model->index(m_folder));
    });
    ConnectGuarded(BitBtnMyDocuments, &QPushButton::clicked, this,
                   [this] { SetFolder(WinDefaultFolders.Personal); });
    ConnectGuarded(DirectoryListBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
                   [this](const QModelIndex &current) {
                       if (!current.isValid())
                           return;
                       m_folder = cleanFolder(m_model->filePath(current));
                       LabelPath->setText(m_folder);
                   });

    auto *top = new QHBoxLayout;
    top->addWidget(DriveComboBox, 1);
    top->addWidget(BitBtnMyDocuments);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(DirectoryListBox, 1);
    layout->addWidget(LabelPath);
    layout->addWidget(m_subfolderRow);
    layout->addLayout(buttons);

    SetHelpContext(this, 16203);
    SetHelpContext(DriveComboBox, 16204);
    SetHelpContext(DirectoryListBox, 16205);
    SetHelpContext(BitBtnMyDocuments, 16206);
    SetHelpContext(CheckBoxSubfolders, 16207);
    SetHelpContext(LabelPath, 16208);
    SetFolder(UserHomeFolder());
}

void TDlgSelectFolder::SetFolder(const QString &Folder)
{
    const QString folder = existingFolder(Folder);
    // The home tree when the folder lies in it, else the whole file system.
    QString root = kRoot;
    for (int i = 0; i < DriveComboBox->count(); ++i) {
        const QString candidate = DriveComboBox->itemData(i).toString();
        if (candidate != kRoot && isInside(folder, candidate)) {
            root = candidate;
            DriveComboBox->setCurrentIndex(i);
        }
    }
    if (root == kRoot)
        DriveComboBox->setCurrentIndex(0);
    SetRoot(root);
    m_folder = folder;
    ShowCurrent();
}

QString TDlgSelectFolder::GetFolder() const
{
    return m_folder;
}

void TDlgSelectFolder::ShowSubFolderOption(bool Show)
{
    m_subfolderRow->setVisible(Show);
    CheckBoxSubfolders->setEnabled(Show);
}

void TDlgSelectFolder::SetIncludeSubFolders(bool Include)
{
    CheckBoxSubfolders->setChecked(Include);
}

void TDlgSelectFolder::SetRoot(const QString &Root)
{
    m_root = Root;
    DirectoryListBox->setRootIndex(m_model->index(Root));
}

void TDlgSelectFolder::ShowCurrent()
{
    LabelPath->setText(m_folder);
    QItemSelectionModel *selection = DirectoryListBox->selectionModel();
    if (m_folder == m_root) {
        // The top of the tree is not a row of it.
        const QSignalBlocker blocker(selection);
        selection->clear();
        return;
    }
    const QModelIndex index = m_model->index(m_folder);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    DirectoryListBox->scrollTo(index);
    DirectoryListBox->expand(index);
}

void TDlgSelectFolder::showEvent(QShowEvent *event)
{
    // The option is never offered; nothing reads it.
    ShowSubFolderOption(false);
    SetIncludeSubFolders(true);
    QDialog::showEvent(event);
    DirectoryListBox->setFocus();
}

TDlgSelectFolder *GetSelectFolderDialog()
{
    if (!dialogInstance)
        dialogInstance = new TDlgSelectFolder;
    return dialogInstance;
}

void FreeSelectFolderDialog()
{
    delete dialogInstance;
    dialogInstance = nullptr;
}
