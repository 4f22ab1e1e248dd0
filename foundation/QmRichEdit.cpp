#include "foundation/QmRichEdit.h"
#include "platform/Windows1252.h"

#include "platform/RtfCodePage.h"
#include "platform/RtfReader.h"

#include <QAbstractButton>
#include <QAction>

namespace {

// The stored lines are text; rich text is bytes. Characters beyond Windows-1252
// (only in lines not written by us) become \u escapes, which rich text reads as
// the same characters.
QByteArray ToRtfBytes(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        int b = EncodeWindows1252(c.unicode());
        if (b >= 0)
            out.append(static_cast<char>(b));
        else
            out.append("\\u" + QByteArray::number(static_cast<int16_t>(c.unicode())) + "?");
    }
    return out;
}

} // namespace

void StringsToRichEdit(RichEdit &richEdit, const QStringList &strings)
{
    const QString joined = strings.join(QLatin1String("\r\n"));
    QByteArray data = ToRtfBytes(joined);
    if (IsRtf(data)) {
        try {
            richEdit.StreamIn(data);
        } catch (const ERtfError &) {
            richEdit.SetText(joined);
        }
    } else {
        richEdit.SetText(joined);
    }
    richEdit.SetModified(false);
}

void RichEditToStrings(QStringList &strings, const RichEdit &richEdit)
{
    const QByteArray rtf = richEdit.StreamOut();
    strings.clear();
    for (const QByteArray &line : rtf.split('\n')) {
        QByteArray l = line;
        if (l.endsWith('\r'))
            l.chop(1);
        strings.append(QString::fromLatin1(l)); // the writer writes ASCII only
    }
    while (!strings.isEmpty() && strings.back().isEmpty())
        strings.removeLast();
}

void ClearParagraphFormatting(RichEdit &richEdit)
{
    const int start = richEdit.SelStart();
    const int length = richEdit.SelLength();
    richEdit.SelectAllText();
    richEdit.SetParagraph(TParaAttributes());
    richEdit.ClearNumbering();
    richEdit.SetSelStart(start);
    richEdit.SetSelLength(length);
}

void ReplaceTabsByLineBreaks(RichEdit &richEdit)
{
    const int start = richEdit.SelStart();
    const int length = richEdit.SelLength();
    const QString tab(QLatin1Char('\t'));
    // Each search goes on after the break just made, not from the start again.
    for (int pos = richEdit.FindText(tab, 0, richEdit.TextLength(), 0); pos >= 0;
         pos = richEdit.FindText(tab, pos + 1, richEdit.TextLength() - pos - 1, 0)) {
        richEdit.SetSelStart(pos);
        richEdit.SetSelLength(1);
        richEdit.SetSelText(QStringLiteral("\r\n"));
    }
    // A line break is one position here, as the tab was: the selection keeps its place.
    richEdit.SetSelStart(start);
    richEdit.SetSelLength(length);
}

TStyleButtonState StyleButtonState(const RichEdit &richEdit, RichStyle style, RichConsistent attribute)
{
    TTextAttributes a = richEdit.SelAttributes();
    TStyleButtonState state;
    if (!a.IsConsistent(attribute))
        state.Indeterminate = true;
    else
        state.Down = a.HasStyle(style);
    return state;
}

void UpdateStyleButton(QAction &button, const RichEdit &richEdit, RichStyle style, RichConsistent attribute)
{
    TStyleButtonState state = StyleButtonState(richEdit, style, attribute);
    button.setEnabled(true);
    button.setCheckable(true);
    button.setChecked(state.Down);
    button.setProperty("indeterminate", state.Indeterminate);
}

void UpdateStyleButton(QAbstractButton &button, const RichEdit &richEdit, RichStyle style,
                       RichConsistent attribute)
{
    TStyleButtonState state = StyleButtonState(richEdit, style, attribute);
    button.setEnabled(true);
    button.setCheckable(true);
    button.setChecked(state.Down);
    button.setProperty("indeterminate", state.Indeterminate);
}
