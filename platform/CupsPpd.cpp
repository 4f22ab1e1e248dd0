#include "platform/CupsPpd.h"

#include "platform/Rounding.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>
#include <QUrl>

#include <cstring>
#include <memory>

// The printer description calls are the only way to a driver's option
// keywords; libcups marks them deprecated, so they live here alone.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

namespace {

constexpr qsizetype kMaxDescriptionPageSizes = 1000;

struct PpdDeleter
{
    void operator()(ppd_file_t *ppd) const { ppdClose(ppd); }
};

int Hmm(float points)
{
    return static_cast<int>(RoundHalfEven(double(points) * 2540.0 / 72.0));
}

QString Text(const ppd_choice_t &c)
{
    const QString text = QString::fromUtf8(c.text).trimmed();
    return text.isEmpty() ? QString::fromUtf8(c.choice) : text;
}

// "600dpi", "1200x600dpi", "236dpcm"; false for anything else.
bool ParseResolution(const QString &text, SpoolerResolution &r)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,5})(?:x(\\d{1,5}))?(dpi|dpcm)$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return false;
    int x = m.captured(1).toInt();
    int y = m.captured(2).isEmpty() ? x : m.captured(2).toInt();
    if (m.captured(3) == QLatin1String("dpcm")) {
        x = (x * 254 + 50) / 100;
        y = (y * 254 + 50) / 100;
    }
    if (x <= 0 || y <= 0)
        return false;
    r = {x, y};
    return true;
}

// The PWG name of a PageSize choice: the standard one its keyword or its size
// stands for, else one made of the keyword and the size. A size that only
// matches a standard one keeps a name of its own, so that the driver's true
// "Letter" rather than an "ANSI A" of the same size takes the letter number.
QString MediaKeyword(const char *choice, int width, int length)
{
    auto close = [&](const pwg_media_t *m) {
        return m && std::abs(m->width - width) <= 100 && std::abs(m->length - length) <= 100;
    };
    if (const pwg_media_t *m = pwgMediaForPPD(choice); close(m) && m->pwg)
        return QString::fromLatin1(m->pwg);
    QByteArray name;
    for (const char *c = choice; *c; ++c) {
        const char l = (*c >= 'A' && *c <= 'Z') ? char(*c - 'A' + 'a') : *c;
        name.append(((l >= 'a' && l <= 'z') || (l >= '0' && l <= '9')) ? l : '-');
    }
    char keyword[256];
    if (name.isEmpty()
        || !pwgFormatSizeName(keyword, sizeof keyword, "om", name.constData(), width, length, nullptr))
        return QString::fromUtf8(choice);
    return QString::fromLatin1(keyword);
}

