#include "platform/Graphics.h"

#include <QBuffer>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <unordered_map>

// ---------------------------------------------------------------------------
// Bitmap helpers

int BitsPerPixel(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
    }
    return 24;
}

int BytesPerScanline(int width, int bitsPerPixel)
{
    int64_t bits = static_cast<int64_t>(std::max(width, 0)) * bitsPerPixel;
    int64_t bytes = (bits + 31) / 32 * 4;
    if (bytes > INT_MAX)
        throw EInvalidGraphicOperation(QStringLiteral("Bitmap too large"));
    return static_cast<int>(bytes);
}

namespace {

bool IsIndexed(TPixelFormat format)
{
    return BitsPerPixel(format) <= 8;
}

int MaxColors(TPixelFormat format)
{
    return IsIndexed(format) ? 1 << BitsPerPixel(format) : 0;
}

QRgb QuadToRgb(const TRGBQuad &q)
{
    return qRgb(q.Red, q.Green, q.Blue);
}

TRGBQuad RgbToQuad(QRgb c)
{
    return {static_cast<uint8_t>(qBlue(c)), static_cast<uint8_t>(qGreen(c)), static_cast<uint8_t>(qRed(c)),
            0};
}

int IndexAt(const uint8_t *row, int x, int bits)
{
    switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default: return row[x];
    }
}

void SetIndexAt(uint8_t *row, int x, int bits, int index)
{
    switch (bits) {
    case 1: {
        uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
        if (index & 1)
            row[x >> 3] |= mask;
        else
            row[x >> 3] &= static_cast<uint8_t>(~mask);
        break;
    }
    case 4:
        if (x & 1)
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F));
        else
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
        break;
    default: row[x] = static_cast<uint8_t>(index); break;
    }
}

// Nearest colour of a table by squared distance, with a cache per colour.
class NearestColor
{
public:
    explicit NearestColor(const std::vector<TRGBQuad> &table) : m_table(table) {}

    int operator()(QRgb color)
    {
        color &= 0xFFFFFFu;
        auto found = m_cache.find(color);
        if (found != m_cache.end())
            return found->second;
        int best = 0;
        int bestDistance = INT_MAX;
        for (size_t i = 0; i < m_table.size(); ++i) {
            int dr = m_table[i].Red - qRed(color);
            int dg = m_table[i].Green - qGreen(color);
            int db = m_table[i].Blue - qBlue(color);
            int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<int>(i);
            }
        }
        m_cache.emplace(color, best);
        return best;
    }

private:
    const std::vector<TRGBQuad> &m_table;
    std::unordered_map<QRgb, int> m_cache;
};

} // namespace

std::vector<TRGBQuad> DefaultColorTable(TPixelFormat format)
{
    std::vector<TRGBQuad> table;
    switch (format) {
    case TPixelFormat::pf1bit: table = {{0, 0, 0, 0}, {255, 255, 255, 0}}; break;
    case TPixelFormat::pf4bit: {
        static constexpr int order[16] = {0, 1, 2, 3, 4, 5, 6, 7, 12, 13, 14, 15, 16, 17, 18, 19};
        const std::vector<TPaletteEntry> &system = StockDefaultPalette().Entries();
        for (int i : order)
            table.push_back({system[i].Blue, system[i].Green, system[i].Red, 0});
        // The 16 standard colours have silver before grey.
        break;
    }
    case TPixelFormat::pf8bit:
        for (const TPaletteEntry &e : HalftonePalette().Entries())
            table.push_back({e.Blue, e.Green, e.Red, 0});
        break;
    default: break;
    }
    return table;
}

// ---------------------------------------------------------------------------
// TBitmap

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format)
{
    if (IsIndexed(format))
        m_colorTable = DefaultColorTable(format);
    Reallocate(width, height, format, false);
}

TBitmap::~TBitmap() = default;

TBitmap::TBitmap(TBitmap &&other) noexcept
{
    *this = std::move(other);
}

