#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class QTimer;
class TOleContainerClipArt;

// The clip-art picker: a searchable grid of the library's clips, the chosen
// clip at its natural size beside it, and OK writing it as a JPEG file.
class TFormChooseClipArt : public QDialog
{
public:
    explicit TFormChooseClipArt(QWidget *parent = nullptr);
    ~TFormChooseClipArt() override;

    // Shows the window modally; true when it closed with OK, the picture then
    // written to FileName.
    bool Execute(const QString &FileName);

    // Shows the clip; a clip that cannot be read is said.
    void ChooseClip(const QString &FileName);
    // Makes the picture and closes with OK; a failure is said and the window stays.
    void OKBtnClick();
    // The clips whose name holds every word of Text, in the grid.
    void Search(const QString &Text);

    QString FileName;
    QLineEdit *EditSearch = nullptr;
    QListWidget *ListClips = nullptr;
    QScrollArea *ScrollBoxClipArt = nullptr;
    TOleContainerClipArt *OleContainerClipArt = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *LoadBtn = nullptr;

    // At most this many clips are listed for one search.
    static constexpr int MaxListed = 400;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void scanLibrary();
    void drawThumbnails();

    QStringList m_clips; // relative to the library folder
    bool m_scanned = false;
    QTimer *m_thumbnails = nullptr;
    int m_nextThumbnail = 0;
};

TFormChooseClipArt *GetChooseClipArtForm();
// Frees the window (shutdown and tests).
void FreeChooseClipArtForm();
