#include "platform/UrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

class DesktopUrlOpener : public TUrlOpener
{
public:
    bool Open(const QString &url) override
    {
        // Local paths open as files; anything with a scheme as an address.
        QUrl target = QUrl::fromUserInput(url, QString(), QUrl::AssumeLocalFile);
        return target.isValid() && QDesktopServices::openUrl(target);
    }
};

TUrlOpener *installedOpener = nullptr;

} // namespace

TUrlOpener &UrlOpener()
{
    static DesktopUrlOpener desktop;
    return installedOpener ? *installedOpener : desktop;
}

void SetUrlOpener(TUrlOpener *opener)
{
    installedOpener = opener;
}
