// HTML from the clipboard and from other programs: reading it must never crash or
// open what it names, and what it gives holds no frame: tables are rows of text.
#include "fuzz/FuzzGuiApp.h"
#include "platform/Exception.h"
#include "platform/HtmlContent.h"

#include <QImage>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    EnsureFuzzGuiApp();
    const QString html =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    THtmlContent content;
    try {
        content = ReadHtml(html, [] {
            QImage picture(3, 2, QImage::Format_RGB32);
            picture.fill(Qt::blue);
            return picture;
        });
    } catch (const Exception &) {
        return 0;
    }
    QTextDocument doc;
    QTextCursor(&doc).insertFragment(content.Fragment);
    const QString raw = doc.toRawText();
    // A frame's text starts and ends with these marks.
    if (raw.contains(QChar(0xFDD0)) || raw.contains(QChar(0xFDD1))
        || raw.count(QChar::ObjectReplacementCharacter) > (content.PictureName.isEmpty() ? 0 : 1))
        abort();
    return 0;
}
