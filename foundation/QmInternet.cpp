#include "foundation/QmInternet.h"

#include "platform/UrlOpener.h"

void EscapeUrlSpaces(const QString &text, QString &result)
{
    result = text;
    result.replace(QLatin1Char(' '), QStringLiteral("%20"));
}

bool OpenURL(const QString &url)
{
    QString escaped;
    EscapeUrlSpaces(url, escaped);
    return UrlOpener().Open(escaped);
}
