#pragma once

class QComboBox;

// Who asks for a selection: the main window's combo box (which is then left
// alone), a manager's own list (likewise), or nobody (both are set).
enum class TSelectSender { None, MainWindow, Manager };

// What the two managers ask of the main window. The main window implements it
// and installs itself with SetManagerHost before it creates the managers;
// without a host (tests, start-up) every call is skipped.
//
// The combo boxes are set by the managers with SetComboItemIndex, which emits
// currentIndexChanged: the main window reacts to the user's choice through
// QComboBox::activated and then calls SelectEnvelope / SelectReturnAddress with
// the combo box's index and TSelectSender::MainWindow.
class TManagerHost
{
public:
    virtual ~TManagerHost() = default;

    // The main window's envelope combo box (may be null).
    virtual QComboBox *EnvelopeCombo() = 0;
    // Refill the envelope combo box with EnvelopeList().Descriptions() in list
    // order and give it EnvelopeListIndex().
    virtual void RefillEnvelopeCombo() = 0;
    // An empty definition list was loaded: at its first showing the main
    // window clears its flag and, when DlgEnvelopeSizes->CreateFirstEnvelope()
    // returns true, calls DlgEnvelopeSizes->Execute(true).
    virtual void MarkFirstRun() = 0;

    // The main window's return-address combo box (may be null).
    virtual QComboBox *ReturnAddressCombo() = 0;
    // Refill the return-address combo box with ReturnAddressList().Descriptions()
    // in list order and give it ReturnAddressListIndex().
    virtual void RefillReturnAddressCombo() = 0;
    // Fill the return-address box from CurrentReturnAddress and place its picture.
    virtual void ApplyReturnAddress() = 0;
};

TManagerHost *ManagerHost();
// Not owned; nullptr removes it.
void SetManagerHost(TManagerHost *host);
