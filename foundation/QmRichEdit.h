#pragma once

#include "platform/RichEdit.h"

#include <QStringList>

class QAction;
class QAbstractButton;

// Rich text moves between a rich edit and a string list (one string per line of
// the rich text source) in memory.

// Loads the rich edit from the lines (rich text, or plain text when they are not
// rich text) and clears its modified flag. Rich text that cannot be read is
// shown as the plain lines, so that nothing stored is lost.
void StringsToRichEdit(RichEdit &richEdit, const QStringList &strings);
// Replaces the list's contents with the rich edit's text as rich text lines.
void RichEditToStrings(QStringList &strings, const RichEdit &richEdit);

// The whole text: alignment left, indents 0, no numbering; the selection stays.
void ClearParagraphFormatting(RichEdit &richEdit);
// Every tab becomes a line break; the selection stays.
void ReplaceTabsByLineBreaks(RichEdit &richEdit);

// The state a style button shows for the selection: Down when the whole
// selection has the style, Indeterminate when the selection mixes it.
struct TStyleButtonState
{
    bool Down = false;
    bool Indeterminate = false;
};
TStyleButtonState StyleButtonState(const RichEdit &richEdit, RichStyle style, RichConsistent attribute);

// Enables the button and sets it down (checked) after StyleButtonState; the
// indeterminate state is kept in the property "indeterminate" for the style to show.
void UpdateStyleButton(QAction &button, const RichEdit &richEdit, RichStyle style, RichConsistent attribute);
void UpdateStyleButton(QAbstractButton &button, const RichEdit &richEdit, RichStyle style,
                       RichConsistent attribute);
