#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

// The About window: the logo, the version, the notice line, a link to the web
// site and the licence and help topics.
class TDlgAbout : public QDialog
{
public:
    explicit TDlgAbout(QWidget *parent = nullptr);

    QLabel *ImageLogo;
    QLabel *LabelVersionInfo;
    QLabel *LabelNotice;
    QLabel *LabelWebAddress;
    QPushButton *BtnOK;
    QPushButton *BtnLicense;
    QPushButton *BtnHelp;

    // What a click on the web address does: the main window's Web Site command.
    std::function<void()> OpenWebSite;

    void BtnLicenseClick();
    void BtnHelpClick();
    void LabelWebAddressClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_doubleClicked = false;
};

// The window is made for each showing and released afterwards.
TDlgAbout *GetAboutBox();
// Fills the texts and the logo and shows the window modally.
void ShowAboutBox(TDlgAbout *About);
void ReleaseAboutBox();

// The web site's address as the window shows it.
QString WebSiteAddressText();
