#pragma once

#include "engine/DescribedList.h"

#include <QObject>

#include <memory>

class TReturnAddress;

// The program's return addresses for the whole run, kept in the INI store
// (IniFile) in the section "ReturnAddresses": "Count", the 1-based "Default",
// and per entry n the description "Description<n>" and the address under the
// key prefix "Address<n>". One entry is current: the return address that the
// main window shows and a print request uses.
//
// listChanged follows a change of the entries, their order or the default;
// currentChanged follows each selection, currentEdited an edit of the current
// entry. Each change emits each signal once.
class ReturnAddressStore : public QObject
{
    Q_OBJECT
public:
    static const QString Section;

    explicit ReturnAddressStore(QObject *parent = nullptr);
    // Saves the list (a failure is shown, not thrown).
    ~ReturnAddressStore() override;

    const TDescribedList<TReturnAddress> &List() const { return m_list; }

    // The current entry's index: -1 exactly when the list is empty.
    int CurrentIndex() const;
    // The current return address: null exactly when the list is empty.
    TReturnAddress *CurrentReturnAddress() const { return m_current; }

    // Replaces the list with the stored one and selects the default (else the
    // first entry). An empty list gets the sample "Home" (not stored until the
    // next save); returns true when it did.
    bool LoadReturnAddressList();
    void SaveReturnAddressList();

    // Makes entry Index current; -1 (or any index of an empty list) leaves
    // nothing current.
    void SelectReturnAddress(int Index);

    // A new entry at its sorted place, not selected; the default and the current
    // entry stay on the same addresses. Returns its index.
    int Add(const QString &Description, std::unique_ptr<TReturnAddress> Address);
    // A new description for the same address, which moves to its sorted place.
    // Returns its index.
    int Rename(int Index, const QString &Description);
    // Frees the entry; the first entry (or none) becomes current. The default
    // stays on the same entry, or becomes the first.
    void Delete(int Index);
    void SetDefaultIndex(int Index);

    // The current entry's text or picture was edited in place.
    void CurrentEdited() { emit currentEdited(); }

signals:
    void listChanged();
    void currentChanged();
    void currentEdited();

private:
    void addSampleReturnAddress();

    TDescribedList<TReturnAddress> m_list;
    TReturnAddress *m_current = nullptr;
};
