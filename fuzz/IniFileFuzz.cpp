// Feeds arbitrary bytes to the INI reader as a file, reads everything back through
// the typed records and writes once, checking that the rewrite reads the same.
#include "foundation/QmIniFile.h"
#include "platform/MessageService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

// An unreadable file is moved aside with a message; nobody is there to read it.
class QuietMessages : public TMessageService
{
public:
    int MessageDlg(const QString &, TMsgDlgType, TMsgDlgButtons, int) override { return mrOk; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QuietMessages quiet;
    SetMessageService(&quiet);
    // In memory where possible: every write syncs the file.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/plikora-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/plikora-fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    for (const QString &aside :
         QDir(dir.path()).entryList({QStringLiteral("fuzz.ini.unreadable-*")}, QDir::Files))
        QFile::remove(dir.filePath(aside));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    TZambIniFile ini(path);
    QStringList sections;
    ini.ReadSections(sections);
    QStringList before;
    for (const QString &s : sections) {
        QStringList keys;
        ini.ReadSection(s, keys);
        for (const QString &k : keys) {
            before << s + QLatin1Char('/') + k + QLatin1Char('=') + ini.ReadString(s, k, QString());
            (void)ini.ReadInteger(s, k, 0);
        }
        QStringList list;
        ini.ReadStrings(s, QStringLiteral("Item"), list);
        (void)ini.ReadBinary(s);
        TFontAttributes font;
        ini.ReadTextAttributes(s, font);
    }
    // A rewrite keeps every readable value.
    try {
        ini.WriteString(QStringLiteral("FuzzMark"), QStringLiteral("K"), QStringLiteral(" v "));
    } catch (const Exception &) {
        return 0;
    }
    TZambIniFile again(path);
    QStringList after;
    for (const QString &s : sections) {
        QStringList keys;
        again.ReadSection(s, keys);
        for (const QString &k : keys)
            after << s + QLatin1Char('/') + k + QLatin1Char('=') + again.ReadString(s, k, QString());
    }
    if (before != after
        || again.ReadString(QStringLiteral("FuzzMark"), QStringLiteral("K"), QString())
               != QStringLiteral(" v "))
        std::abort();
    return 0;
}
