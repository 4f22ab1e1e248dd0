// Rich text from files, settings and the clipboard: the reader must never
// crash, what the writer makes of its result must be whole and read back to
// the same, and the text boxes' layout must lay out, draw and hit it safely.
#include "fuzz/FuzzGuiApp.h"
#include "platform/LineLayout.h"
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    EnsureFuzzGuiApp();
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

    auto *layout = new TLineLayout(&doc);
    doc.setDocumentLayout(layout);
    doc.setPageSize(QSizeF(200, -1));
    QImage canvas(200, 100, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    QAbstractTextDocumentLayout::PaintContext context;
    context.cursorPosition = 0;
    QTextCursor all(&doc);
    all.select(QTextCursor::Document);
    context.selections.append({all, QTextCharFormat()});
    layout->draw(&painter, context);
    const QSizeF extent = layout->documentSize();
    if (!(extent.height() >= 0 && extent.height() < 1e9))
        abort();
    static_cast<void>(layout->hitTest(QPointF(extent.width() / 2, extent.height() / 2), Qt::FuzzyHit));
    return 0;
}
