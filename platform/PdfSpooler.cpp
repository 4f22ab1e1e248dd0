#include "platform/PdfSpooler.h"

#include "platform/AtomicSave.h"
#include "platform/PwgTables.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

QString AskWithDialog(const QString &title)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return {};
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // Without the folder the dialog would open wherever the program was started.
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QString file = QFileDialog::getSaveFileName(nullptr, QStringLiteral("Print to PDF"),
                                                QDir(folder).filePath(title + QStringLiteral(".pdf")),
                                                QStringLiteral("PDF files (*.pdf)"));
    if (!file.isEmpty() && !file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        file += QStringLiteral(".pdf");
    return file;
}

} // namespace

bool WritePdfFile(const QString &path, QIODevice &pdf, QString &error)
{
    AtomicSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    QByteArray chunk;
    while (ok && !pdf.atEnd()) {
        chunk = pdf.read(1 << 16);
        if (chunk.isEmpty()) {
            error = QStringLiteral("The printed document cannot be read back to save \"%1\". %2")
                        .arg(QDir::toNativeSeparators(path), pdf.errorString());
            return false;
        }
        ok = file.write(chunk) == chunk.size();
    }
    if (!ok || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

QString PdfSpooler::PrinterName()
{
    return QStringLiteral("Print to PDF");
}

PdfSpooler::PdfSpooler(AskFileName ask) : m_ask(std::move(ask)) {}

PrinterCaps PdfSpooler::Capabilities()
{
    PrinterCaps caps;
    const char *media[] = {
        "na_letter_8.5x11in",       "na_legal_8.5x14in",         "na_executive_7.25x10.5in",
        "iso_a4_210x297mm",         "iso_a5_148x210mm",          "na_number-9_3.875x8.875in",
        "na_number-10_4.125x9.5in", "na_number-11_4.5x10.375in", "na_number-12_4.75x11in",
        "na_number-14_5x11.5in",    "na_monarch_3.875x7.5in",    "na_personal_3.625x6.5in",
        "iso_dl_110x220mm",         "iso_c4_229x324mm",          "iso_c5_162x229mm",
        "iso_c6_114x162mm",         "iso_c6c5_114x229mm",        "iso_b5_176x250mm",
        "iso_b6_125x176mm",         "om_italian_110x230mm"};
    for (const char *m : media) {
        SpoolerPaper p;
        p.keyword = QString::fromLatin1(m);
        PwgMediaSize(p.keyword, p.width, p.length);
        p.left = p.bottom = p.right = p.top = 635;
        caps.papers.append(p);
    }
    caps.bins.append(SpoolerBin{0, QStringLiteral("auto"), QString()});
    caps.resolutions = {{300, 300}, {600, 600}, {1200, 1200}};
    caps.defaultResolution = 1;
    caps.color = true;
    caps.defaultColor = true;
    NumberPapersAndBins(caps);
    return caps;
}

QStringList PdfSpooler::PrinterNames()
{
    return {PrinterName()};
}

QString PdfSpooler::DefaultPrinterName()
{
    return PrinterName();
}

bool PdfSpooler::OpenPrinter(const QString &name, PrinterCaps &caps)
{
    if (name != PrinterName())
        return false;
    caps = Capabilities();
    return true;
}

std::unique_ptr<SpoolJob> PdfSpooler::StartDoc(const QString &name, const PrinterCaps &caps,
                                               const DevMode &dm, const QString &title, QString &error)
{
    if (name != PrinterName()) {
        error = QStringLiteral("The printer \"%1\" is not available.").arg(name);
        return nullptr;
    }
    QString path = qEnvironmentVariable("PLIKORA_PDF_OUTPUT");
    if (path.isEmpty())
        path = m_ask ? m_ask(title) : AskWithDialog(title);
    if (path.isEmpty())
        throw SpoolCancelled();
    // The file is what people look at: landscape envelopes read as such.
    PageGeometry geometry = GeometryFor(caps, dm);
    geometry.landscapeSheet = true;
    return std::make_unique<SpoolJob>(
        geometry, title, [path](QIODevice &pdf, int, QString &err) { return WritePdfFile(path, pdf, err); });
}
