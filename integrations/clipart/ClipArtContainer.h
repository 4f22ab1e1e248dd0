#pragma once

#include "platform/Graphics.h"

#include <QString>
#include <QWidget>

#include <memory>

class QSvgRenderer;

// The container that shows a clip and turns what it shows into a JPEG file: it
// renders itself into a bitmap (not a copy of the screen, so nothing covering it
// gets in), whitens the background and saves the bitmap through our JPEG class.
class TOleContainerArt : public QWidget
{
public:
    explicit TOleContainerArt(QWidget *parent = nullptr);
    ~TOleContainerArt() override;

    // Only while a picture is being made.
    std::unique_ptr<TBitmap> Bitmap;

    // Starts afresh: no clip, 60 by 60 pixels.
    virtual void CreateArtObject() = 0;

    // A 24-bit bitmap of what the container shows, its background whitened when
    // asked; false (and no bitmap) for a container of no size.
    bool MakeBitmap(bool WhiteBackground);
    bool CopyContainerImage(TBitmap &Target);
    // Every pixel of exactly the top-left pixel's colour becomes white.
    void WhitenBackground();
    // Writes the bitmap as JPEG through a temporary file. A file that already
    // has content is never replaced (only the empty one reserved for the clip);
    // throws Exception.
    void SaveAsJpeg(const QString &FileName);
    void FreeBitmap();
};

// The container of the clip-art picker: draws one clip (SVG or PNG) at its
// natural size and takes that size.
class TOleContainerClipArt : public TOleContainerArt
{
public:
    explicit TOleContainerClipArt(QWidget *parent = nullptr);
    ~TOleContainerClipArt() override;

    void CreateArtObject() override;
    // Shows the clip; throws Exception for a file that is no readable picture.
    void LoadClip(const QString &FileName);
    const QString &ClipFile() const { return m_clipFile; }

    // The largest side a clip is drawn with; larger ones are scaled down.
    static constexpr int MaxSide = 2048;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_clipFile;
    std::unique_ptr<QSvgRenderer> m_svg;
    QImage m_image;
};
