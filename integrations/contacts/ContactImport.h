#pragma once

#include "integrations/contacts/ContactSources.h"

#include <QObject>

#include <memory>

class TFormStampMain;

// The main window's contact import: a new envelope, a folder and contacts
// chosen, each contact formatted and added to the destination, one envelope
// each. Lives as the main window's child; freeing it frees both lists, which
// disconnect the address book.
class TContactImport : public QObject
{
    Q_OBJECT
public:
    // OutlookApp nullptr: the desktop's address books.
    explicit TContactImport(TFormStampMain &Form, std::unique_ptr<TOutlookApplication> OutlookApp = nullptr);
    ~TContactImport() override;

    void Execute();

    std::unique_ptr<TOutlookApplication> OutlookApplicationLocal;
    std::unique_ptr<TOutlookContactFolderList> ContactFolderList;
    std::unique_ptr<TOutlookContactList> ContactList;

private:
    void ImportContact(TOutlookItem &Item, bool &First);

    TFormStampMain &m_form;
};

// Gives the main window its contact import.
void InstallContactImport(TFormStampMain &Form);
