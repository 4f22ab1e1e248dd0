#include "ui/definitions/SendPrinterInfo.h"

#include "foundation/QmIniFile.h"
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

#include <algorithm>

namespace {

const QString envelopes = QStringLiteral("Envelopes");
const QString marker = QStringLiteral("xxxxx");

// The fields sent of each definition, in this order.
const char *const sentFields[] = {"PrinterName",   "Fields",          "Orientation",
                                  "PaperSize",     "PaperLength",     "PaperWidth",
                                  "DefaultSource", "PrintQuality",    "ReturnLeft",
                                  "ReturnTop",     "DestinationLeft", "DestinationBottom",
                                  "AttentionLeft", "AttentionBottom", "FacingMarkFromRight"};

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

QString PrinterInfoInputs(const TZambIniFile &Ini)
{
    QString inputs;
    const int count = Ini.ReadInteger(envelopes, QStringLiteral("Count"), 0);
    AddHiddenInput(inputs, QStringLiteral("Count"), QString::number(count));
    // Entries beyond the section's keys would all be empty: a damaged count
    // must not spin out millions of them.
    QStringList keys;
    Ini.ReadSection(envelopes, keys);
    const int entries = std::min<qsizetype>(count, keys.size());
    for (int n = 1; n <= entries; ++n) {
        const QString name = QStringLiteral("Envelope%1").arg(n);
        AddHiddenInput(inputs, name, Ini.ReadString(envelopes, name, QString()));
        for (const char *field : sentFields) {
            const QString key = name + QLatin1Char('_') + QLatin1String(field);
            AddHiddenInput(inputs, key, Ini.ReadString(envelopes, key, QString()));
        }
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

void SendPrinterInfo()
{
    const QString page = WritePrinterInfoPage(PrinterInfoInputs(*IniFile));
    UrlOpener().Open(QUrl::fromLocalFile(page).toString(QUrl::FullyEncoded));
}
