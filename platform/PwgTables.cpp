#include "platform/PwgTables.h"

#include "platform/DevMode.h"
#include "platform/Rounding.h"

#include <array>
#include <cstdlib>

namespace {

struct PaperEntry
{
    int number;
    const char *media;
    const char *name;
};

// First entry wins when a name or size appears twice.
constexpr std::array<PaperEntry, 36> Papers{{
    {1, "na_letter_8.5x11in", "Letter"},
    {3, "na_ledger_11x17in", "Tabloid"},
    {5, "na_legal_8.5x14in", "Legal"},
    {6, "na_invoice_5.5x8.5in", "Statement"},
    {7, "na_executive_7.25x10.5in", "Executive"},
    {8, "iso_a3_297x420mm", "A3"},
    {9, "iso_a4_210x297mm", "A4"},
    {11, "iso_a5_148x210mm", "A5"},
    {12, "iso_b4_250x353mm", "B4"},
    {13, "jis_b5_182x257mm", "B5 (JIS)"},
    {14, "na_foolscap_8.5x13in", "Folio"},
    {15, "na_quarto_8.5x10.83in", "Quarto"},
    {16, "na_10x14_10x14in", "10x14"},
    {19, "na_number-9_3.875x8.875in", "#9 Envelope"},
    {20, "na_number-10_4.125x9.5in", "#10 Envelope"},
    {21, "na_number-11_4.5x10.375in", "#11 Envelope"},
    {22, "na_number-12_4.75x11in", "#12 Envelope"},
    {23, "na_number-14_5x11.5in", "#14 Envelope"},
    {24, "na_c_17x22in", "C Sheet"},
    {25, "na_d_22x34in", "D Sheet"},
    {26, "na_e_34x44in", "E Sheet"},
    {27, "iso_dl_110x220mm", "DL Envelope"},
    {28, "iso_c5_162x229mm", "C5 Envelope"},
    {29, "iso_c3_324x458mm", "C3 Envelope"},
    {30, "iso_c4_229x324mm", "C4 Envelope"},
    {31, "iso_c6_114x162mm", "C6 Envelope"},
    {32, "iso_c6c5_114x229mm", "C65 Envelope"},
    {33, "iso_b4_250x353mm", "B4 Envelope"},
    {34, "iso_b5_176x250mm", "B5 Envelope"},
    {35, "iso_b6_125x176mm", "B6 Envelope"},
    {36, "om_italian_110x230mm", "Italy Envelope"},
    {37, "na_monarch_3.875x7.5in", "Monarch Envelope"},
    {38, "na_personal_3.625x6.5in", "6 3/4 Envelope"},
    {39, "na_fanfold-us_11x14.875in", "US Std Fanfold"},
    {40, "na_fanfold-eur_8.5x12in", "German Std Fanfold"},
    {41, "na_foolscap_8.5x13in", "German Legal Fanfold"},
}};

struct BinEntry
{
    int number;
    const char *keyword;
    const char *name;
};

constexpr std::array<BinEntry, 11> Bins{{
    {DMBIN_UPPER, "top", "Upper Tray"},
    {DMBIN_UPPER, "upper", "Upper Tray"},
    {DMBIN_LOWER, "bottom", "Lower Tray"},
    {DMBIN_LOWER, "lower", "Lower Tray"},
    {DMBIN_MIDDLE, "middle", "Middle Tray"},
    {DMBIN_MANUAL, "manual", "Manual"},
    {DMBIN_ENVELOPE, "envelope", "Envelope"},
    {DMBIN_AUTO, "auto", "Auto"},
    {DMBIN_LARGECAPACITY, "large-capacity", "Large Capacity"},
    {DMBIN_CASSETTE, "main", "Cassette"},
    {DMBIN_ENVMANUAL, "by-pass-tray", "Envelope Manual"},
}};

// Parses "<w>x<h><unit>" (unit "in" or "mm") into hundredths of a millimetre.
bool ParseSize(const QString &text, int &w, int &h)
{
    int factorNum = 0;
    QString body = text;
    if (body.endsWith(QLatin1String("in"))) {
        factorNum = 2540;
    } else if (body.endsWith(QLatin1String("mm"))) {
        factorNum = 100;
    } else {
        return false;
    }
    body.chop(2);
    const int x = body.indexOf(QLatin1Char('x'));
    if (x <= 0 || x == body.size() - 1)
        return false;
    auto number = [](const QString &s, double &out) {
        // ASCII digits and at most one point only.
        bool point = false;
        for (QChar c : s) {
            if (c == QLatin1Char('.')) {
                if (point)
                    return false;
                point = true;
            } else if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return false;
            }
        }
        bool ok = false;
        out = s.toDouble(&ok);
        return ok && out > 0 && out < 100000;
    };
    double a = 0;
    double b = 0;
    if (!number(body.left(x), a) || !number(body.mid(x + 1), b))
        return false;
    w = static_cast<int>(RoundHalfEven(a * factorNum));
    h = static_cast<int>(RoundHalfEven(b * factorNum));
    return true;
}

} // namespace