TBitmap &TBitmap::operator=(TBitmap &&other) noexcept
{
    if (this != &other) {
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
        m_pixelFormat = other.m_pixelFormat;
        m_bytesPerLine = std::exchange(other.m_bytesPerLine, 0);
        m_bits = std::move(other.m_bits);
        m_colorTable = std::move(other.m_colorTable);
        m_palette = std::move(other.m_palette);
        m_hasTransparentColor = other.m_hasTransparentColor;
        m_transparentColor = other.m_transparentColor;
        SetTransparentFlag(other.Transparent());
        other.m_bits.clear();
        other.m_colorTable.clear();
    }
    return *this;
}

std::unique_ptr<TGraphic> TBitmap::NewInstance() const
{
    return std::make_unique<TBitmap>();
}

void TBitmap::CopyFrom(const TBitmap &other)
{
    m_width = other.m_width;
    m_height = other.m_height;
    m_pixelFormat = other.m_pixelFormat;
    m_bytesPerLine = other.m_bytesPerLine;
    m_bits = other.m_bits;
    m_colorTable = other.m_colorTable;
    m_palette = other.m_palette;
    m_hasTransparentColor = other.m_hasTransparentColor;
    m_transparentColor = other.m_transparentColor;
}

void TBitmap::Assign(const TPersistent *source)
{
    if (source == this)
        return;
    if (source == nullptr) {
        Reallocate(0, 0, m_pixelFormat, false);
        Changed();
        return;
    }
    if (auto bitmap = dynamic_cast<const TBitmap *>(source)) {
        CopyFrom(*bitmap);
        if (bitmap->Transparent() != Transparent())
            SetTransparent(bitmap->Transparent());
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::Reallocate(int width, int height, TPixelFormat format, bool keepPixels)
{
    if (width < 0 || height < 0)
        throw EInvalidGraphicOperation(QStringLiteral("Invalid bitmap size %1 x %2").arg(width).arg(height));
    int bytesPerLine = BytesPerScanline(width, BitsPerPixel(format));
    int64_t total = static_cast<int64_t>(bytesPerLine) * height;
    if (total > INT_MAX)
        throw EInvalidGraphicOperation(QStringLiteral("Bitmap too large"));
    std::vector<uint8_t> bits;
    try {
        bits.assign(static_cast<size_t>(total), 0);
    } catch (const std::bad_alloc &) {
        throw EInvalidGraphicOperation(
            QStringLiteral("Not enough memory for a bitmap of %1 x %2 pixels").arg(width).arg(height));
    }
    if (keepPixels && format == m_pixelFormat && !m_bits.empty()) {
        const int bitsPerPixel = BitsPerPixel(format);
        const int rows = std::min(height, m_height);
        const int keptWidth = std::min(width, m_width);
        const int bytes = (keptWidth * bitsPerPixel + 7) / 8;
        // Bits of dropped pixels that share the last byte are cleared.
        const int usedBits = keptWidth * bitsPerPixel - (bytes - 1) * 8;
        const auto keep = static_cast<uint8_t>(0xFF << (8 - std::clamp(usedBits, 0, 8)));
        for (int y = 0; bytes > 0 && y < rows; ++y) {
            uint8_t *dst = bits.data() + static_cast<size_t>(y) * bytesPerLine;
            std::memcpy(dst, m_bits.data() + static_cast<size_t>(y) * m_bytesPerLine,
                        static_cast<size_t>(bytes));
            dst[bytes - 1] &= keep;
        }
    }
    m_bits = std::move(bits);
    m_width = width;
    m_height = height;
    m_pixelFormat = format;
    m_bytesPerLine = bytesPerLine;
}

void TBitmap::SetSize(int width, int height)
{
    if (width == m_width && height == m_height)
        return;
    Reallocate(width, height, m_pixelFormat, true);
    Changed();
}

void TBitmap::SetWidth(int value)
{
    SetSize(value, m_height);
}

void TBitmap::SetHeight(int value)
{
    SetSize(m_width, value);
}

uint8_t *TBitmap::ScanLine(int row)
{
    if (row < 0 || row >= m_height)
        throw EInvalidGraphicOperation(QStringLiteral("Scan line index out of range"));
    return m_bits.data() + static_cast<size_t>(row) * m_bytesPerLine;
}

const uint8_t *TBitmap::ScanLine(int row) const
{
    return const_cast<TBitmap *>(this)->ScanLine(row);
}

QRgb TBitmap::Pixel(int x, int y) const
{
    if (x < 0 || x >= m_width)
        throw EInvalidGraphicOperation(QStringLiteral("Pixel index out of range"));
    const uint8_t *row = ScanLine(y);
    int bits = BitsPerPixel(m_pixelFormat);
    if (bits <= 8) {
        int index = IndexAt(row, x, bits);
        if (index >= static_cast<int>(m_colorTable.size()))
            return qRgb(0, 0, 0);
        return QuadToRgb(m_colorTable[static_cast<size_t>(index)]);
    }
    if (bits == 24)
        return qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    return qRgba(row[x * 4 + 2], row[x * 4 + 1], row[x * 4], row[x * 4 + 3]);
}

void TBitmap::SetColorTable(std::vector<TRGBQuad> table)
{
    int max = IsIndexed(m_pixelFormat) ? MaxColors(m_pixelFormat) : 256;
    if (static_cast<int>(table.size()) > max)
        table.resize(static_cast<size_t>(max));
    if (IsIndexed(m_pixelFormat))
        m_colorTable = std::move(table);
    else {
        std::vector<TPaletteEntry> entries;
        for (const TRGBQuad &q : table)
            entries.push_back({q.Red, q.Green, q.Blue, 0});
        m_palette = TPalette(std::move(entries));
    }
    Changed();
}

TPalette TBitmap::Palette() const
{
    if (!IsIndexed(m_pixelFormat))
        return m_palette;
    std::vector<TPaletteEntry> entries;
    entries.reserve(m_colorTable.size());
    for (const TRGBQuad &q : m_colorTable)
        entries.push_back({q.Red, q.Green, q.Blue, 0});
    return TPalette(std::move(entries));
}

void TBitmap::SetPalette(const TPalette &palette)
{
    if (!IsIndexed(m_pixelFormat)) {
        if (!(palette == m_palette)) {
            m_palette = palette;
            SetPaletteModified(true);
            Changed();
        }
        return;
    }
    std::vector<TRGBQuad> table;
    for (const TPaletteEntry &e : palette.Entries())
        table.push_back({e.Blue, e.Green, e.Red, 0});
    SetPaletteModified(true);
    SetColorTable(std::move(table));
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == m_pixelFormat)
        return;
    const int oldBits = BitsPerPixel(m_pixelFormat);
    const int newBits = BitsPerPixel(format);

    TBitmap target;
    target.m_pixelFormat = format;
    target.Reallocate(m_width, m_height, format, false);

    if (newBits > 8) {
        for (int y = 0; y < m_height; ++y) {
            const uint8_t *src = ScanLine(y);
            uint8_t *dst = target.ScanLine(y);
            for (int x = 0; x < m_width; ++x) {
                QRgb c;
                if (oldBits == 24)
                    c = qRgb(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]);
                else if (oldBits == 32)
                    c = qRgba(src[x * 4 + 2], src[x * 4 + 1], src[x * 4], src[x * 4 + 3]);
                else
                    c = Pixel(x, y);
                if (newBits == 24) {
                    dst[x * 3] = static_cast<uint8_t>(qBlue(c));
                    dst[x * 3 + 1] = static_cast<uint8_t>(qGreen(c));
                    dst[x * 3 + 2] = static_cast<uint8_t>(qRed(c));
                } else {
                    dst[x * 4] = static_cast<uint8_t>(qBlue(c));
                    dst[x * 4 + 1] = static_cast<uint8_t>(qGreen(c));
                    dst[x * 4 + 2] = static_cast<uint8_t>(qRed(c));
                    dst[x * 4 + 3] = static_cast<uint8_t>(qAlpha(c));
                }
            }
        }
        m_palette = Palette();
    } else if (oldBits <= 8 && static_cast<int>(m_colorTable.size()) <= MaxColors(format)) {
        // The table fits: keep it and the indexes.
        target.m_colorTable = m_colorTable;
        const int max = MaxColors(format);
        for (int y = 0; y < m_height; ++y) {
            const uint8_t *src = ScanLine(y);
            uint8_t *dst = target.ScanLine(y);
            for (int x = 0; x < m_width; ++x) {
                int index = IndexAt(src, x, oldBits);
                SetIndexAt(dst, x, newBits, index < max ? index : 0);
            }
        }
    } else {
        target.m_colorTable = DefaultColorTable(format);
        NearestColor nearest(target.m_colorTable);
        for (int y = 0; y < m_height; ++y) {
            uint8_t *dst = target.ScanLine(y);
            for (int x = 0; x < m_width; ++x)
                SetIndexAt(dst, x, newBits, nearest(Pixel(x, y)));
        }
    }
    m_bits = std::move(target.m_bits);
    m_bytesPerLine = target.m_bytesPerLine;
    m_pixelFormat = format;
    m_colorTable = std::move(target.m_colorTable);
    if (IsIndexed(format))
        m_palette.Clear();
    Changed();
}

