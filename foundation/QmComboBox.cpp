#include "foundation/QmComboBox.h"

#include <QComboBox>
#include <QListWidget>

int ClampItemIndex(int index, int count)
{
    if (index == -1)
        return -1;
    if (index < -1 || index >= count)
        return count > 0 ? 0 : -1;
    return index;
}

void SetComboItemIndex(QComboBox *comboBox, int index)
{
    comboBox->setCurrentIndex(ClampItemIndex(index, comboBox->count()));
}

void SetListItemIndex(QListWidget *listBox, int index)
{
    listBox->setCurrentRow(ClampItemIndex(index, listBox->count()));
}
