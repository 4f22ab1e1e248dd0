#include "ui/main/QmParams.h"

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
    };
    for (const Case &c : cases) {
        const TCommandLine line = Parse(c.params);
        EXPECT_EQ(line.Mode, c.mode) << c.params.join(' ').toStdString();
        EXPECT_EQ(line.FileName, c.file) << c.params.join(' ').toStdString();
    }
}