QRgb TBitmap::TransparentColor() const
{
    if (m_hasTransparentColor)
        return m_transparentColor;
    if (Empty())
        return qRgb(0, 0, 0);
    return Pixel(0, m_height - 1) | 0xFF000000u;
}

void TBitmap::SetTransparentColor(QRgb color)
{
    m_hasTransparentColor = true;
    m_transparentColor = color | 0xFF000000u;
    Changed();
}

void TBitmap::ResetTransparentColor()
{
    m_hasTransparentColor = false;
    Changed();
}

TBitmap TBitmap::Mask() const
{
    TBitmap mask(m_width, m_height, TPixelFormat::pf1bit);
    QRgb transparent = TransparentColor() & 0xFFFFFFu;
    for (int y = 0; y < m_height; ++y) {
        uint8_t *dst = mask.ScanLine(y);
        for (int x = 0; x < m_width; ++x)
            if ((Pixel(x, y) & 0xFFFFFFu) == transparent)
                SetIndexAt(dst, x, 1, 1);
    }
    return mask;
}

QImage TBitmap::ToImage() const
{
    if (Empty())
        return QImage();
    const int bits = BitsPerPixel(m_pixelFormat);
    QImage image;
    if (bits <= 8) {
        QList<QRgb> colors;
        for (const TRGBQuad &q : m_colorTable)
            colors.append(QuadToRgb(q));
        if (bits == 1) {
            image = QImage(m_width, m_height, QImage::Format_Mono);
            while (colors.size() < 2)
                colors.append(qRgb(0, 0, 0));
            image.setColorTable(colors);
            for (int y = 0; y < m_height; ++y)
                std::memcpy(image.scanLine(y), ScanLine(y), static_cast<size_t>((m_width + 7) / 8));
        } else {
            image = QImage(m_width, m_height, QImage::Format_Indexed8);
            // Indexes beyond the table show black.
            while (colors.size() < (1 << bits))
                colors.append(qRgb(0, 0, 0));
            image.setColorTable(colors);
            for (int y = 0; y < m_height; ++y) {
                const uint8_t *src = ScanLine(y);
                uchar *dst = image.scanLine(y);
                if (bits == 8)
                    std::memcpy(dst, src, static_cast<size_t>(m_width));
                else
                    for (int x = 0; x < m_width; ++x)
                        dst[x] = static_cast<uchar>(IndexAt(src, x, 4));
            }
        }
    } else {
        image = QImage(m_width, m_height, bits == 24 ? QImage::Format_RGB32 : QImage::Format_ARGB32);
        for (int y = 0; y < m_height; ++y) {
            const uint8_t *src = ScanLine(y);
            auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
            if (bits == 24)
                for (int x = 0; x < m_width; ++x)
                    dst[x] = qRgb(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]);
            else
                for (int x = 0; x < m_width; ++x)
                    dst[x] = qRgba(src[x * 4 + 2], src[x * 4 + 1], src[x * 4], src[x * 4 + 3]);
        }
    }
    if (image.isNull())
        throw EInvalidGraphicOperation(QStringLiteral("Not enough memory to convert the bitmap"));
    return image;
}

