#pragma once

#include <QDialog>

class DefinitionStore;
class QGroupBox;
class QListWidget;
class QPushButton;
class QStatusBar;
class TEnvelopeData;
class TEnvelopePages;
class TEnvelopeSample;

// The window "Envelope Definitions": shows and edits the definitions of the
// store, and makes the one chosen in its list current. main creates it at
// start-up, right after the main window, and deletes it at shutdown.
class TDlgEnvelopeSizes : public QDialog
{

public:
    explicit TDlgEnvelopeSizes(DefinitionStore &Store, QWidget *parent = nullptr);
    ~TDlgEnvelopeSizes() override;

    // Shows the window modally (first opening the printer settings when RunSetup
    // is set) and returns the modal result.
    int Execute(bool RunSetup);
    // The first-run definition of a "#10 Business" envelope.
    // Returns false when the printer failed: nothing was created, and the main
    // window then does not open the manager.
    bool CreateFirstEnvelope();

    void ShowEnvelopeDetails();

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
    QPushButton *SendIniBtn() const { return m_sendIniBtn; }
    QGroupBox *GroupBoxDetails() const { return m_groupBoxDetails; }
    QGroupBox *GroupBoxDemo() const { return m_groupBoxDemo; }
    TEnvelopePages *Pages() const { return m_pages; }
    TEnvelopeSample *Sample() const { return m_sample; }
    QStatusBar *StatusBar() const { return m_statusBar; }
    // The stamp of the main window's stamp price.
    void LoadSampleStamp();

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void showList();
    void showCurrent();
    void listClicked();
    // Fails with the printer's message shown: nothing was created.
    bool initialiseNew(TEnvelopeData &data, int printerIndex, int modelIndex, int envelopeType);
    void storeNew(TEnvelopeData &added, bool resetLayout);
    bool runSetup();
    void fillPages();

    DefinitionStore &m_store;
    bool m_refilling = false;
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
    TEnvelopePages *m_pages = nullptr;
    TEnvelopeSample *m_sample = nullptr;
};

extern TDlgEnvelopeSizes *DlgEnvelopeSizes;
