#pragma once

#include "platform/Spooler.h"

// The CUPS printers, through libcups's destination API.
class CupsSpooler : public Spooler
{
public:
    QStringList PrinterNames() override;
    bool ServiceDown() const override { return m_serviceDown; }
    QString DefaultPrinterName() override;
    bool OpenPrinter(const QString &name, PrinterCaps &caps) override;
    std::unique_ptr<SpoolJob> StartDoc(const QString &name, const PrinterCaps &caps, const DevMode &dm,
                                       const QString &title, QString &error) override;

    // The options a job on this device mode is submitted with.
    static QList<QPair<QByteArray, QByteArray>> JobOptions(const PrinterCaps &caps, const DevMode &dm);

private:
    bool m_serviceDown = false;
};
