#include "foundation/WindowsDefaultFolders.h"

#include <QDir>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

TWinDefaultFolders WinDefaultFolders;

namespace {

QString Location(QStandardPaths::StandardLocation Kind)
{
    QString path = QStandardPaths::writableLocation(Kind);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    // An unset home makes some locations come out as the root; that is no folder of ours.
    if (path == QLatin1String("/"))
        path.clear();
    return path;
}

} // namespace

QString UserHomeFolder()
{
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        if (const passwd *pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
            home = QFile::decodeName(pw->pw_dir);
    }
    while (home.size() > 1 && home.endsWith(QLatin1Char('/')))
        home.chop(1);
    return home;
}

void StartWindowsDefaultFolders()
{
    TWinDefaultFolders f;
    f.Desktop = Location(QStandardPaths::DesktopLocation);
    f.Programs = Location(QStandardPaths::ApplicationsLocation);
    f.Fonts = Location(QStandardPaths::FontsLocation);
    f.StartMenu = f.Programs;
    f.Templates = Location(QStandardPaths::TemplatesLocation);
    f.AppData = Location(QStandardPaths::GenericConfigLocation);
    if (f.AppData.isEmpty()) {
        const QString home = UserHomeFolder();
        if (!home.isEmpty() && home != QLatin1String("/"))
            f.AppData = home + QLatin1String("/.config");
    }
    if (!f.AppData.isEmpty())
        f.Startup = f.AppData + QLatin1String("/autostart");
    f.Personal = Location(QStandardPaths::DocumentsLocation);
    f.LocalAppData = Location(QStandardPaths::GenericDataLocation);
    f.MyPictures = Location(QStandardPaths::PicturesLocation);
    WinDefaultFolders = f;
}

void StopWindowsDefaultFolders()
{
    WinDefaultFolders = TWinDefaultFolders{};
}
