#pragma once

class QComboBox;
class QListWidget;

// Clamps an index into the list: below -1 or past the end selects the first
// item (none when the list is empty); -1 clears the selection.
int ClampItemIndex(int index, int count);
void SetComboItemIndex(QComboBox *comboBox, int index);
void SetListItemIndex(QListWidget *listBox, int index);
