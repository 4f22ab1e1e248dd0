#include "FakeSpooler.h"

#include <QIODevice>

PrinterCaps FakeSpooler::OfficeCaps()
{
    PrinterCaps caps;
    auto paper = [](const char *media, int w, int l) {
        SpoolerPaper p;
        p.keyword = QString::fromLatin1(media);
        p.width = w;
        p.length = l;
        p.left = 635;
        p.top = 318;
        p.right = 432;
        p.bottom = 1270;
        return p;
    };
    caps.papers = {paper("na_letter_8.5x11in", 21590, 27940), paper("iso_a4_210x297mm", 21000, 29700),
                   paper("na_number-10_4.125x9.5in", 10478, 24130), paper("iso_dl_110x220mm", 11000, 22000)};
    for (const char *s : {"top", "bottom", "manual", "envelope"})
        caps.bins.append(SpoolerBin{0, QString::fromLatin1(s), QString()});
    caps.resolutions = {{300, 300}, {600, 600}, {1200, 600}};
    caps.defaultResolution = 1;
    caps.qualities = {DMRES_DRAFT, DMRES_MEDIUM, DMRES_HIGH};
    caps.color = true;
    caps.defaultColor = true;
    caps.duplex = true;
    NumberPapersAndBins(caps);
    return caps;
}

void FakeSpooler::AddPrinter(const QString &name, const PrinterCaps &caps)
{
    m_names.append(name);
    m_caps[name] = caps;
}

bool FakeSpooler::OpenPrinter(const QString &name, PrinterCaps &caps)
{
    ++openCalls;
    if (m_failOpen.contains(name) || !m_caps.contains(name))
        return false;
    caps = m_caps[name];
    return true;
}

bool FakeSpooler::DefaultDevMode(const QString &name, const PrinterCaps &caps, DevMode &out)
{
    if (failDefaults)
        return false;
    return Spooler::DefaultDevMode(name, caps, out);
}

bool FakeSpooler::MergeDevMode(const QString &name, const PrinterCaps &caps, const DevMode &in, DevMode &out)
{
    ++mergeCalls;
    lastMergeIn = in;
    if (failMerge)
        return false;
    return Spooler::MergeDevMode(name, caps, in, out);
}

std::unique_ptr<SpoolJob> FakeSpooler::StartDoc(const QString &name, const PrinterCaps &caps,
                                                const DevMode &dm, const QString &title, QString &error)
{
    if (onStartDoc)
        onStartDoc();
    if (failStartDoc) {
        error = QStringLiteral("The fake printer refuses to start.");
        return nullptr;
    }
    return std::make_unique<SpoolJob>(GeometryFor(caps, dm), title,
                                      [this, name, title, dm](QIODevice &pdf, int pages, QString &err) {
                                          if (failDeliver) {
                                              err = QStringLiteral("The fake printer lost the job.");
                                              return false;
                                          }
                                          jobs.append(Job{name, title, dm, pages, pdf.readAll()});
                                          return true;
                                      });
}
