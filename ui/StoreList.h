#pragma once

#include <QStringList>

#include <functional>

class QListWidget;

// Shows a store's entries in a manager's list: refilled only when the texts
// changed (so that a new default keeps the list's place), the default in bold,
// the entries StruckOut names struck out, and the current entry highlighted.
void ShowStoreList(QListWidget &List, const QStringList &Descriptions, int DefaultIndex, int CurrentIndex,
                   const std::function<bool(int)> &StruckOut = nullptr);
