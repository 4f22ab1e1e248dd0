#pragma once

#include "platform/Spooler.h"

#include <QMap>
#include <QSet>

// A scripted print system for unit tests: printers with the papers, bins and
// margins a test gives, failures on demand, and every finished job recorded.
class FakeSpooler : public Spooler
{
public:
    struct Job
    {
        QString printer;
        QString title;
        DevMode devMode;
        int pages = 0;
        QByteArray pdf;
    };

    // A typical office printer: Letter, A4, #10, DL; four trays; 300/600 dpi;
    // margins left 0.25 in, top 0.125 in, right 0.17 in, bottom 0.5 in.
    static PrinterCaps OfficeCaps();

    void AddPrinter(const QString &name, const PrinterCaps &caps = OfficeCaps());
    void SetDefault(const QString &name) { m_default = name; }
    void FailOpen(const QString &name) { m_failOpen.insert(name); }

    QStringList PrinterNames() override { return m_names; }
    QString DefaultPrinterName() override { return m_default; }
    bool OpenPrinter(const QString &name, PrinterCaps &caps) override;
    bool DefaultDevMode(const QString &name, const PrinterCaps &caps, DevMode &out) override;
    bool MergeDevMode(const QString &name, const PrinterCaps &caps, const DevMode &in, DevMode &out) override;
    std::unique_ptr<SpoolJob> StartDoc(const QString &name, const PrinterCaps &caps, const DevMode &dm,
                                       const QString &title, QString &error) override;

    bool failDefaults = false;
    bool failMerge = false;
    bool failStartDoc = false;
    bool failDeliver = false;
    // Runs as a document starts, where a printer may ask for a file.
    std::function<void()> onStartDoc;
    int openCalls = 0;
    int mergeCalls = 0;
    DevMode lastMergeIn;
    QList<Job> jobs;

private:
    QStringList m_names;
    QMap<QString, PrinterCaps> m_caps;
    QString m_default;
    QSet<QString> m_failOpen;
};