bool PwgMediaSize(const QString &media, int &widthHmm, int &lengthHmm)
{
    const int last = media.lastIndexOf(QLatin1Char('_'));
    if (last < 0)
        return false;
    return ParseSize(media.mid(last + 1), widthHmm, lengthHmm);
}

QString PwgMediaForPaper(int paperNumber)
{
    for (const auto &e : Papers) {
        if (e.number == paperNumber)
            return QString::fromLatin1(e.media);
    }
    return {};
}

int PaperForPwgMedia(const QString &media)
{
    for (const auto &e : Papers) {
        if (media == QLatin1String(e.media))
            return e.number;
    }
    int w = 0;
    int h = 0;
    if (!PwgMediaSize(media, w, h))
        return 0;
    // Same size within half a millimetre, in either orientation.
    for (const auto &e : Papers) {
        int ew = 0;
        int eh = 0;
        PwgMediaSize(QString::fromLatin1(e.media), ew, eh);
        if ((std::abs(ew - w) <= 50 && std::abs(eh - h) <= 50)
            || (std::abs(ew - h) <= 50 && std::abs(eh - w) <= 50))
            return e.number;
    }
    return 0;
}

QString PaperDisplayName(int paperNumber, const QString &media)
{
    for (const auto &e : Papers) {
        if (e.number == paperNumber)
            return QString::fromLatin1(e.name);
    }
    // "na_foo-bar_5x7in" becomes "Foo bar 5x7in".
    QStringList parts = media.split(QLatin1Char('_'));
    QString name = parts.size() >= 3 ? parts[1] + QLatin1Char(' ') + parts.last() : media;
    name.replace(QLatin1Char('-'), QLatin1Char(' '));
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

bool IsEnvelopePaper(int paperNumber, const QString &media)
{
    // #9 to #14, DL to 6 3/4, Invitation.
    if ((paperNumber >= 19 && paperNumber <= 23) || (paperNumber >= 27 && paperNumber <= 38)
        || paperNumber == 47)
        return true;
    if (paperNumber > 0 && paperNumber < FirstPrivatePaperNumber)
        return false;
    static const char *const envelopeMedia[] = {"na_number-", "na_monarch_", "na_personal_", "na_a2_",
                                                "iso_dl_",    "iso_c",       "om_italian_",  "jpn_chou",
                                                "jpn_kaku",   "jpn_you"};
    for (const char *prefix : envelopeMedia) {
        if (media.startsWith(QLatin1String(prefix)))
            return true;
    }
    // Names made from a driver's own ("om_env-c5_...").
    return media.contains(QLatin1String("env"), Qt::CaseInsensitive);
}

QString SourceForBin(int binNumber)
{
    for (const auto &e : Bins) {
        if (e.number == binNumber)
            return QString::fromLatin1(e.keyword);
    }
    return {};
}

int BinForSource(const QString &keyword)
{
    for (const auto &e : Bins) {
        if (keyword == QLatin1String(e.keyword))
            return e.number;
    }
    return 0;
}

QString BinDisplayName(int binNumber, const QString &keyword)
{
    for (const auto &e : Bins) {
        if (e.number == binNumber && keyword == QLatin1String(e.keyword))
            return QString::fromLatin1(e.name);
    }
    QString name = keyword;
    name.replace(QLatin1Char('-'), QLatin1Char(' '));
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

int IppQualityForCode(int code)
{
    switch (code) {
    case DMRES_DRAFT:
    case DMRES_LOW: return 3;
    case DMRES_HIGH: return 5;
    default: return 4;
    }
}
