#pragma once

#include "ui/EnvelopeList.h"
#include "ui/ManagerHost.h"

#include <QDialog>

class QGroupBox;
class QListWidget;
class QPushButton;
class QStatusBar;

// The definition chosen in the main window's combo box: an entry of
// EnvelopeList(), or null when there is none or its printer is gone. Written
// only by SelectEnvelope.
extern TEnvelopeData *CurrentEnvelope;
bool HasCurrentEnvelope();

// Makes entry Index of the list current (-1 only for an empty list), selects
// its printer and brings the main window's combo box (unless Sender is the main
// window) and the manager's list (unless Sender is the manager) to Index.
void SelectEnvelope(int Index, TSelectSender Sender = TSelectSender::None);

// The definitions of the manager (an empty list while there is no manager).
TEnvelopeList &EnvelopeList();
// The highlighted entry of the manager's list (-1 when none).
int EnvelopeListIndex();

// The window "Envelope Definitions": owns the list of envelope definitions for
// the whole run. The main window creates it at start-up (right after itself,
// with SetManagerHost done) and deletes it at shutdown, which saves the list.
class TDlgEnvelopeSizes : public QDialog
{

public:
    explicit TDlgEnvelopeSizes(QWidget *parent = nullptr);
    ~TDlgEnvelopeSizes() override;

    // Shows the window modally (first opening the printer settings when RunSetup
    // is set) and returns the modal result.
    int Execute(bool RunSetup);
    // The first-run definition of a "#10 Business" envelope.
    // Returns false when the printer failed: nothing was created, and the main
    // window then does not open the manager.
    bool CreateFirstEnvelope();

    void LoadEnvelopeList();
    void SaveEnvelopeList();
    void ShowEnvelopeDetails();
    void SelectEnvelopeAt(int Index, TSelectSender Sender);

    TEnvelopeList &List() { return m_list; }

    // The commands of the list buttons.
    void AddBtnClick();
    void RenameBtnClick();
    void DeleteBtnClick();
    void DefaultBtnClick();
    void SetupBtnClick();
    void ResetBtnClick();

    QListWidget *ListEnvelopes() const { return m_listEnvelopes; }
    QPushButton *AddBtn() const { return m_addBtn; }
    QPushButton *RenameBtn() const { return m_renameBtn; }
    QPushButton *DeleteBtn() const { return m_deleteBtn; }
    QPushButton *DefaultBtn() const { return m_defaultBtn; }
    QPushButton *SetupBtn() const { return m_setupBtn; }
    QPushButton *ResetBtn() const { return m_resetBtn; }
    QGroupBox *GroupBoxDetails() const { return m_groupBoxDetails; }
    QGroupBox *GroupBoxDemo() const { return m_groupBoxDemo; }

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void refillList();
    void listClicked();
    void updateItemFonts();
    // Fails with the printer's message shown: nothing was created.
    bool initialiseNew(TEnvelopeData &data, int printerIndex, int modelIndex, int envelopeType);
    void storeNew(TEnvelopeData &added, bool resetLayout);
    bool runSetup();

    TEnvelopeList m_list;
    bool m_refilling = false;
    // A definition just made from a printer model: the setup that completes
    // its add keeps the model's layout instead of resetting it.
    TEnvelopeData *m_modelLayout = nullptr;
    QListWidget *m_listEnvelopes = nullptr;
    QPushButton *m_addBtn = nullptr;
    QPushButton *m_renameBtn = nullptr;
    QPushButton *m_deleteBtn = nullptr;
    QPushButton *m_defaultBtn = nullptr;
    QPushButton *m_setupBtn = nullptr;
    QPushButton *m_resetBtn = nullptr;
    QPushButton *m_sendIniBtn = nullptr;
    QPushButton *m_btnOK = nullptr;
    QPushButton *m_btnHelp = nullptr;
    QGroupBox *m_groupBoxEnvelopes = nullptr;
    QGroupBox *m_groupBoxDetails = nullptr;
    QGroupBox *m_groupBoxDemo = nullptr;
    QStatusBar *m_statusBar = nullptr;
};

extern TDlgEnvelopeSizes *DlgEnvelopeSizes;
