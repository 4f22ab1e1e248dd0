#pragma once

// A drop-down list of colours, each shown as a swatch and its name. Colours are
// Windows colour values (low byte red, then green, then blue), as they are stored.

#include <QColor>
#include <QComboBox>

// The entry that stands for "the text's own colour".
constexpr qint32 clDefault = 0x20000000;
// The desktop's button face, the envelope's colour until the user picks one.
constexpr qint32 clBtnFace = qint32(0xFF00000F);

// Which colours a box offers: a text's ("Default" and the sixteen standard colours) or
// the envelope's (the sixteen, four paper tints and "Button Face").
enum class TColorList { Font, Envelope };

class TColorBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TColorBox(TColorList List, QWidget *parent = nullptr);

    qint32 Selected() const;
    // A colour that is not listed becomes the one "Custom" entry at the end, which goes
    // again once a listed colour is chosen.
    void SetSelected(qint32 Color);
};

// A Windows colour value (low byte red; 0xFF0000nn a system colour) as a Qt colour.
QColor ColorFromWindows(qint32 Color);
