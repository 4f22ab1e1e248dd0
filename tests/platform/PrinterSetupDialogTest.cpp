#include "platform/PrinterSetupDialog.h"
#include "support/FakeSpooler.h"

#include <gtest/gtest.h>

namespace {

struct OfficeSetup
{
    PrinterCaps caps = FakeSpooler::OfficeCaps();
    DevMode dm;
    OfficeSetup() { FillDefaultDevMode(QStringLiteral("Office"), caps, dm); }
};

} // namespace

TEST(PrinterSetupModel, EditsACopyWithinWhatThePrinterOffers)
{
    OfficeSetup s;
    const DevMode original = s.dm;
    PrinterSetupModel model(QStringLiteral("Office"), s.caps, s.dm);
    EXPECT_EQ(model.PaperNames(),
              (QStringList{QStringLiteral("Letter"), QStringLiteral("A4"), QStringLiteral("#10 Envelope"),
                           QStringLiteral("DL Envelope")}));
    EXPECT_EQ(model.SourceNames().last(), QStringLiteral("Envelope"));
    EXPECT_EQ(model.QualityNames(), (QStringList{QStringLiteral("300 dpi"), QStringLiteral("600 dpi"),
                                                 QStringLiteral("1200 x 600 dpi"), QStringLiteral("Draft"),
                                                 QStringLiteral("Normal"), QStringLiteral("High")}));
    EXPECT_EQ(model.PaperIndex(), 0);
    EXPECT_EQ(model.QualityIndex(), 1);

    model.SetPaperIndex(2);
    model.SetSourceIndex(3);
    model.SetLandscape(true);
    model.SetQualityIndex(2);
    model.SetDuplexIndex(1);
    model.SetColor(false);
    model.SetPaperIndex(99); // ignored
    const DevMode &r = model.Result();
    EXPECT_EQ(r.PaperSize(), DMPAPER_ENV_10);
    EXPECT_EQ(r.DefaultSource(), DMBIN_ENVELOPE);
    EXPECT_EQ(r.Orientation(), DMORIENT_LANDSCAPE);
    EXPECT_EQ(r.XDpi(), 1200);
    EXPECT_EQ(r.YDpi(), 600);
    EXPECT_EQ(r.Duplex(), DMDUP_VERTICAL);
    EXPECT_EQ(r.Color(), DMCOLOR_MONOCHROME);
    EXPECT_EQ(model.QualityIndex(), 2);

    model.SetQualityIndex(3);
    EXPECT_EQ(model.Result().PrintQuality(), DMRES_DRAFT);
    EXPECT_EQ(model.QualityIndex(), 3);
    EXPECT_EQ(model.Result().XDpi(), 1200); // the canvas keeps its resolution

    EXPECT_EQ(s.dm, original);
}

TEST(PrinterSetupModel, APrinterWithoutColourOrDuplexRefusesThem)
{
    OfficeSetup s;
    s.caps.color = false;
    s.caps.duplex = false;
    FillDefaultDevMode(QStringLiteral("Mono"), s.caps, s.dm);
    PrinterSetupModel model(QStringLiteral("Mono"), s.caps, s.dm);
    model.SetColor(true);
    model.SetDuplexIndex(2);
    EXPECT_FALSE(model.Color());
    EXPECT_EQ(model.DuplexIndex(), 0);
}

TEST(PrinterSetupModel, UserSizeShowsNoListedPaper)
{
    OfficeSetup s;
    s.dm.SetPaperSize(DMPAPER_USER);
    s.dm.SetPaperWidth(2413);
    s.dm.SetPaperLength(1049);
    PrinterSetupModel model(QStringLiteral("Office"), s.caps, s.dm);
    EXPECT_EQ(model.PaperIndex(), -1);
}
