#include "foundation/QmComboBox.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>

#include <gtest/gtest.h>

TEST(QmComboBox, ClampsIndexes)
{
    EXPECT_EQ(ClampItemIndex(5, 3), 0);
    EXPECT_EQ(ClampItemIndex(3, 3), 0);
    EXPECT_EQ(ClampItemIndex(-2, 3), 0);
    EXPECT_EQ(ClampItemIndex(-1, 3), -1);
    EXPECT_EQ(ClampItemIndex(2, 3), 2);
    EXPECT_EQ(ClampItemIndex(4, 0), -1);
    EXPECT_EQ(ClampItemIndex(-5, 0), -1);
}

TEST(QmComboBox, SetsWidgets)
{
    int argc = 1;
    char name[] = "test";
    char *argv[] = {name};
    QApplication app(argc, argv);
    QComboBox combo;
    combo.addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    SetComboItemIndex(&combo, 2);
    EXPECT_EQ(combo.currentIndex(), 2);
    SetComboItemIndex(&combo, 5);
    EXPECT_EQ(combo.currentIndex(), 0);
    SetComboItemIndex(&combo, -1);
    EXPECT_EQ(combo.currentIndex(), -1);

    QListWidget list;
    list.addItems({QStringLiteral("a"), QStringLiteral("b")});
    SetListItemIndex(&list, 1);
    EXPECT_EQ(list.currentRow(), 1);
    SetListItemIndex(&list, 9);
    EXPECT_EQ(list.currentRow(), 0);
}