void TBitmap::FromImage(const QImage &source)
{
    if (source.isNull()) {
        Reallocate(0, 0, m_pixelFormat, false);
        m_colorTable.clear();
        Changed();
        return;
    }
    QImage image = source;
    TBitmap result;
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) {
        image = image.convertToFormat(QImage::Format_Mono);
        result.Reallocate(image.width(), image.height(), TPixelFormat::pf1bit, false);
        for (QRgb c : image.colorTable())
            result.m_colorTable.push_back(RgbToQuad(c));
        result.m_colorTable.resize(std::min<size_t>(result.m_colorTable.size(), 2));
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(result.ScanLine(y), image.constScanLine(y),
                        static_cast<size_t>((image.width() + 7) / 8));
    } else if (image.format() == QImage::Format_Indexed8) {
        result.Reallocate(image.width(), image.height(), TPixelFormat::pf8bit, false);
        const QList<QRgb> colors = image.colorTable();
        for (int i = 0; i < colors.size() && i < 256; ++i)
            result.m_colorTable.push_back(RgbToQuad(colors[i]));
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(result.ScanLine(y), image.constScanLine(y), static_cast<size_t>(image.width()));
    } else {
        const bool alpha = image.hasAlphaChannel();
        image = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (image.isNull())
            throw EInvalidGraphicOperation(QStringLiteral("Not enough memory to convert the picture"));
        result.Reallocate(image.width(), image.height(),
                          alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit, false);
        for (int y = 0; y < image.height(); ++y) {
            auto *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            uint8_t *dst = result.ScanLine(y);
            for (int x = 0; x < image.width(); ++x) {
                if (alpha) {
                    dst[x * 4] = static_cast<uint8_t>(qBlue(src[x]));
                    dst[x * 4 + 1] = static_cast<uint8_t>(qGreen(src[x]));
                    dst[x * 4 + 2] = static_cast<uint8_t>(qRed(src[x]));
                    dst[x * 4 + 3] = static_cast<uint8_t>(qAlpha(src[x]));
                } else {
                    dst[x * 3] = static_cast<uint8_t>(qBlue(src[x]));
                    dst[x * 3 + 1] = static_cast<uint8_t>(qGreen(src[x]));
                    dst[x * 3 + 2] = static_cast<uint8_t>(qRed(src[x]));
                }
            }
        }
    }
    m_width = result.m_width;
    m_height = result.m_height;
    m_pixelFormat = result.m_pixelFormat;
    m_bytesPerLine = result.m_bytesPerLine;
    m_bits = std::move(result.m_bits);
    m_colorTable = std::move(result.m_colorTable);
    m_palette.Clear();
    Changed();
}

