#pragma once

#include <QDialog>

class QGroupBox;
class QListWidget;
class QPushButton;
class ReturnAddressStore;
class RichEdit;

// The return addresses manager: shows and edits the return addresses of the
// store, and makes the one chosen in its list current. main creates it at
// start-up right after the envelope definitions manager and deletes it at
// shutdown. The list is saved after Add, Rename and Delete and whenever the
// window closes.
class TDlgReturnAddresses : public QDialog
{

public:
    explicit TDlgReturnAddresses(ReturnAddressStore &Store, QWidget *parent = nullptr);
    ~TDlgReturnAddresses() override;

    // Shows the window modally; every change is applied at once.
    int Execute();

    void ShowReturnAddressDetails();

    void AddBtnClick();
    void RenameBtnClick();
    void DeleteBtnClick();
    void DefaultBtnClick();

    QListWidget *ListAddresses() const { return m_listAddresses; }
    RichEdit *RichEditAddress() const { return m_richEdit; }
    QPushButton *AddBtn() const { return m_addBtn; }
    QPushButton *RenameBtn() const { return m_renameBtn; }
    QPushButton *DeleteBtn() const { return m_deleteBtn; }
    QPushButton *DefaultBtn() const { return m_defaultBtn; }
    QGroupBox *GroupBoxDetails() const { return m_groupBoxDetails; }

protected:
    void done(int result) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void showList();
    void showCurrent();
    void listClicked();
    void richEditChanged();

    ReturnAddressStore &m_store;
    bool ShowingDetails = false;
    bool m_refilling = false;
    QListWidget *m_listAddresses = nullptr;
    RichEdit *m_richEdit = nullptr;
    QPushButton *m_addBtn = nullptr;
    QPushButton *m_renameBtn = nullptr;
    QPushButton *m_deleteBtn = nullptr;
    QPushButton *m_defaultBtn = nullptr;
    QPushButton *m_okBtn = nullptr;
    QGroupBox *m_groupBoxDetails = nullptr;
};

extern TDlgReturnAddresses *DlgReturnAddresses;
