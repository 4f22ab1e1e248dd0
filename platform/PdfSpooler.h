#pragma once

#include "platform/Spooler.h"

// The built-in printer that writes each job to a PDF file. The file is named by
// the environment variable PLIKORA_PDF_OUTPUT when it is set (for scripted use),
// otherwise asked for when the job starts; no name cancels the job. Like a real
// printer's driver it keeps a quarter inch unprintable on every side. Landscape
// pages are written as landscape pages.
class PdfSpooler : public Spooler
{
public:
    static QString PrinterName();
    // Gets the output file for a job of the given title; empty cancels.
    using AskFileName = std::function<QString(const QString &title)>;

    explicit PdfSpooler(AskFileName ask = {});
    void SetAskFileName(AskFileName ask) { m_ask = std::move(ask); }

    static PrinterCaps Capabilities();

    QStringList PrinterNames() override;
    QString DefaultPrinterName() override;
    bool OpenPrinter(const QString &name, PrinterCaps &caps) override;
    std::unique_ptr<SpoolJob> StartDoc(const QString &name, const PrinterCaps &caps, const DevMode &dm,
                                       const QString &title, QString &error) override;

private:
    AskFileName m_ask;
};

// Writes the bytes to the file through a temporary file renamed over it.
bool WritePdfFile(const QString &path, QIODevice &pdf, QString &error);
