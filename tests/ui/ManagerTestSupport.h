#pragma once

#include "ui/ManagerHost.h"

#include <QApplication>
#include <QComboBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// The offscreen application of the manager tests.
inline QApplication &ManagerTestApp()
{
    static int argc = 1;
    static char name[] = "test";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Runs Answer inside the next modal dialog's event loop.
inline void WhenModalShows(std::function<void()> Answer)
{
    QTimer::singleShot(0, qApp, std::move(Answer));
}

// A main window that keeps its combo boxes as the managers ask.
class RecordingHost : public TManagerHost
{
public:
    std::function<QStringList()> envelopeTexts;
    std::function<int()> envelopeIndex;
    std::function<QStringList()> returnTexts;
    std::function<int()> returnIndex;

    QComboBox envelopeCombo;
    QComboBox returnCombo;
    int envelopeRefills = 0;
    int returnRefills = 0;
    int applied = 0;
    bool firstRun = false;

    RecordingHost() { SetManagerHost(this); }
    ~RecordingHost() override { SetManagerHost(nullptr); }

    QComboBox *EnvelopeCombo() override { return &envelopeCombo; }
    void RefillEnvelopeCombo() override
    {
        ++envelopeRefills;
        envelopeCombo.clear();
        if (envelopeTexts)
            envelopeCombo.addItems(envelopeTexts());
        if (envelopeIndex)
            envelopeCombo.setCurrentIndex(envelopeIndex());
    }
    void MarkFirstRun() override { firstRun = true; }
    QComboBox *ReturnAddressCombo() override { return &returnCombo; }
    void RefillReturnAddressCombo() override
    {
        ++returnRefills;
        returnCombo.clear();
        if (returnTexts)
            returnCombo.addItems(returnTexts());
        if (returnIndex)
            returnCombo.setCurrentIndex(returnIndex());
    }
    void ApplyReturnAddress() override { ++applied; }
};