void TBitmap::Paint(const std::function<void(QPainter &)> &painting)
{
    if (Empty())
        return;
    const int bits = BitsPerPixel(m_pixelFormat);
    if (bits == 24 || bits == 32) {
        QImage view(m_bits.data(), m_width, m_height, m_bytesPerLine,
                    bits == 24 ? QImage::Format_BGR888 : QImage::Format_ARGB32);
        {
            QPainter painter(&view);
            painting(painter);
        }
        Changed();
        return;
    }
    QImage image = ToImage().convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painting(painter);
    }
    NearestColor nearest(m_colorTable);
    for (int y = 0; y < m_height; ++y) {
        auto *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uint8_t *dst = ScanLine(y);
        for (int x = 0; x < m_width; ++x)
            SetIndexAt(dst, x, bits, m_colorTable.empty() ? 0 : nearest(src[x]));
    }
    Changed();
}

void TBitmap::Draw(QPainter &canvas, const QRect &rect)
{
    if (Empty())
        return;
    QImage image = ToImage();
    if (Transparent()) {
        image = image.convertToFormat(QImage::Format_ARGB32);
        QRgb transparent = TransparentColor() & 0xFFFFFFu;
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] & 0xFFFFFFu) == transparent)
                    line[x] = 0;
        }
    }
    canvas.drawImage(rect, image);
}

