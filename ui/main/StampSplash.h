#pragma once

#include <QWidget>

class QLabel;

// The window shown while the program starts: the logo and one line of progress.
class TFormSplash : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 384;
    static constexpr int ClientHeight = 196;
    static constexpr int BorderWidth = 4;

    explicit TFormSplash(QWidget *parent = nullptr);

    QLabel *ImageLogo;
    QLabel *LabelProgress;

    // "Loading <application title> 9.0.27".
    void FormActivate();
};

// "9.0.27"
QString ProgramVersionText();

extern TFormSplash *FormSplash;
