#pragma once

#include "platform/Graphics.h"

// A PNG picture, the common logo format, read and written through QImage. The
// file's bytes are kept as loaded and written back unchanged (a picture assigned
// from a bitmap is written as a new PNG file); the picture keeps its transparency.
// Registered with the picture registry for "PNG".
class TPngImage : public TImageGraphic
{
public:
    TPngImage() : TImageGraphic(QStringLiteral("the PNG picture")) {}
    QString ClassName() const override { return QStringLiteral("TPngImage"); }
    std::unique_ptr<TGraphic> NewInstance() const override;
    // From another PNG picture, from a bitmap, or null (empty).
    void Assign(const TPersistent *source) override;

    // Throws EInvalidGraphic, saying why in words, for data that is not a PNG
    // picture that can be read; the picture is then unchanged.
    void LoadFromStream(QIODevice &stream) override;

protected:
    QByteArray Encode(const QImage &image) const override;
};