namespace {

void PutLe16(QByteArray &out, int offset, int value)
{
    out[offset] = static_cast<char>(value & 0xFF);
    out[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void PutLe32(QByteArray &out, int offset, int64_t value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The bit count a BMP stream declares (0 when the header is unreadable).
int BmpBitCount(QIODevice &stream)
{
    QByteArray head = stream.peek(30);
    if (head.size() < 26 || head[0] != 'B' || head[1] != 'M')
        return 0;
    auto byte = [&](int i) { return static_cast<int>(static_cast<uint8_t>(head[i])); };
    int headerSize = byte(14) | byte(15) << 8 | byte(16) << 16 | byte(17) << 24;
    if (headerSize == 12)
        return byte(24) | byte(25) << 8;
    if (head.size() < 30)
        return 0;
    return byte(28) | byte(29) << 8;
}

} // namespace

void TBitmap::LoadFromStream(QIODevice &stream)
{
    const int bitCount = BmpBitCount(stream);
    QImageReader reader(&stream, "bmp");
    reader.setAutoTransform(false);
    QImage image;
    if (bitCount == 0 || !reader.read(&image) || image.isNull())
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    FromImage(image);
    if (bitCount == 1 && m_pixelFormat != TPixelFormat::pf1bit)
        SetPixelFormat(TPixelFormat::pf1bit);
    else if (bitCount == 4 && static_cast<int>(m_colorTable.size()) <= 16)
        SetPixelFormat(TPixelFormat::pf4bit);
    else if (bitCount == 32 && m_pixelFormat == TPixelFormat::pf24bit)
        SetPixelFormat(TPixelFormat::pf32bit);
}

void TBitmap::SaveToStream(QIODevice &stream)
{
    const int bits = BitsPerPixel(m_pixelFormat);
    const int colors = bits <= 8 ? static_cast<int>(m_colorTable.size()) : 0;
    const int headerBytes = 14 + 40 + colors * 4;
    const int64_t imageBytes = static_cast<int64_t>(m_bytesPerLine) * m_height;
    QByteArray header(headerBytes, '\0');
    header[0] = 'B';
    header[1] = 'M';
    PutLe32(header, 2, headerBytes + imageBytes);
    PutLe32(header, 10, headerBytes);
    PutLe32(header, 14, 40);
    PutLe32(header, 18, m_width);
    PutLe32(header, 22, m_height);
    PutLe16(header, 26, 1);
    PutLe16(header, 28, bits);
    PutLe32(header, 34, imageBytes);
    PutLe32(header, 38, 3780); // 96 pixels per inch
    PutLe32(header, 42, 3780);
    PutLe32(header, 46, colors);
    for (int i = 0; i < colors; ++i) {
        const TRGBQuad &q = m_colorTable[static_cast<size_t>(i)];
        header[54 + i * 4] = static_cast<char>(q.Blue);
        header[55 + i * 4] = static_cast<char>(q.Green);
        header[56 + i * 4] = static_cast<char>(q.Red);
    }
    bool ok = stream.write(header) == header.size();
    // Rows bottom-up, as BMP files store them.
    for (int y = m_height - 1; ok && y >= 0; --y)
        ok = stream.write(reinterpret_cast<const char *>(ScanLine(y)), m_bytesPerLine) == m_bytesPerLine;
    if (!ok)
        throw EInvalidGraphic(QStringLiteral("Cannot write the bitmap: %1").arg(stream.errorString()));
}

void TBitmap::LoadFromClipboardFormat(const QString &format, const QMimeData &data)
{
    if (format == QLatin1String("application/x-qt-image") && data.hasImage()) {
        QImage image = qvariant_cast<QImage>(data.imageData());
        if (image.isNull())
            throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
        FromImage(image);
        return;
    }
    if (format == QLatin1String("image/bmp") && data.hasFormat(format)) {
        QByteArray bytes = data.data(format);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        LoadFromStream(buffer);
        return;
    }
    TGraphic::LoadFromClipboardFormat(format, data);
}

void TBitmap::SaveToClipboardFormat(QMimeData &data)
{
    data.setImageData(ToImage());
}
