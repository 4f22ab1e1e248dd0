#include "ui/main/StampSplash.h"

#include "foundation/QmIniFile.h"
#include "ui/Artwork.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

TFormSplash *FormSplash = nullptr;

QString ProgramVersionText()
{
    return QStringLiteral("9.0.27");
}

TFormSplash::TFormSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("FormSplash"));
    setFixedSize(ClientWidth, ClientHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 0x80)); // the navy border
    setPalette(pal);
    const int inner = ClientWidth - 2 * BorderWidth;
    const int innerHeight = ClientHeight - 2 * BorderWidth;
    ImageLogo = new QLabel(this);
    ImageLogo->setGeometry(BorderWidth, BorderWidth, inner, innerHeight);
    ImageLogo->setPixmap(SplashLogo(inner, innerHeight));
    ImageLogo->setScaledContents(true);
    LabelProgress = new QLabel(QStringLiteral("Loading Application..."), this);
    LabelProgress->setAlignment(Qt::AlignCenter);
    QFont font = LabelProgress->font();
    font.setPixelSize(13);
    LabelProgress->setFont(font);
    LabelProgress->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    LabelProgress->setGeometry(BorderWidth, ClientHeight - BorderWidth - 24, inner, 18);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormSplash::FormActivate()
{
    LabelProgress->setText(QStringLiteral("Loading ") + ApplicationTitle() + QLatin1Char(' ')
                           + ProgramVersionText());
}
