#include "engine/DescribedList.h"

#include <gtest/gtest.h>

namespace {

struct Tag
{
    int id = 0;
};

class DescribedListTest : public ::testing::Test
{
protected:
    int add(const char *description, int id)
    {
        return list.Add(QString::fromLatin1(description), std::make_unique<Tag>(Tag{id}));
    }
    QString defaultName() const { return list.Description(list.DefaultIndex()); }

    TDescribedList<Tag> list;
};

TEST_F(DescribedListTest, SortsWithoutCaseAndKeepsEqualDescriptionsInArrivalOrder)
{
    add("beta", 1);
    add("Alpha", 2);
    add("gamma", 3);
    add("BETA", 4);
    add("beta", 5);
    EXPECT_EQ(list.Descriptions(), (QStringList{"Alpha", "beta", "BETA", "beta", "gamma"}));
    EXPECT_EQ(list.Object(1)->id, 1);
    EXPECT_EQ(list.Object(2)->id, 4);
    EXPECT_EQ(list.Object(3)->id, 5);
}

TEST_F(DescribedListTest, TheFirstEntryOfAnEmptyListIsTheDefault)
{
    EXPECT_EQ(add("only", 1), 0);
    EXPECT_EQ(list.DefaultIndex(), 0);
    // Emptied and filled again: still the new entry, not one past it.
    list.Remove(0);
    EXPECT_TRUE(list.IsEmpty());
    add("again", 2);
    EXPECT_EQ(list.DefaultIndex(), 0);
}

TEST_F(DescribedListTest, AddKeepsTheDefaultOnTheSameEntry)
{
    add("m", 1);
    add("x", 2);
    list.SetDefaultIndex(1); // "x"
    add("a", 3);             // before the default
    EXPECT_EQ(defaultName(), "x");
    add("z", 4); // after it
    EXPECT_EQ(defaultName(), "x");
    add("x", 5); // equal: goes after it
    EXPECT_EQ(list.Object(list.DefaultIndex())->id, 2);
}

TEST_F(DescribedListTest, RenameKeepsTheObjectAndTheDefault)
{
    add("a", 1);
    add("c", 2);
    add("e", 3);
    list.SetDefaultIndex(1); // "c"
    Tag *renamed = list.Object(1);
    // The default itself moves to the end.
    EXPECT_EQ(list.Rename(1, "z"), 2);
    EXPECT_EQ(list.Object(2), renamed);
    EXPECT_EQ(list.DefaultIndex(), 2);
    // Another entry moves across the default in both directions.
    EXPECT_EQ(list.Rename(0, "y"), 1); // a -> y: e, y, z
    EXPECT_EQ(list.Object(list.DefaultIndex())->id, 2);
    EXPECT_EQ(list.Rename(1, "0"), 0); // y -> 0: 0, e, z
    EXPECT_EQ(list.Object(list.DefaultIndex())->id, 2);
    // Renaming to the same description leaves everything in place.
    EXPECT_EQ(list.Rename(2, "z"), 2);
    EXPECT_EQ(list.DefaultIndex(), 2);
}

TEST_F(DescribedListTest, RemoveAroundTheDefault)
{
    for (int i = 0; i < 4; ++i)
        add(QByteArray(1, char('a' + i)).constData(), i);
    list.SetDefaultIndex(2); // "c"
    std::unique_ptr<Tag> gone = list.Remove(3);
    EXPECT_EQ(gone->id, 3);
    EXPECT_EQ(defaultName(), "c");
    list.Remove(0);
    EXPECT_EQ(defaultName(), "c");
    // The default itself: the first entry takes over.
    list.Remove(list.DefaultIndex());
    EXPECT_EQ(list.DefaultIndex(), 0);
    EXPECT_EQ(defaultName(), "b");
}

} // namespace
