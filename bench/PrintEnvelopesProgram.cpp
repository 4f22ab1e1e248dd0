// Prints N generated addresses, one envelope each with bar code and return
// address, to the built-in PDF printer:  bench_PrintEnvelopesProgram N OUT.pdf
// or, with "cups" after them, as one job to the default CUPS queue (OUT is not used).
#include "engine/EnvDim.h"
#include "engine/PrintAddresses.h"
#include "engine/RetAddr.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "platform/PdfSpooler.h"
#include "platform/RichEdit.h"
#include "platform/Spooler.h"
#include "ui/printing/Prntprog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "cups") == 0)) {
        std::fprintf(stderr, "usage: %s N OUT.pdf [cups]\n", argv[0]);
        return 2;
    }
    const int count = std::atoi(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    IniFile = new TZambIniFile(dir.filePath(QStringLiteral("Plikora.INI")));
    StartUnique();
    if (argc == 4)
        StartQmPrinter(CreateSystemSpooler());
    else
        StartQmPrinter(std::make_unique<PdfSpooler>([output](const QString &) { return output; }));
    PrinterInstance()->PrinterIndex();

    TEnvelopeData envelope;
    envelope.Name = QStringLiteral("Envelope1");
    envelope.InitForEnvelope10(true);
    envelope.SavePrinterSetup();
    TReturnAddress returnAddress;
    RichEdit destination;
    RichEdit returnBox;
    RichEdit attention;
    returnBox.SetText(QStringLiteral("Morvane Software\n12 Harbour Road\nPortland ME 04101"));

    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines << QStringLiteral("Customer %1").arg(i + 1) << QStringLiteral("%1 Main St").arg(100 + i % 900)
              << QStringLiteral("Springfield IL %1-%2").arg(62700 + i % 100).arg(1000 + i % 9000)
              << QString();
    }
    destination.SetText(lines.join(QLatin1Char('\n')));
    TAddressPrintList list(&destination, &returnBox, &attention);
    list.Refresh(true);

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer timer;
    timer.start();
    list.PrintEnvelopes(1, false, &returnAddress, &envelope, QStringLiteral("Plikora Envelope"), 0, false,
                        GetPrintStatusForm());
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // The peak before printing is the program with the N addresses in its text box.
    std::printf(
        "envelopes %d  wall %.1f ms  %.3f ms/envelope  peak memory %ld MiB (%ld MiB before printing)\n",
        count, ms, count > 0 ? ms / count : 0.0, usage.ru_maxrss / 1024, before.ru_maxrss / 1024);
    FreePrintStatusForm();
    StopQmPrinter();
    StopUnique();
    delete IniFile;
    return 0;
}
