#include "foundation/QmInternet.h"

#include "platform/UrlOpener.h"

void EscapeUrlSpaces(const QString &text, QString &result)
{
    result = text;
    result.replace(QLatin1Char(' '), QStringLiteral("%20"));
}

void OpenURL(const QString &url)
{
    QString escaped;
    EscapeUrlSpaces(url, escaped);
    UrlOpener().Open(escaped);
}
