#pragma once

#include "platform/Graphics.h"

// A JPEG error of the IJG library, in the library's own words.
class EJPEG : public EInvalidGraphic
{
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// A JPEG picture, read and written by the IJG JPEG library (interface 62). The
// file's bytes are kept as loaded and written back unchanged; the decoded
// picture is a 24-bit bitmap. A bitmap assigned to it is compressed when it is
// saved.
class TJPEGImage : public TGraphic
{
public:
    TJPEGImage() = default;
    QString ClassName() const override { return QStringLiteral("TJPEGImage"); }
    std::unique_ptr<TGraphic> NewInstance() const override;
    // Takes a TJPEGImage (its data), a TBitmap (compressed on saving), or null (empty).
    void Assign(const TPersistent *source) override;

    // Reads the JPEG data at the stream's position and decodes it; throws EJPEG
    // (the picture is then unchanged) for data the library cannot read, and
    // EInvalidGraphic for a picture too large to hold.
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) override;
    void Draw(QPainter &canvas, const QRect &rect) override;
    int Width() const override { return m_bitmap.Width(); }
    int Height() const override { return m_bitmap.Height(); }
    bool Empty() const override { return m_bitmap.Empty(); }

    // Quality 1..100 used when a bitmap is compressed; 90 by default.
    int CompressionQuality() const { return m_quality; }
    void SetCompressionQuality(int quality);

    // The decoded picture.
    const TBitmap &Bitmap() const { return m_bitmap; }
    // The JPEG data (compressed now when a bitmap was assigned).
    QByteArray Data();

protected:
    void AssignTo(TPersistent *dest) const override;

private:
    QByteArray m_data;
    TBitmap m_bitmap;
    int m_quality = 90;
};

// Decodes JPEG data into a 24-bit bitmap; throws as LoadFromStream.
void DecodeJpeg(const QByteArray &data, TBitmap &bitmap);
// Compresses a bitmap at the quality given (1..100); throws EJPEG.
QByteArray EncodeJpeg(const TBitmap &bitmap, int quality);

// The picture registry's "JPG" and "JPEG" entries; called at start-up and shutdown.
void RegisterJPEGFormat();
void UnregisterJPEGFormat();
