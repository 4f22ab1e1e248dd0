#include "ui/main/QmParams.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {
TCommandLine Parse(const QStringList &params)
{
    return ParseCommandLine(params);
}
} // namespace

TEST(CommandLine, ModesAndFileNames)
{
    struct Case
    {
        QStringList params;
        int mode;
        QString file;
    };
    const Case cases[] = {
        {{}, cmStart, ""},
        {{"letter.env"}, cmOpen, "letter.env"},
        {{"/o"}, cmOpen, "/o"}, // a lone switch is a file name
        {{"/o", "f.env"}, cmOpen, "f.env"},
        {{"-O", "f.env"}, cmOpen, "f.env"},
        {{"/p", "f.env"}, cmPrint, "f.env"},
        {{"-P", "f.env"}, cmPrint, "f.env"},
        {{"/x", "f.env"}, cmNothing, "f.env"}, // unknown switch: nothing, name still taken
        {{"/Print", "f.env"}, cmNothing, "f.env"},
        {{"/REGSERVER"}, cmNothing, ""},
        {{"/UnRegServer"}, cmNothing, ""},
        {{"-Embedding"}, cmNothing, ""},
        {{"/o", "a.env", "b.env"}, cmStart, ""},
        {{"/p", "/tmp/f.env"}, cmPrint, "/tmp/f.env"},
        {{"docs/f.env"}, cmOpen, "docs/f.env"},
    };
    // Names are taken from the folder the program started in.
    for (const Case &c : cases) {
        const TCommandLine line = Parse(c.params);
        const QString file =
            c.file.isEmpty() || c.file.startsWith('/') ? c.file : QDir::currentPath() + '/' + c.file;
        EXPECT_EQ(line.Mode, c.mode) << c.params.join(' ').toStdString();
        EXPECT_EQ(line.FileName, file) << c.params.join(' ').toStdString();
    }
}