bool IsGray(const QString &choice)
{
    static const QRegularExpression re(QStringLiteral("gr[ae]y|mono|black|^k$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(choice).hasMatch();
}

} // namespace

QString SourceForInputSlot(const QString &choice)
{
    // The scheduler's own names for the common trays.
    static const struct
    {
        const char *ppd;
        const char *pwg;
    } Known[] = {
        {"Auto", "auto"},         {"Cassette", "main"},
        {"Envelope", "envelope"}, {"LargeCapacity", "large-capacity"},
        {"Lower", "bottom"},      {"Manual", "manual"},
        {"ManualFeed", "manual"}, {"Middle", "middle"},
        {"Upper", "top"},         {"Rear", "rear"},
        {"Side", "side"},
    };
    for (const auto &k : Known) {
        if (choice.compare(QLatin1String(k.ppd), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(k.pwg);
    }
    // "Tray2" is "tray-2", "EnvelopeFeeder" "envelope-feeder".
    QString keyword;
    for (int i = 0; i < choice.size(); ++i) {
        const QChar c = choice[i];
        const QChar before = i > 0 ? choice[i - 1] : QChar();
        if (i > 0 && keyword.back() != QLatin1Char('-')
            && ((c.isUpper() && before.isLower())
                || (c.isDigit() != before.isDigit() && c.isLetterOrNumber())))
            keyword += QLatin1Char('-');
        keyword += c.isLetterOrNumber() && c.unicode() < 128 ? c.toLower() : QLatin1Char('-');
    }
    return keyword;
}

bool ReadPrinterDescription(const cups_dest_t &dest, PrinterCaps &caps)
{
    // The scheduler serves the description of each of its queues; a
    // driverless or temporary queue has none.
    QTemporaryFile file;
    if (!file.open())
        return false;
    const QByteArray resource = "/printers/" + QUrl::toPercentEncoding(QString::fromUtf8(dest.name)) + ".ppd";
    if (cupsGetFd(CUPS_HTTP_DEFAULT, resource.constData(), file.handle()) != HTTP_STATUS_OK)
        return false;
    file.flush();
    return ReadPrinterDescriptionFile(file.fileName(), dest.num_options, dest.options, caps);
}

bool ReadPrinterDescriptionFile(const QString &fileName, int numOptions, cups_option_t *options,
                                PrinterCaps &caps)
{
    // The description reader's time grows with the square of the page sizes: a description
    // listing more than any driver has is left aside, and the queue's own media list serves.
    QFile text(fileName);
    if (!text.open(QIODevice::ReadOnly))
        return false;
    qsizetype sizes = 0;
    while (!text.atEnd()) {
        if (text.readLine(4096).startsWith("*PageSize ") && ++sizes > kMaxDescriptionPageSizes)
            return false;
    }
    text.close();
    std::unique_ptr<ppd_file_t, PpdDeleter> ppd(ppdOpenFile(QFile::encodeName(fileName).constData()));
    if (!ppd)
        return false;
    ppdMarkDefaults(ppd.get());
    // The user's and the instance's own defaults (lpoptions) come on top.
    cupsMarkOptions(ppd.get(), numOptions, options);
    ppdLocalize(ppd.get());

    PrinterCaps result = caps;
    result.driver = DriverChoices();
    result.driver.present = true;
    result.driver.customSize = ppd->variable_sizes != 0;

    if (ppd_option_t *option = ppdFindOption(ppd.get(), "PageSize")) {
        result.papers.clear();
        result.defaultPaper = 0;
        // Looked up by name once: a description may list thousands of sizes.
        QHash<QByteArray, const ppd_size_t *> sizes;
        sizes.reserve(ppd->num_sizes);
        for (int i = ppd->num_sizes - 1; i >= 0; --i)
            sizes.insert(QByteArray(ppd->sizes[i].name), &ppd->sizes[i]);
        // The scheduler's names of its media, for sizes the description gives no text.
        QHash<QString, QString> scheduler;
        for (const SpoolerPaper &p : caps.papers) {
            if (!p.name.isEmpty() && !scheduler.contains(p.keyword))
                scheduler.insert(p.keyword, p.name);
        }
        // A name shows once per size: the same paper under other keywords is merged,
        // another size of the same name stays and is told apart by its size.
        QSet<QString> seen;
        QHash<QString, int> sizesOfName;
        for (int i = 0; i < option->num_choices; ++i) {
            const ppd_choice_t &c = option->choices[i];
            const ppd_size_t *size = sizes.value(QByteArray(c.choice));
            if (!std::strcmp(c.choice, "Custom") || !size || size->width < 1 || size->length < 1)
                continue;
            SpoolerPaper paper;
            paper.choice = QString::fromUtf8(c.choice);
            paper.width = Hmm(size->width);
            paper.length = Hmm(size->length);
            paper.left = std::max(0, Hmm(size->left));
            paper.bottom = std::max(0, Hmm(size->bottom));
            paper.right = std::max(0, Hmm(size->width - size->right));
            paper.top = std::max(0, Hmm(size->length - size->top));
            paper.keyword = MediaKeyword(c.choice, paper.width, paper.length);
            // A choice without text reads as its keyword ("Env10"), as generated descriptions have them.
            paper.name = Text(c);
            if (paper.name == paper.choice)
                paper.name = scheduler.value(paper.keyword, paper.choice);
            const QString same = paper.name + QLatin1Char('\n') + QString::number(paper.width)
                                 + QLatin1Char('x') + QString::number(paper.length);
            if (seen.contains(same))
                continue;
            seen.insert(same);
            ++sizesOfName[paper.name];
            if (c.marked)
                result.defaultPaper = int(result.papers.size());
            result.papers.append(paper);
        }
        for (SpoolerPaper &paper : result.papers) {
            if (sizesOfName.value(paper.name) > 1)
                paper.name += QStringLiteral(" (%1 x %2 mm)")
                                  .arg(QString::number(paper.width / 100.0, 'f', 1),
                                       QString::number(paper.length / 100.0, 'f', 1));
        }
    }

    result.bins.clear();
    result.defaultBin = 0;
    if (ppd_option_t *option = ppdFindOption(ppd.get(), "InputSlot")) {
        for (int i = 0; i < option->num_choices; ++i) {
            const ppd_choice_t &c = option->choices[i];
            if (c.marked)
                result.defaultBin = int(result.bins.size());
            const QString choice = QString::fromUtf8(c.choice);
            result.bins.append(SpoolerBin{0, SourceForInputSlot(choice), Text(c), choice});
        }
    }

    if (ppd_option_t *option = ppdFindOption(ppd.get(), "Resolution")) {
        QList<SpoolerResolution> resolutions;
        QStringList choices;
        int defaultResolution = 0;
        for (int i = 0; i < option->num_choices; ++i) {
            SpoolerResolution r;
            if (!ParseResolution(QString::fromUtf8(option->choices[i].choice), r) || resolutions.contains(r))
                continue;
            if (option->choices[i].marked)
                defaultResolution = int(resolutions.size());
            resolutions.append(r);
            choices.append(QString::fromUtf8(option->choices[i].choice));
        }
        if (!resolutions.isEmpty()) {
            result.resolutions = resolutions;
            result.driver.resolutions = choices;
            result.defaultResolution = defaultResolution;
        }
    } else if (const ppd_attr_t *attr = ppdFindAttr(ppd.get(), "DefaultResolution", nullptr)) {
        SpoolerResolution r;
        if (attr->value && ParseResolution(QString::fromUtf8(attr->value), r)) {
            result.resolutions = {r};
            result.defaultResolution = 0;
        }
    }
    result.driver.resolutions.resize(result.resolutions.size());

    result.color = ppd->color_device != 0;
    if (ppd_option_t *option = ppdFindOption(ppd.get(), "ColorModel")) {
        bool markedColor = false;
        for (int i = 0; i < option->num_choices; ++i) {
            const ppd_choice_t &c = option->choices[i];
            const QString choice = QString::fromUtf8(c.choice);
            QString &slot = IsGray(choice) ? result.driver.gray : result.driver.color;
            if (slot.isEmpty())
                slot = choice;
            // Colour as the driver means it: its default, when that is a colour choice.
            if (c.marked && !IsGray(choice)) {
                markedColor = true;
                result.driver.color = choice;
            }
        }
        result.color = result.color && !result.driver.color.isEmpty();
        result.defaultColor = result.color && markedColor;
        // Without both choices there is nothing to choose.
        if (result.driver.gray.isEmpty() || !result.color) {
            result.driver.color.clear();
            result.driver.gray.clear();
        }
    } else {
        result.defaultColor = result.color && caps.defaultColor;
    }

    result.duplex = false;
    if (ppd_option_t *option = ppdFindOption(ppd.get(), "Duplex")) {
        for (int i = 0; i < option->num_choices; ++i) {
            const ppd_choice_t &c = option->choices[i];
            const QString choice = QString::fromUtf8(c.choice);
            // A duplexer that is not installed cannot be chosen.
            const bool usable = !ppdInstallableConflict(ppd.get(), "Duplex", c.choice);
            if (choice == QLatin1String("None") || choice == QLatin1String("Off")
                || choice == QLatin1String("False"))
                result.driver.simplex = choice;
            else if (usable
                     && (choice == QLatin1String("DuplexNoTumble") || choice == QLatin1String("LongEdge")))
                result.driver.longEdge = choice;
            else if (usable
                     && (choice == QLatin1String("DuplexTumble") || choice == QLatin1String("ShortEdge")))
                result.driver.shortEdge = choice;
        }
        result.duplex = !result.driver.simplex.isEmpty() && !result.driver.longEdge.isEmpty()
                        && !result.driver.shortEdge.isEmpty();
        if (!result.duplex) {
            result.driver.longEdge.clear();
            result.driver.shortEdge.clear();
        }
    }
    caps = result;
    return true;
}
