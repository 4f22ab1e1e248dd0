#include "platform/CupsSpooler.h"
#include "platform/PdfSpooler.h"

namespace {

// CUPS printers first, then the built-in PDF printer, which is the default
// whenever CUPS has no default (or no scheduler answers).
class SystemSpooler : public Spooler
{
public:
    QStringList PrinterNames() override
    {
        QStringList names = m_cups.PrinterNames();
        names.removeAll(PdfSpooler::PrinterName());
        names.append(PdfSpooler::PrinterName());
        return names;
    }
    bool ServiceDown() const override { return m_cups.ServiceDown(); }
    QString DefaultPrinterName() override
    {
        QString name = m_cups.DefaultPrinterName();
        return name.isEmpty() ? PdfSpooler::PrinterName() : name;
    }
    bool OpenPrinter(const QString &name, PrinterCaps &caps) override
    {
        return For(name).OpenPrinter(name, caps);
    }
    bool DefaultDevMode(const QString &name, const PrinterCaps &caps, DevMode &out) override
    {
        return For(name).DefaultDevMode(name, caps, out);
    }
    bool MergeDevMode(const QString &name, const PrinterCaps &caps, const DevMode &in, DevMode &out) override
    {
        return For(name).MergeDevMode(name, caps, in, out);
    }
    std::unique_ptr<SpoolJob> StartDoc(const QString &name, const PrinterCaps &caps, const DevMode &dm,
                                       const QString &title, QString &error) override
    {
        return For(name).StartDoc(name, caps, dm, title, error);
    }

    PdfSpooler &Pdf() { return m_pdf; }

private:
    Spooler &For(const QString &name)
    {
        if (name == PdfSpooler::PrinterName())
            return m_pdf;
        return m_cups;
    }

    CupsSpooler m_cups;
    PdfSpooler m_pdf;
};

} // namespace

std::unique_ptr<Spooler> CreateSystemSpooler(std::function<QString(const QString &title)> askPdfFile)
{
    auto spooler = std::make_unique<SystemSpooler>();
    spooler->Pdf().SetAskFileName(std::move(askPdfFile));
    return spooler;
}
