#include "ui/main/About.h"

#include "foundation/QmInternet.h"
#include "foundation/StampIncludes.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "ui/Artwork.h"
#include "ui/main/StampSplash.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

QPointer<TDlgAbout> aboutInstance;

constexpr int kWidth = 384;
constexpr int kLogoHeight = 183;

QLabel *InfoLabel(QWidget *parent, int height)
{
    auto *label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    label->setFixedSize(kWidth, height);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, QColor(0, 0, 0x80));
    label->setPalette(pal);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    label->setFont(font);
    return label;
}

} // namespace

QString WebSiteAddressText()
{
    return QStringLiteral("www.morvane.com");
}

TDlgAbout::TDlgAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("DlgAbout"));
    setWindowTitle(QStringLiteral("About Plikora"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 0x80));
    setPalette(pal);

    ImageLogo = new QLabel(this);
    ImageLogo->setFixedSize(kWidth, kLogoHeight);
    ImageLogo->setScaledContents(true);
    LabelVersionInfo = InfoLabel(this, 22);
    LabelVersionInfo->setObjectName(QStringLiteral("LabelVersionInfo"));
    LabelNotice = InfoLabel(this, 23);
    LabelWebAddress = InfoLabel(this, 22);
    LabelWebAddress->setObjectName(QStringLiteral("LabelWebAddress"));
    QFont underlined = LabelWebAddress->font();
    underlined.setUnderline(true);
    LabelWebAddress->setFont(underlined);
    LabelWebAddress->setCursor(Qt::PointingHandCursor);
    LabelWebAddress->setText(WebSiteAddressText());
    LabelWebAddress->installEventFilter(this);

    auto *panelButtons = new QWidget(this);
    panelButtons->setFixedSize(kWidth, 35);
    panelButtons->setAutoFillBackground(true);
    QPalette white = panelButtons->palette();
    white.setColor(QPalette::Window, Qt::white);
    panelButtons->setPalette(white);
    BtnOK = new QPushButton(QStringLiteral("&OK"), panelButtons);
    BtnOK->setDefault(true);
    BtnLicense = new QPushButton(QStringLiteral("&License"), panelButtons);
    BtnLicense->setAutoDefault(false);
    BtnHelp = new QPushButton(QStringLiteral("&Help"), panelButtons);
    BtnHelp->setAutoDefault(false);
    auto *buttons = new QHBoxLayout(panelButtons);
    buttons->setContentsMargins(6, 4, 6, 4);
    buttons->addStretch(1);
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnLicense);
    buttons->addWidget(BtnHelp);
    ConnectGuarded(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    ConnectGuarded(BtnLicense, &QPushButton::clicked, this, &TDlgAbout::BtnLicenseClick);
    ConnectGuarded(BtnHelp, &QPushButton::clicked, this, &TDlgAbout::BtnHelpClick);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QWidget *w :
         {static_cast<QWidget *>(ImageLogo), static_cast<QWidget *>(LabelVersionInfo),
          static_cast<QWidget *>(LabelNotice), static_cast<QWidget *>(LabelWebAddress), panelButtons})
        layout->addWidget(w);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    SetHelpContext(BtnLicense, 9991);
    SetHelpContext(BtnHelp, 9994);
}

void TDlgAbout::BtnLicenseClick()
{
    HelpService().WinHelp(HELP_CONTEXT, 9991);
}

void TDlgAbout::BtnHelpClick()
{
    HelpService().WinHelp(HELP_CONTEXT, 9994);
}

void TDlgAbout::LabelWebAddressClick()
{
    if (OpenWebSite)
        OpenWebSite();
    else
        OpenURL(QStringLiteral("https://") + WebSiteAddressText() + QLatin1Char('/'));
}

bool TDlgAbout::eventFilter(QObject *watched, QEvent *event)
{
    // A click opens the site; a double click, whose second release follows it, once only.
    if (watched == LabelWebAddress && event->type() == QEvent::MouseButtonDblClick) {
        m_doubleClicked = true;
        return true;
    }
    if (watched == LabelWebAddress && event->type() == QEvent::MouseButtonRelease) {
        if (!std::exchange(m_doubleClicked, false))
            RunGuarded([this] { LabelWebAddressClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TDlgAbout::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        BtnHelpClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

TDlgAbout *GetAboutBox()
{
    if (!aboutInstance)
        aboutInstance = new TDlgAbout;
    return aboutInstance;
}

void ShowAboutBox(TDlgAbout *About)
{
    About->LabelNotice->setText(
        QStringLiteral("Copyright \u00A9 %1 Morvane Software").arg(ProgramVersion.Year));
    About->LabelVersionInfo->setText(QStringLiteral("Version ") + ProgramVersionText());
    About->ImageLogo->setPixmap(SplashLogo(kWidth, kLogoHeight));
    About->exec();
}

void ReleaseAboutBox()
{
    if (aboutInstance)
        aboutInstance->deleteLater();
    aboutInstance = nullptr;
}
