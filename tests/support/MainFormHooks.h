#pragma once

// Doubles of what the layer above the main window does for it: each call is counted.

#include "ui/main/MainForm.h"

struct TMainFormHookCalls
{
    int Imports = 0;
    int Lookups = 0;
};

inline TMainFormHooks CountingHooks(TMainFormHookCalls *Calls = nullptr)
{
    return {[Calls](TFormStampMain &) {
                if (Calls)
                    ++Calls->Imports;
            },
            [Calls](RichEdit &) {
                if (Calls)
                    ++Calls->Lookups;
            }};
}
