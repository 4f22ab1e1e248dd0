#include "platform/JpegImage.h"

#include <QIODevice>
#include <QPainter>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace {

// Larger pictures are refused rather than allocated.
constexpr qint64 kMaxPixels = 120'000'000;

// The library's own error handler ends the process; this one jumps back with
// the library's message instead.
struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // The data ended before the end marker, and the library made one up.
    bool endedEarly;
    // The picture needed data that was not there (a file cut short, not one
    // missing only its end marker).
    bool missingData;
};

void ErrorExit(j_common_ptr info)
{
    auto *manager = reinterpret_cast<ErrorManager *>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

void QuietMessage(j_common_ptr info, int level)
{
    auto *manager = reinterpret_cast<ErrorManager *>(info->err);
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        manager->endedEarly = true;
    else if (level < 0 && info->err->msg_code == JWRN_HIT_MARKER)
        manager->missingData = true;
}

void NoOutput(j_common_ptr) {}

EJPEG JpegError(const char *message)
{
    return EJPEG(QStringLiteral("The JPEG picture cannot be decoded: %1").arg(QString::fromLatin1(message)));
}

// Errors jump back instead of ending the process; warnings stay quiet.
jpeg_error_mgr *InstallErrors(ErrorManager &errors)
{
    jpeg_error_mgr *base = jpeg_std_error(&errors.base);
    errors.base.error_exit = ErrorExit;
    errors.base.emit_message = QuietMessage;
    errors.base.output_message = NoOutput;
    errors.message[0] = '\0';
    errors.endedEarly = false;
    errors.missingData = false;
    return base;
}

enum class DecodeStatus { Ok, LibraryError, TooLarge, Incomplete };

// Plain C-style work between setjmp and longjmp: nothing here has a destructor.
DecodeStatus DecodeInto(const unsigned char *data, unsigned long size, TBitmap *bitmap, char *message,
                        int *width, int *height)
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = InstallErrors(errors);
    if (setjmp(errors.jump)) {
        std::memcpy(message, errors.message, JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&info);
        return errors.endedEarly ? DecodeStatus::Incomplete : DecodeStatus::LibraryError;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    *width = static_cast<int>(info.image_width);
    *height = static_cast<int>(info.image_height);
    if (qint64(info.image_width) * info.image_height > kMaxPixels) {
        jpeg_destroy_decompress(&info);
        return DecodeStatus::TooLarge;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);
    bitmap->SetSize(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    const int components = info.output_components;
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * components, 1);
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        jpeg_read_scanlines(&info, row, 1);
        uint8_t *out = bitmap->ScanLine(y);
        const JSAMPLE *in = row[0];
        for (JDIMENSION x = 0; x < info.output_width; ++x, in += components, out += 3) {
            if (components == 4) {
                // Adobe writes CMYK inverted: the values are already 255 - ink.
                int k = in[3];
                out[2] = static_cast<uint8_t>(in[0] * k / 255);
                out[1] = static_cast<uint8_t>(in[1] * k / 255);
                out[0] = static_cast<uint8_t>(in[2] * k / 255);
            } else if (components == 3) {
                out[2] = in[0];
                out[1] = in[1];
                out[0] = in[2];
            } else {
                out[0] = out[1] = out[2] = in[0];
            }
        }
    }
    // Only a missing end marker is forgiven: the picture is whole.
    if (errors.endedEarly && errors.missingData) {
        jpeg_destroy_decompress(&info);
        return DecodeStatus::Incomplete;
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return DecodeStatus::Ok;
}

bool EncodeInto(const uint8_t *rgb, int width, int height, int quality, unsigned char **buffer,
                unsigned long *size, char *message)
{
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = InstallErrors(errors);
    if (setjmp(errors.jump)) {
        std::memcpy(message, errors.message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + size_t(info.next_scanline) * size_t(width) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

void DecodeJpeg(const QByteArray &data, TBitmap &bitmap)
{
    TBitmap decoded(0, 0, TPixelFormat::pf24bit);
    char message[JMSG_LENGTH_MAX] = {};
    int width = 0, height = 0;
    DecodeStatus status =
        DecodeInto(reinterpret_cast<const unsigned char *>(data.constData()),
                   static_cast<unsigned long>(data.size()), &decoded, message, &width, &height);
    if (status == DecodeStatus::LibraryError)
        throw JpegError(message);
    if (status == DecodeStatus::Incomplete)
        throw EJPEG(QStringLiteral(
            "The JPEG picture cannot be decoded: it is incomplete, the file ends before the picture does."));
    if (status == DecodeStatus::TooLarge)
        throw EInvalidGraphic(
            QStringLiteral("The JPEG picture is too large (%1 x %2 pixels).").arg(width).arg(height));
    bitmap = std::move(decoded);
}

QByteArray EncodeJpeg(const TBitmap &bitmap, int quality)
{
    if (bitmap.Empty())
        throw EInvalidGraphic(QStringLiteral("An empty picture cannot be saved as JPEG."));
    QImage image = bitmap.ToImage().convertToFormat(QImage::Format_RGB888);
    std::vector<uint8_t> rgb(size_t(image.width()) * size_t(image.height()) * 3);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(rgb.data() + size_t(y) * size_t(image.width()) * 3, image.constScanLine(y),
                    size_t(image.width()) * 3);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    bool ok = EncodeInto(rgb.data(), image.width(), image.height(), std::clamp(quality, 1, 100), &buffer,
                         &size, message);
    QByteArray out;
    if (ok)
        out = QByteArray(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    if (!ok)
        throw JpegError(message);
    return out;
}

std::unique_ptr<TGraphic> TJPEGImage::NewInstance() const
{
    return std::make_unique<TJPEGImage>();
}

void TJPEGImage::Assign(const TPersistent *source)
{
    if (!source) {
        m_data.clear();
        m_bitmap = TBitmap();
        Changed();
        return;
    }
    if (auto *jpeg = dynamic_cast<const TJPEGImage *>(source)) {
        if (jpeg == this)
            return;
        m_data = jpeg->m_data;
        m_bitmap.Assign(&jpeg->m_bitmap);
        m_quality = jpeg->m_quality;
        Changed();
        return;
    }
    if (auto *bitmap = dynamic_cast<const TBitmap *>(source)) {
        m_bitmap.Assign(bitmap);
        m_bitmap.SetPixelFormat(TPixelFormat::pf24bit);
        m_data.clear(); // compressed when saved
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TJPEGImage::AssignTo(TPersistent *dest) const
{
    if (auto *bitmap = dynamic_cast<TBitmap *>(dest)) {
        bitmap->Assign(&m_bitmap);
        return;
    }
    TGraphic::AssignTo(dest);
}

void TJPEGImage::LoadFromStream(QIODevice &stream)
{
    QByteArray data = stream.readAll();
    TBitmap decoded;
    DecodeJpeg(data, decoded);
    m_data = data;
    m_bitmap = std::move(decoded);
    Changed();
}

QByteArray TJPEGImage::Data()
{
    if (m_data.isEmpty() && !m_bitmap.Empty())
        m_data = EncodeJpeg(m_bitmap, m_quality);
    return m_data;
}

void TJPEGImage::SaveToStream(QIODevice &stream)
{
    QByteArray data = Data();
    if (stream.write(data) != data.size())
        throw EInvalidGraphic(
            QStringLiteral("The JPEG picture could not be written: %1").arg(stream.errorString()));
}

void TJPEGImage::Draw(QPainter &canvas, const QRect &rect)
{
    if (!Empty())
        m_bitmap.Draw(canvas, rect);
}

void TJPEGImage::SetCompressionQuality(int quality)
{
    quality = std::clamp(quality, 1, 100);
    if (quality == m_quality)
        return;
    m_quality = quality;
    if (!m_bitmap.Empty() && !m_data.isEmpty()) {
        // The picture is compressed anew at the new quality when it is saved.
        m_data.clear();
    }
}

void RegisterJPEGFormat()
{
    auto factory = [] { return std::make_unique<TJPEGImage>(); };
    TPicture::RegisterFileFormat(QStringLiteral("JPG"), QStringLiteral("JPEG Image File"), factory);
    TPicture::RegisterFileFormat(QStringLiteral("JPEG"), QStringLiteral("JPEG Image File"), factory);
}

void UnregisterJPEGFormat()
{
    TPicture::UnregisterFileFormat(QStringLiteral("JPG"));
    TPicture::UnregisterFileFormat(QStringLiteral("JPEG"));
}
