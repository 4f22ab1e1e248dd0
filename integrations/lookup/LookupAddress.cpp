#include "integrations/lookup/LookupAddress.h"

#include "foundation/QmInternet.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"
#include "platform/UrlOpener.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace {

QString TrimRight(const QString &s)
{
    qsizetype end = s.size();
    while (end > 0 && s[end - 1].isSpace())
        --end;
    return s.left(end);
}

QString Encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

} // namespace

TZipQuery SplitSelectedAddress(const QString &Selection)
{
    TZipQuery q;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|[\r\n\u2028\u2029]"));
    const QStringList lines = Selection.split(lineBreak);
    qsizetype last = lines.size() - 1;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (TrimRight(lines[i]).isEmpty()) {
            last = i - 1;
            break;
        }
    if (last < 1)
        return q;
    q.Address = lines[last - 1];
    QString s = lines[last].trimmed();
    qsizetype p = s.lastIndexOf(QLatin1Char(' '));
    if (p < 0) {
        q.City = s;
        return q;
    }
    q.Zip = s.mid(p + 1);
    s = s.left(p).trimmed();
    q.Parsed = true;
    if (q.Zip.size() != 5 && q.Zip.size() != 10) {
        q.State = q.Zip;
        q.City = s;
        q.Zip.clear();
        return q;
    }
    p = s.lastIndexOf(QLatin1Char(' '));
    if (p < 0) {
        q.City = s;
        return q;
    }
    q.City = s.left(p).trimmed();
    if (q.City.endsWith(QLatin1Char(',')))
        q.City.chop(1);
    q.State = s.mid(p + 1).trimmed();
    return q;
}

TZipQuery SplitSelectedAddress(RichEdit &RichEdit)
{
    if (RichEdit.SelLength() == 0) {
        TZipQuery q;
        q.SearchAnyway =
            MessageDlg(QStringLiteral("You didn't select the address to check. Do you still want to search?"),
                       TMsgDlgType::Confirmation, mbYesNoCancel, 0)
            == mrYes;
        return q;
    }
    return SplitSelectedAddress(RichEdit.SelText());
}

QString ZipCodeLookupUrl(const QString &Address, const QString &City, const QString &State,
                         const QString &Zip)
{
    return QLatin1String(kZipLookupPage) + QStringLiteral("&address=") + Encoded(Address)
           + QStringLiteral("&city=") + Encoded(City) + QStringLiteral("&state=") + Encoded(State)
           + QStringLiteral("&zip=") + Encoded(Zip);
}

namespace {

void OpenLookupPage(const QString &Url)
{
    QString escaped;
    EscapeUrlSpaces(Url, escaped);
    OpenOrSay(
        escaped,
        QStringLiteral("No web browser could be started to look up the ZIP code. The page is %1").arg(Url));
}

} // namespace

void LookupZipCode(const QString &Address, const QString &City, const QString &State, const QString &Zip)
{
    OpenLookupPage(ZipCodeLookupUrl(Address, City, State, Zip));
}

void ActionEditLookupExecute(RichEdit &Destination)
{
    const TZipQuery q = SplitSelectedAddress(Destination);
    if (q.Parsed)
        LookupZipCode(q.Address, q.City, q.State, q.Zip);
    else if (q.SearchAnyway)
        OpenLookupPage(QLatin1String(kZipLookupPage));
}
