#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;
class QWidget;

// Picks a folder from a tree of folders. The tree starts at the file system's root
// or at the home folder, chosen in the box above it.
class TDlgSelectFolder : public QDialog
{
public:
    explicit TDlgSelectFolder(QWidget *parent = nullptr);

    // A folder that does not exist opens at its nearest existing parent.
    void SetFolder(const QString &Folder);
    // The current folder, without a trailing slash unless it is the root.
    QString GetFolder() const;
    void ShowSubFolderOption(bool Show);
    void SetIncludeSubFolders(bool Include);

    QComboBox *DriveComboBox = nullptr;
    QPushButton *BitBtnMyDocuments = nullptr;
    QTreeView *DirectoryListBox = nullptr;
    QLabel *LabelPath = nullptr;
    QCheckBox *CheckBoxSubfolders = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void SetRoot(const QString &Root);
    void ShowCurrent();

    QFileSystemModel *m_model = nullptr;
    QWidget *m_subfolderRow = nullptr;
    QString m_root;
    QString m_folder;
};

TDlgSelectFolder *GetSelectFolderDialog();
// Frees the dialog (shutdown and tests).
void FreeSelectFolderDialog();
