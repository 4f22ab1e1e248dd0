#include "integrations/lookup/LookupAddress.h"

#include "platform/RichEdit.h"
#include "platform/UrlOpener.h"
#include "support/RichTextTestApp.h"
#include "support/ScriptedMessageService.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct RecordingOpener : TUrlOpener
{
    RecordingOpener() { SetUrlOpener(this); }
    ~RecordingOpener() override { SetUrlOpener(nullptr); }
    bool Open(const QString &url) override
    {
        opened << url;
        return true;
    }
    QStringList opened;
};

QString Query(const QString &selection)
{
    const TZipQuery q = SplitSelectedAddress(selection);
    return QStringList{q.Address, q.City, q.State, q.Zip, q.Parsed ? "parsed" : "-"}.join('|');
}

} // namespace

TEST(LookupAddressTest, SplitsTheFirstSelectedAddress)
{
    EXPECT_EQ(Query("Ann Smith\r\n12 Main St\r\nSpringfield, IL 62704"),
              "12 Main St|Springfield|IL|62704|parsed");
    EXPECT_EQ(Query("12 Main St\nSpringfield, IL 62704-1234"), "12 Main St|Springfield|IL|62704-1234|parsed");
    EXPECT_EQ(Query("12 Main St\rSpringfield, IL"), "12 Main St|Springfield,|IL||parsed");
    EXPECT_EQ(Query(QString::fromUtf8("12 Main St\u2028Springfield 62704")),
              "12 Main St|Springfield||62704|parsed");
    EXPECT_EQ(Query(QString::fromUtf8(" 12 Main St \u2029  Springfield,  IL  62704  ")),
              " 12 Main St |Springfield|IL|62704|parsed");
    EXPECT_EQ(Query("12 Main St\nSpringfield"), "12 Main St|Springfield|||-");
    EXPECT_EQ(Query("Springfield, IL 62704"), "||||-");
    EXPECT_EQ(Query("  \r\n12 Main St\r\nSpringfield, IL 62704"), "||||-");
    EXPECT_EQ(Query("Ann\n12 Main St\nSpringfield, IL 62704\n \nBob\n9 Oak Ave\nAlbany, NY 12207"),
              "12 Main St|Springfield|IL|62704|parsed");
}

TEST(LookupAddressTest, PageAddressEncodesEveryValue)
{
    EXPECT_EQ(ZipCodeLookupUrl("12 Main St", "Springfield", "IL", "62704"),
              QString(kZipLookupPage) + "&address=12%20Main%20St&city=Springfield&state=IL&zip=62704");
    EXPECT_EQ(
        ZipCodeLookupUrl(QString::fromUtf8("12 Main St #4 & 5?+%"), QString::fromUtf8("Mañana"), "", ""),
        QString(kZipLookupPage)
            + "&address=12%20Main%20St%20%234%20%26%205%3F%2B%25&city=Ma%C3%B1ana&state=&zip=");
}

TEST(LookupAddressTest, ActionOpensThePageForTheSelection)
{
    EnsureRichTextTestApp();
    RecordingOpener opener;
    ScriptedMessageService messages;
    RichEdit box;
    box.SetText("Ann\n12 Main St #4\nSpringfield, IL 62704\n\nBob\n9 Oak Ave\nAlbany, NY 12207");

    // Nothing selected: the general page only when the user says Yes.
    messages.answers = {mrNo, mrCancel, mrYes};
    for (int i = 0; i < 3; ++i)
        ActionEditLookupExecute(box);
    ASSERT_EQ(messages.shown.size(), 3);
    EXPECT_EQ(messages.shown[0].message,
              "You didn't select the address to check. Do you still want to search?");
    EXPECT_EQ(messages.shown[0].buttons, mbYesNoCancel);
    EXPECT_EQ(opener.opened, QStringList({kZipLookupPage}));

    box.SelectAllText();
    ActionEditLookupExecute(box);
    ASSERT_EQ(opener.opened.size(), 2);
    EXPECT_EQ(opener.opened[1],
              QString(kZipLookupPage) + "&address=12%20Main%20St%20%234&city=Springfield&state=IL&zip=62704");

    // A selection that splits into nothing does nothing.
    box.SetSelStart(0);
    box.SetSelLength(3);
    ActionEditLookupExecute(box);
    EXPECT_EQ(opener.opened.size(), 2);
    EXPECT_EQ(messages.shown.size(), 3);
}
