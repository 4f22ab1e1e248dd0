#pragma once

#include "ui/ManagerHost.h"
#include "ui/ReturnAddressList.h"

#include <QDialog>

class QGroupBox;
class QListWidget;
class QPushButton;
class RichEdit;

// The return address chosen in the main window's combo box: an entry of
// ReturnAddressList(), null exactly when the list is empty. Written only by
// SelectReturnAddress.
extern TReturnAddress *CurrentReturnAddress;

// Makes entry Index current (-1 only for an empty list), brings the main
// window's combo box (unless Sender is the main window) and the manager's list
// (unless Sender is the manager) to Index, and lets the main window show it.
void SelectReturnAddress(int Index, TSelectSender Sender = TSelectSender::None);

// The return addresses of the manager (an empty list while there is no manager).
TReturnAddressList &ReturnAddressList();
// The highlighted entry of the manager's list (-1 when none).
int ReturnAddressListIndex();

// The return addresses manager: owns the list for the whole run. The main
// window creates it at start-up right after the envelope definitions manager
// and deletes it at shutdown. The list is saved after Add, Rename and Delete,
// whenever the window closes, and at shutdown.
class TDlgReturnAddresses : public QDialog
{

public:
    explicit TDlgReturnAddresses(QWidget *parent = nullptr);
    ~TDlgReturnAddresses() override;

    // Shows the window modally; every change is applied at once.
    int Execute();

    void LoadReturnAddressList();
    void SaveReturnAddressList();
    void ShowReturnAddressDetails();
    void SelectReturnAddressAt(int Index, TSelectSender Sender);

    TReturnAddressList &List() { return m_list; }
    int DefaultIndex() const { return m_list.DefaultIndex(); }

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
    void refillList();
    void listClicked();
    void updateItemFonts();
    void richEditChanged();

    TReturnAddressList m_list;
    bool ShowingDetails = false;
    bool Loading = false;
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
