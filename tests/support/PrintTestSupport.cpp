#include "PrintTestSupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

void EnsurePrintTestApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "plikora-test";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(argc, argv); // lives as long as the test program
}

PdfFacts PdfInfo(const QString &file)
{
    PdfFacts facts;
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {file});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return facts;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    auto pages = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
                     .match(out);
    auto size = QRegularExpression(QStringLiteral("^Page size:\\s+([0-9.]+) x ([0-9.]+) pts"),
                                   QRegularExpression::MultilineOption)
                    .match(out);
    auto title = QRegularExpression(QStringLiteral("^Title:\\s+(.*)$"), QRegularExpression::MultilineOption)
                     .match(out);
    facts.ok = pages.hasMatch() && size.hasMatch();
    facts.pages = pages.captured(1).toInt();
    facts.width = size.captured(1).toDouble();
    facts.height = size.captured(2).toDouble();
    facts.title = title.captured(1).trimmed();
    return facts;
}

PdfFacts PdfInfo(const QByteArray &pdf)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("doc.pdf")));
    if (!f.open(QIODevice::WriteOnly) || f.write(pdf) != pdf.size())
        return {};
    f.close();
    return PdfInfo(f.fileName());
}

QImage RenderPdfPage(const QByteArray &pdf, int page, int dpi)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("doc.pdf")));
    if (!f.open(QIODevice::WriteOnly) || f.write(pdf) != pdf.size())
        return {};
    f.close();
    QProcess p;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
             QString::number(page), QStringLiteral("-l"), QString::number(page),
             QStringLiteral("-singlefile"), f.fileName(), prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    // A letter page at 600 dpi is over Qt's default image allocation limit.
    QImageReader::setAllocationLimit(1024);
    return QImage(prefix + QStringLiteral(".pgm"));
}

QList<PdfWord> PdfWords(const QByteArray &pdf, int page)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("d.pdf")));
    if (!f.open(QIODevice::WriteOnly) || f.write(pdf) != pdf.size())
        return {};
    f.close();
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
             QString::number(page), f.fileName(), QStringLiteral("-")});
    p.waitForFinished(30000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    QList<PdfWord> words;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        auto m = it.next();
        QString text = m.captured(5);
        text.replace(QChar(0xFB01), QStringLiteral("fi")).replace(QChar(0xFB02), QStringLiteral("fl"));
        words.append({text, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                      m.captured(4).toDouble()});
    }
    return words;
}

QList<PdfWord> LandscapeWords(const QByteArray &pdf, int page, double sheetHeight)
{
    QList<PdfWord> words = PdfWords(pdf, page);
    for (PdfWord &w : words)
        w = PdfWord{w.text, sheetHeight - w.yMax, w.xMin, sheetHeight - w.yMin, w.xMax};
    return words;
}
