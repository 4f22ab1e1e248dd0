#include "foundation/StampIncludes.h"

#include <QStandardPaths>
#include <QStringList>

void GetDefaultPictureEditor(QString &result)
{
    static const QStringList editors{QStringLiteral("kolourpaint"), QStringLiteral("pinta"),
                                     QStringLiteral("gimp"), QStringLiteral("xdg-open")};
    for (const QString &name : editors) {
        QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) {
            result = path;
            return;
        }
    }
    result = QStringLiteral("/usr/bin/xdg-open");
}
