// Rich text from files, settings and the clipboard: the reader must never
// crash, and what the writer makes of its result must be whole and read back
// to the same.
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QGuiApplication *app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    Q_UNUSED(app);
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    // The check that a rich-text file is whole meets the same input first.
    static_cast<void>(IsWholeRtf(bytes));
    QTextDocument doc;
    try {
        ReadRtf(bytes, &doc);
    } catch (const ERtfError &) {
        return 0;
    }
    QByteArray once = WriteRtf(&doc);
    if (!IsWholeRtf(once))
        abort();
    QTextDocument again;
    ReadRtf(once, &again);
    if (WriteRtf(&again) != once || again.toRawText() != doc.toRawText())
        abort();
    return 0;
}
