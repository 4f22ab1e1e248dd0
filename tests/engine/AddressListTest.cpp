#include "engine/PrintAddresses.h"

#include <gtest/gtest.h>

namespace {

QStringList selectedCaptions(const TAddressPrintList &list)
{
    QStringList out;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.GetAddress(i).Selected)
            out << list.GetAddress(i).Caption;
    }
    return out;
}

const QStringList fourAddresses{QStringLiteral("A1"), QStringLiteral("A2"),  QString(),
                                QStringLiteral("B1"), QStringLiteral("   "), QStringLiteral("\t"),
                                QStringLiteral("C1"), QStringLiteral("C2"),  QString(),
                                QStringLiteral("D1")};

} // namespace

TEST(AddressList, SplitsOnRunsOfBlankLines)
{
    TAddressPrintList list(nullptr, nullptr, nullptr);
    list.RefreshFrom({QStringLiteral("A1"), QStringLiteral("A2"), QString(), QString(), QStringLiteral("B1")},
                     0, 0, 2, false);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetAddress(0).StartChar, 0);
    EXPECT_EQ(list.GetAddress(0).EndChar, 8);
    EXPECT_EQ(list.GetAddress(0).FirstLine, 0);
    EXPECT_EQ(list.GetAddress(0).LineCount, 2);
    EXPECT_EQ(list.GetAddress(1).FirstLine, 4);
    EXPECT_EQ(list.GetAddress(1).StartChar, 12);
    EXPECT_EQ(list.SelectedCount(), 0);

    // Lines of blanks and control characters separate like empty lines; a
    // break counts one position in a control that counts it so.
    list.RefreshFrom(fourAddresses, 0, 0, 1, false);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.AddressLines(2), (QStringList{QStringLiteral("C1"), QStringLiteral("C2")}));
    EXPECT_EQ(list.GetAddress(2).StartChar, 16);
    EXPECT_EQ(list.GetAddress(3).EndChar, 26);
    QStringList captions;
    list.GetCaptions(captions);
    EXPECT_EQ(captions, (QStringList{QStringLiteral("A1"), QStringLiteral("B1"), QStringLiteral("C1"),
                                     QStringLiteral("D1")}));
}

TEST(AddressList, CaretAndSelectionChooseAddresses)
{
    TAddressPrintList list(nullptr, nullptr, nullptr);
    list.RefreshFrom({}, 0, 5, 1, true);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.SelectedCount(), 0);

    // No selection: every address.
    list.RefreshFrom(fourAddresses, 4, 0, 1, true);
    EXPECT_EQ(list.SelectedCount(), 4);
    // The caret on a gap line belongs to the address above it.
    list.RefreshFrom(fourAddresses, 6, 0, 1, false);
    EXPECT_EQ(list.CaretAddress(), 1);
    // A selection from inside B to inside C: the 2nd and 3rd.
    list.RefreshFrom(fourAddresses, 8, 9, 1, true);
    EXPECT_EQ(selectedCaptions(list), (QStringList{QStringLiteral("B1"), QStringLiteral("C1")}));
    // Starting in blank lines before the first address: clamped to the first.
    list.RefreshFrom(QStringList{QString(), QString()} + fourAddresses, 0, 5, 1, true);
    EXPECT_EQ(list.CaretAddress(), 0);
    EXPECT_EQ(selectedCaptions(list), QStringList{QStringLiteral("A1")});
    // The same text with a trailing line break reads the same.
    list.RefreshFrom(fourAddresses + QStringList{QString()}, 0, 0, 1, false);
    EXPECT_EQ(list.Count(), 4);
}

TEST(AddressList, RangesAndChecks)
{
    TAddressPrintList list(nullptr, nullptr, nullptr);
    list.RefreshFrom(fourAddresses, 0, 0, 1, false);
    list.SelectRange(5, 2);
    EXPECT_EQ(list.SelectedCount(), 0);
    list.SelectRange(-3, 100);
    EXPECT_EQ(list.SelectedCount(), 4);
    list.SelectChecked({true, false, true});
    EXPECT_EQ(selectedCaptions(list), (QStringList{QStringLiteral("A1"), QStringLiteral("C1")}));
    list.SelectAll(false);
    EXPECT_EQ(list.SelectedCount(), 0);
}
