#pragma once

#include "platform/Graphics.h"

// A PNG picture, the common logo format, read and written through QImage. The
// file's bytes are kept as loaded and written back unchanged (a picture assigned
// from a bitmap is written as a new PNG file); the picture keeps its transparency.
// Registered with the picture registry for "PNG".
class TPngImage : public TGraphic
{
public:
    QString ClassName() const override { return QStringLiteral("TPngImage"); }
    std::unique_ptr<TGraphic> NewInstance() const override;
    // From another PNG picture, from a bitmap, or null (empty).
    void Assign(const TPersistent *source) override;

    // Throws EInvalidGraphic, saying why in words, for data that is not a PNG
    // picture that can be read; the picture is then unchanged.
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) override;
    void Draw(QPainter &canvas, const QRect &rect) override;
    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    bool Empty() const override { return m_image.isNull(); }

    // The picture, in Format_ARGB32.
    const QImage &Image() const { return m_image; }

protected:
    void AssignTo(TPersistent *dest) const override;

private:
    QByteArray m_data;
    QImage m_image;
};
