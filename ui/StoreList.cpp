#include "ui/StoreList.h"

#include "foundation/QmComboBox.h"

#include <QListWidget>

void ShowStoreList(QListWidget &List, const QStringList &Descriptions, int DefaultIndex, int CurrentIndex,
                   const std::function<bool(int)> &StruckOut)
{
    QStringList shown;
    for (int i = 0; i < List.count(); ++i)
        shown << List.item(i)->text();
    if (shown != Descriptions) {
        List.clear();
        List.addItems(Descriptions);
    }
    for (int i = 0; i < List.count(); ++i) {
        QFont font = List.font();
        font.setBold(i == DefaultIndex);
        font.setStrikeOut(StruckOut && StruckOut(i));
        List.item(i)->setFont(font);
    }
    SetListItemIndex(&List, CurrentIndex);
}
