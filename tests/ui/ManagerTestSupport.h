#pragma once

#include "engine/DefinitionStore.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmComboBox.h"

#include <QApplication>
#include <QComboBox>
#include <QInputDevice>
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
    // Qt's list of input devices must outlive the application, which deletes the
    // devices that synthesised key and mouse events bring along.
    static const bool devicesFirst = (QInputDevice::devices(), true);
    Q_UNUSED(devicesFirst);
    // Never destroyed either: Qt's exit routines may run after a static application's end.
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

// Runs Answer inside the next modal dialog's event loop.
inline void WhenModalShows(std::function<void()> Answer)
{
    QTimer::singleShot(0, qApp, std::move(Answer));
}

// The main window's two selection boxes, following the stores as the main
// window's do, without the rest of the window.
class FollowingCombos
{
public:
    QComboBox envelopeCombo;
    QComboBox returnCombo;
    int applied = 0;

    void Follow(DefinitionStore &store)
    {
        QObject::connect(&store, &DefinitionStore::listChanged, &envelopeCombo, [this, &store] {
            envelopeCombo.clear();
            envelopeCombo.addItems(store.List().Descriptions());
            SetComboItemIndex(&envelopeCombo, store.CurrentIndex());
        });
        QObject::connect(&store, &DefinitionStore::currentChanged, &envelopeCombo,
                         [this, &store] { SetComboItemIndex(&envelopeCombo, store.CurrentIndex()); });
    }
    void Follow(ReturnAddressStore &store)
    {
        QObject::connect(&store, &ReturnAddressStore::listChanged, &returnCombo, [this, &store] {
            returnCombo.clear();
            returnCombo.addItems(store.List().Descriptions());
            SetComboItemIndex(&returnCombo, store.CurrentIndex());
        });
        QObject::connect(&store, &ReturnAddressStore::currentChanged, &returnCombo, [this, &store] {
            SetComboItemIndex(&returnCombo, store.CurrentIndex());
            ++applied;
        });
    }
};
