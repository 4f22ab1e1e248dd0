#pragma once

#include "platform/Exception.h"

#include <QByteArray>

class QTextDocument;

// Rich text that cannot be read (not rich text, or built to exhaust the reader).
class ERtfError : public Exception
{
public:
    using Exception::Exception;
};

// Whether the bytes are rich text: they start with "{\rtf".
bool IsRtf(const QByteArray &data);

// Whether rich text is whole: its outermost group closes before the data ends,
// with no NUL byte before that (\bin data aside). A file cut short, or another
// kind of file that merely starts like rich text, is not.
bool IsWholeRtf(const QByteArray &data);

// Replaces the document's contents with the rich text. Reads the font and colour
// tables, character formatting (\b \i \ul \strike \f \fs \cf \plain), paragraph
// formatting (\pard \ql \qc \qr \qj \li \ri \fi), \par \line \tab, \'hh in the
// document's or the font's code page, \uN with \ucN; other destinations are
// skipped. A missing closing brace ends the text where the data ends; anything
// after the closing brace (such as a trailing NUL) is ignored. Throws ERtfError
// when the data is not rich text or nests groups too deeply; the document is
// then left as it was.
void ReadRtf(const QByteArray &data, QTextDocument *document);
