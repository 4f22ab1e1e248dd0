#pragma once

// A drop-down list of colours, each shown as a swatch and its name. Colours are
// Windows colour values (low byte red, then green, then blue), as they are stored.

#include <QComboBox>

// The entry that stands for "the text's own colour".
constexpr qint32 clDefault = 0x20000000;

class TColorBox : public QComboBox
{
    Q_OBJECT
public:
    // The sixteen standard colours, after a "Default" entry when IncludeDefault.
    explicit TColorBox(bool IncludeDefault, QWidget *parent = nullptr);

    qint32 Selected() const;
    // A colour that is not listed becomes the one "Custom" entry at the end.
    void SetSelected(qint32 Color);
};
