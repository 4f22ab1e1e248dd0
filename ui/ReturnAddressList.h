#pragma once

#include "ui/DescribedList.h"

class TReturnAddress;

// The program's return addresses, kept in the INI store (IniFile) in the section
// "ReturnAddresses": "Count", the 1-based "Default", and per entry n the
// description "Description<n>" and the address under the key prefix "Address<n>".
class TReturnAddressList : public TDescribedList<TReturnAddress>
{
public:
    static const QString Section;

    TReturnAddressList();
    ~TReturnAddressList();
    TReturnAddressList(const TReturnAddressList &) = delete;
    TReturnAddressList &operator=(const TReturnAddressList &) = delete;

    // Replaces the list with the stored one. An empty list gets the sample
    // "Home" (not stored until the next save); returns true when it did.
    bool Load();
    void Save();
    // The sample entry "Home", made the default; returns its index.
    int AddSample();
};
