#include "platform/PrinterModel.h"

#include <cups/cups.h>

QString PrinterMakeAndModel(const QString &printer)
{
    if (printer.isEmpty())
        return QString();
    QString name = printer;
    QString instance;
    const int slash = name.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        instance = name.mid(slash + 1);
        name.truncate(slash);
    }
    const QByteArray nameBytes = name.toUtf8();
    const QByteArray instanceBytes = instance.toUtf8();
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nameBytes.constData(),
                                         instance.isEmpty() ? nullptr : instanceBytes.constData());
    if (!dest)
        return QString();
    const char *value = cupsGetOption("printer-make-and-model", dest->num_options, dest->options);
    const QString result = value ? QString::fromUtf8(value) : QString();
    cupsFreeDests(1, dest);
    return result;
}
