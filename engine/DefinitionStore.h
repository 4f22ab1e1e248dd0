#pragma once

#include "engine/DescribedList.h"
#include "engine/EnvDim.h"

#include <QObject>

#include <memory>

// The program's envelope definitions for the whole run, kept in the INI store
// (IniFile) in the section "Envelopes": "Count", the 1-based "Default", and per
// entry n the description "Envelope<n>" and the definition's own keys
// "Envelope<n>_...". One entry is current: the definition that the main window
// shows and a print request uses.
//
// listChanged follows a change of the entries, their order or the default;
// currentChanged follows each selection. Each change emits each signal once.
class DefinitionStore : public QObject
{
    Q_OBJECT
public:
    static const QString Section;

    explicit DefinitionStore(QObject *parent = nullptr);
    // Saves the list (a failure is shown, not thrown).
    ~DefinitionStore() override;

    const TDescribedList<TEnvelopeData> &List() const { return m_list; }

    // The current entry's index: -1 exactly when the list is empty.
    int CurrentIndex() const;
    // The current definition; null also when its printer is gone.
    TEnvelopeData *CurrentEnvelope() const { return m_usable ? m_current : nullptr; }
    bool HasCurrentEnvelope() const { return CurrentEnvelope() != nullptr; }

    // Replaces the list with the stored one and selects the default (else the
    // first entry). Each definition stored in the older per-key printer form
    // moves to its own setup section on the way. Returns true when nothing was
    // stored: the first run.
    bool LoadEnvelopeList();
    // Rewrites the section whole, giving each definition its key name.
    void SaveEnvelopeList();
    // Gives each definition the key name of its place, as the save does, without
    // writing (for a setup stored before the list).
    void NameEntries();

    // Makes entry Index current and selects its printer; a printer that is gone
    // (its warning shown) leaves no current definition and marks the entry.
    // Index -1, or any index of an empty list, leaves nothing current.
    void SelectEnvelope(int Index);

    // Looks the printers up again, as a print starts: a print service that was
    // down may be back, and printers come and go. The current definition is
    // selected again when its printer was not found or the list changed.
    void RefreshPrinters();

    // A new entry at its sorted place, not selected; the default and the current
    // entry stay on the same definitions. Returns its index.
    int Add(const QString &Description, std::unique_ptr<TEnvelopeData> Data);
    // A new description; the entry moves to its sorted place. Returns its index.
    int Rename(int Index, const QString &Description);
    // Erases the entry's printer setup and frees it; the first entry (or none)
    // becomes current. The default stays on the same entry, or becomes the first.
    void Delete(int Index);
    void SetDefaultIndex(int Index);

signals:
    void listChanged();
    void currentChanged();

private:
    void select(int Index);

    TDescribedList<TEnvelopeData> m_list;
    // The entry at the current index, usable or not.
    TEnvelopeData *m_current = nullptr;
    bool m_usable = false;
};
