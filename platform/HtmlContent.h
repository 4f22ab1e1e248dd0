#pragma once

#include <QImage>
#include <QTextDocumentFragment>
#include <QUrl>

#include <functional>

// HTML from the clipboard or from another program, read into text the envelope boxes
// hold. Nothing the HTML names is read: no file, no URL, no style sheet. Tables become
// what the rich-text reader makes of them (each cell's text ended by a tab, a row a
// paragraph), lists plain paragraphs, and nesting is cut at a fixed depth, so that the
// cost of a paste grows with its length only.

// The longest HTML read, in characters; longer is refused before it is parsed.
inline constexpr qsizetype kMaxHtmlLength = qsizetype(4) << 20;

struct THtmlContent
{
    QTextDocumentFragment Fragment;
    // Where the fragment shows Picture; empty when it shows none.
    QUrl PictureName;
    QImage Picture;
};

// Picture gives the clipboard's own picture; it is asked only when the HTML shows
// one, and the first picture shown gets it. Other pictures are left out. Throws
// Exception when the HTML is longer than kMaxHtmlLength.
THtmlContent ReadHtml(const QString &Html, const std::function<QImage()> &Picture = {});
