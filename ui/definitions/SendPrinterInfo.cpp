#include "ui/definitions/SendPrinterInfo.h"

#include "platform/AtomicSave.h"
#include "platform/Exception.h"
#include "platform/ProgramFiles.h"
#include "platform/RegularFile.h"
#include "platform/UrlOpener.h"
#include "platform/Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <utility>

namespace {

const QString marker = QStringLiteral("xxxxx");

QString escaped(const QString &text)
{
    // A stored description must not turn into markup or script in the browser.
    return text.toHtmlEscaped();
}

// This run's private folder (mode 0700, a name nobody can guess), made on first use.
QString privateFolder()
{
    static QString folder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/plikora-XXXXXX"));
        if (!dir.isValid())
            throw Exception(QStringLiteral("Cannot create a temporary folder in \"%1\". %2")
                                .arg(QDir::tempPath(), dir.errorString()));
        dir.setAutoRemove(false);
        folder = dir.path();
    }
    return folder;
}

} // namespace

void AddHiddenInput(QString &Inputs, const QString &Name, const QString &Value)
{
    Inputs +=
        QStringLiteral("<input type=\"hidden\" name=\"%1\" value=\"%2\">").arg(escaped(Name), escaped(Value));
}

QString PrinterInfoInputs(const TDescribedList<TEnvelopeData> &List)
{
    QString inputs;
    AddHiddenInput(inputs, QStringLiteral("Count"), QString::number(List.Count()));
    for (int i = 0; i < List.Count(); ++i) {
        const TEnvelopeData &data = *List.Object(i);
        const QString name = QStringLiteral("Envelope%1").arg(i + 1);
        AddHiddenInput(inputs, name, List.Description(i));
        const std::pair<const char *, int> fields[] = {{"Fields", data.Fields},
                                                       {"Orientation", data.Orientation},
                                                       {"PaperSize", data.PaperSize},
                                                       {"PaperLength", data.PaperLength},
                                                       {"PaperWidth", data.PaperWidth},
                                                       {"DefaultSource", data.DefaultSource},
                                                       {"PrintQuality", data.PrintQuality},
                                                       {"ReturnLeft", data.ReturnLeft()},
                                                       {"ReturnTop", data.ReturnTop()},
                                                       {"DestinationLeft", data.DestinationLeft()},
                                                       {"DestinationBottom", data.DestinationBottom()},
                                                       {"AttentionLeft", data.AttentionLeft()},
                                                       {"AttentionBottom", data.AttentionBottom()},
                                                       {"FacingMarkFromRight", data.FacingMarkFromRight()}};
        const QString prefix = name + QLatin1Char('_');
        AddHiddenInput(inputs, prefix + QStringLiteral("PrinterName"), data.FullPrinterName);
        for (const auto &[field, value] : fields)
            AddHiddenInput(inputs, prefix + QLatin1String(field), QString::number(value));
    }
    return inputs;
}

QStringList FillPrinterInfoTemplate(const QStringList &Lines, const QString &Inputs)
{
    QStringList filled = Lines;
    for (QString &line : filled) {
        const qsizetype at = line.indexOf(marker);
        if (at >= 0)
            line.replace(at, marker.size(), Inputs);
    }
    return filled;
}

QString WritePrinterInfoPage(const QString &Inputs)
{
    const QString templateName = ProgramDataFile(QStringLiteral("sendprinterinfo.htm"));
    QByteArray bytes;
    QString error;
    if (!ReadRegularFile(templateName, kMaxDocumentBytes, bytes, error))
        throw Exception(error);
    const QStringList lines =
        DecodeUtf8OrWindows1252(bytes).split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    const QString page = QDir(privateFolder()).filePath(QStringLiteral("sendprinterinfo.htm"));
    if (!SaveFileAtomically(page, FillPrinterInfoTemplate(lines, Inputs).join(QLatin1Char('\n')).toUtf8(),
                            error))
        throw Exception(error);
    return page;
}

void SendPrinterInfo(const TDescribedList<TEnvelopeData> &List)
{
    const QString page = WritePrinterInfoPage(PrinterInfoInputs(List));
    OpenOrSay(QUrl::fromLocalFile(page).toString(QUrl::FullyEncoded),
              QStringLiteral("No web browser could be started to show the printer information page. The page "
                             "is saved as %1; open it in a web browser to send it.")
                  .arg(page));
}
