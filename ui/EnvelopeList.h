#pragma once

#include "engine/EnvDim.h"
#include "ui/DescribedList.h"

// The program's envelope definitions, kept in the INI store (IniFile) in the
// section "Envelopes": "Count", the 1-based "Default", and per entry n the
// description "Envelope<n>" and the definition's own keys "Envelope<n>_...".
class TEnvelopeList : public TDescribedList<TEnvelopeData>
{
public:
    static const QString Section;

    // Replaces the list with the stored one. Each definition stored in the
    // older per-key printer form moves to its own setup section on the way.
    void Load();
    // Rewrites the section whole, giving each definition its key name.
    void Save();
    // Gives each definition the key name of its place, as Save does, without
    // writing (for a setup stored before the list).
    void NameEntries();
};
