#include "platform/Graphics.h"

#include "platform/AtomicSave.h"
#include "platform/RegularFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <unordered_map>

// ---------------------------------------------------------------------------
// TPalette

TPalette::TPalette(std::vector<TPaletteEntry> entries) : m_entries(std::move(entries))
{
    if (m_entries.size() > MaxEntries)
        m_entries.resize(MaxEntries);
}

const TPaletteEntry &TPalette::Entry(int index) const
{
    if (index < 0 || index >= Count())
        throw EInvalidGraphicOperation(QStringLiteral("Palette index out of range"));
    return m_entries[static_cast<size_t>(index)];
}

void TPalette::SetEntry(int index, const TPaletteEntry &entry)
{
    if (index < 0 || index >= Count())
        throw EInvalidGraphicOperation(QStringLiteral("Palette index out of range"));
    m_entries[static_cast<size_t>(index)] = entry;
}

void TPalette::Add(const TPaletteEntry &entry)
{
    if (Count() >= MaxEntries)
        throw EInvalidGraphicOperation(QStringLiteral("Palette is full"));
    m_entries.push_back(entry);
}

void TPalette::Resize(int count)
{
    m_entries.resize(static_cast<size_t>(std::clamp(count, 0, MaxEntries)));
}

int TPalette::GetEntries(int start, int count, TPaletteEntry *out) const
{
    if (start < 0 || count <= 0 || start >= Count() || out == nullptr)
        return 0;
    int n = std::min(count, Count() - start);
    std::copy_n(m_entries.begin() + start, n, out);
    return n;
}

namespace {

constexpr TPaletteEntry SystemColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

} // namespace

const TPalette &StockDefaultPalette()
{
    static const TPalette palette(
        std::vector<TPaletteEntry>(std::begin(SystemColors), std::end(SystemColors)));
    return palette;
}

const TPalette &HalftonePalette()
{
    static const TPalette palette = [] {
        std::vector<TPaletteEntry> entries(SystemColors, SystemColors + 10);
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    entries.push_back({static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                                       static_cast<uint8_t>(b * 51), 0});
        // Greys between the cube's levels (which already has 0, 51, ... 255).
        for (int i = 1; entries.size() < 246; ++i) {
            int level = i * 255 / 21;
            if (level % 51 == 0)
                level += 4;
            auto v = static_cast<uint8_t>(level);
            entries.push_back({v, v, v, 0});
        }
        entries.insert(entries.end(), SystemColors + 10, SystemColors + 20);
        return TPalette(std::move(entries));
    }();
    return palette;
}

// ---------------------------------------------------------------------------
// TPersistent

void TPersistent::Assign(const TPersistent *source)
{
    if (source != nullptr) {
        source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent *dest) const
{
    if (dest != nullptr)
        dest->AssignError(this);
    else
        throw EConvertError(QStringLiteral("Cannot assign a %1 to nothing").arg(ClassName()));
}

void TPersistent::AssignError(const TPersistent *source) const
{
    QString sourceName = source != nullptr ? source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(sourceName, ClassName()));
}

// ---------------------------------------------------------------------------
// TGraphic

void TGraphic::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    QString error;
    if (!OpenRegularFile(file, kMaxPictureBytes, error))
        throw EInvalidGraphic(error);
    LoadFromStream(file);
}

void TGraphic::SaveToFile(const QString &fileName)
{
    AtomicSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EInvalidGraphic(file.errorString());
    SaveToStream(file);
    if (!file.commit())
        throw EInvalidGraphic(file.errorString());
}

void TGraphic::LoadFromClipboardFormat(const QString &, const QMimeData &)
{
    throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
}

void TGraphic::SaveToClipboardFormat(QMimeData &)
{
    throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
}

void TGraphic::SetWidth(int)
{
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of a %1").arg(ClassName()));
}

void TGraphic::SetHeight(int)
{
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of a %1").arg(ClassName()));
}

void TGraphic::SetTransparent(bool value)
{
    if (value != m_transparent) {
        m_transparent = value;
        Changed();
    }
}

void TGraphic::SetModified(bool value)
{
    if (value)
        Changed();
    else
        m_modified = false;
}

void TGraphic::Changed(TPersistent *sender)
{
    m_modified = true;
    if (OnChange)
        OnChange(sender != nullptr ? sender : this);
}

void TGraphic::Progress(TPersistent *sender, TProgressStage stage, int percentDone, bool redrawNow,
                        const QRect &rect, const QString &message)
{
    if (OnProgress)
        OnProgress(sender, stage, percentDone, redrawNow, rect, message);
}

// ---------------------------------------------------------------------------
// Bitmap helpers

int BitsPerPixel(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit:
        return 1;
    case TPixelFormat::pf4bit:
        return 4;
    case TPixelFormat::pf8bit:
        return 8;
    case TPixelFormat::pf24bit:
        return 24;
    case TPixelFormat::pf32bit:
        return 32;
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
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default:
        return row[x];
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
    default:
        row[x] = static_cast<uint8_t>(index);
        break;
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
    case TPixelFormat::pf1bit:
        table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        break;
    case TPixelFormat::pf4bit: {
        static constexpr int order[16] = {0, 1, 2, 3, 4, 5, 6, 7, 12, 13, 14, 15, 16, 17, 18, 19};
        for (int i : order)
            table.push_back({SystemColors[i].Blue, SystemColors[i].Green, SystemColors[i].Red, 0});
        // The 16 standard colours have silver before grey.
        break;
    }
    case TPixelFormat::pf8bit:
        for (const TPaletteEntry &e : HalftonePalette().Entries())
            table.push_back({e.Blue, e.Green, e.Red, 0});
        break;
    default:
        break;
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

// ---------------------------------------------------------------------------
// TIcon

TIcon::TIcon()
{
    SetTransparentFlag(true);
}

std::unique_ptr<TGraphic> TIcon::NewInstance() const
{
    return std::make_unique<TIcon>();
}

void TIcon::Assign(const TPersistent *source)
{
    if (source == this)
        return;
    if (auto icon = dynamic_cast<const TIcon *>(source)) {
        m_data = icon->m_data;
        m_image = icon->m_image;
        Changed();
        return;
    }
    if (source == nullptr) {
        m_data.clear();
        m_image = QImage();
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::AssignTo(TPersistent *dest) const
{
    if (auto bitmap = dynamic_cast<TBitmap *>(dest)) {
        bitmap->FromImage(m_image);
        return;
    }
    TGraphic::AssignTo(dest);
}

void TIcon::LoadFromStream(QIODevice &stream)
{
    // Icons are small; a larger stream is not an icon we can show.
    constexpr qint64 MaxIconBytes = 64 * 1024 * 1024;
    QByteArray data = stream.read(MaxIconBytes + 1);
    if (data.size() < 6 || data.size() > MaxIconBytes || data[0] != 0 || data[1] != 0 || data[2] != 1 ||
        data[3] != 0)
        throw EInvalidGraphic(QStringLiteral("Icon image is not valid"));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage chosen;
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        QImage image;
        if (!reader.read(&image) || image.isNull())
            continue;
        if (chosen.isNull() ||
            (image.width() == 32 && image.height() == 32 && (chosen.width() != 32 || chosen.height() != 32)))
            chosen = image;
    }
    if (chosen.isNull())
        throw EInvalidGraphic(QStringLiteral("Icon image is not valid"));
    m_data = std::move(data);
    m_image = chosen.convertToFormat(QImage::Format_ARGB32);
    Changed();
}

void TIcon::SaveToStream(QIODevice &stream)
{
    if (stream.write(m_data) != m_data.size())
        throw EInvalidGraphic(QStringLiteral("Cannot write the icon: %1").arg(stream.errorString()));
}

void TIcon::Draw(QPainter &canvas, const QRect &rect)
{
    if (!m_image.isNull())
        canvas.drawImage(rect, m_image);
}

TBitmap TIcon::Mask() const
{
    TBitmap mask(Width(), Height(), TPixelFormat::pf1bit);
    for (int y = 0; y < Height(); ++y) {
        auto *line = reinterpret_cast<const QRgb *>(m_image.constScanLine(y));
        uint8_t *dst = mask.ScanLine(y);
        for (int x = 0; x < Width(); ++x)
            if (qAlpha(line[x]) < 128)
                SetIndexAt(dst, x, 1, 1);
    }
    return mask;
}

// ---------------------------------------------------------------------------
// TMetafile

std::unique_ptr<TGraphic> TMetafile::NewInstance() const
{
    return std::make_unique<TMetafile>();
}

void TMetafile::LoadFromStream(QIODevice &)
{
    throw EInvalidGraphic(QStringLiteral("Windows metafile pictures (WMF, EMF) cannot be shown on this "
                                         "system; please use a BMP, JPEG or GIF picture."));
}

void TMetafile::SaveToStream(QIODevice &)
{
    throw EInvalidGraphic(
        QStringLiteral("Windows metafile pictures (WMF, EMF) cannot be written on this system."));
}

// ---------------------------------------------------------------------------
// Registries

namespace {

struct Registries
{
    std::vector<TFileFormat> files;
    std::vector<TClipboardFormat> clipboard;

    Registries()
    {
        files.push_back(
            {QStringLiteral("BMP"), QStringLiteral("Bitmaps"), [] { return std::make_unique<TBitmap>(); }});
        files.push_back(
            {QStringLiteral("ICO"), QStringLiteral("Icons"), [] { return std::make_unique<TIcon>(); }});
        files.push_back({QStringLiteral("WMF"), QStringLiteral("Metafiles"),
                         [] { return std::make_unique<TMetafile>(); }});
        files.push_back({QStringLiteral("EMF"), QStringLiteral("Enhanced Metafiles"),
                         [] { return std::make_unique<TMetafile>(); }});
        clipboard.push_back({QStringLiteral("application/x-qt-image"), QStringLiteral("Bitmap"),
                             [] { return std::make_unique<TBitmap>(); }});
    }
};

Registries &Registry()
{
    static Registries registries;
    return registries;
}

QString NormalExtension(const QString &extension)
{
    QString ext = extension.startsWith(QLatin1Char('.')) ? extension.mid(1) : extension;
    return ext.toUpper();
}

const TFileFormat *FindFileFormat(const QString &extension)
{
    const QString ext = NormalExtension(extension);
    for (const TFileFormat &f : Registry().files)
        if (f.Extension == ext)
            return &f;
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------------------
// TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TPicture::Hook(TGraphic *graphic)
{
    if (graphic == nullptr)
        return;
    HookProgress(graphic);
    graphic->OnChange = [this](TPersistent *) { Changed(); };
}

void TPicture::HookProgress(TGraphic *graphic)
{
    graphic->OnProgress = [this](TPersistent *sender, TProgressStage stage, int percent, bool redraw,
                                 const QRect &rect, const QString &message) {
        if (OnProgress)
            OnProgress(sender, stage, percent, redraw, rect, message);
    };
}

void TPicture::SetGraphic(const TGraphic *graphic)
{
    if (graphic == m_graphic.get())
        return;
    std::unique_ptr<TGraphic> copy;
    if (graphic != nullptr) {
        copy = graphic->NewInstance();
        copy->Assign(graphic);
    }
    SetGraphic(std::move(copy));
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic)
{
    m_graphic = std::move(graphic);
    Hook(m_graphic.get());
    Changed();
}

TBitmap &TPicture::Bitmap()
{
    if (dynamic_cast<TBitmap *>(m_graphic.get()) == nullptr)
        SetGraphic(std::make_unique<TBitmap>());
    return static_cast<TBitmap &>(*m_graphic);
}

TIcon &TPicture::Icon()
{
    if (dynamic_cast<TIcon *>(m_graphic.get()) == nullptr)
        SetGraphic(std::make_unique<TIcon>());
    return static_cast<TIcon &>(*m_graphic);
}

void TPicture::LoadFromFile(const QString &fileName)
{
    LoadFromFileAs(fileName, FileExtension(fileName));
}

void TPicture::LoadFromFileAs(const QString &fileName, const QString &extension)
{
    const TFileFormat *format = FindFileFormat(extension);
    if (format == nullptr)
        throw EInvalidGraphic(
            QStringLiteral("Unknown picture file extension (.%1)").arg(extension.toLower()));
    std::unique_ptr<TGraphic> graphic = format->Factory();
    // Progress reaches the picture while loading; changes only once the new
    // graphic is held, so a failed load reports nothing.
    HookProgress(graphic.get());
    graphic->LoadFromFile(fileName);
    m_graphic = std::move(graphic);
    Hook(m_graphic.get());
    Changed();
}

void TPicture::SaveToFile(const QString &fileName)
{
    if (m_graphic)
        m_graphic->SaveToFile(fileName);
}

void TPicture::LoadFromClipboardFormat(const QString &format, const QMimeData &data)
{
    TGraphicFactory factory;
    for (const TClipboardFormat &f : Registry().clipboard)
        if (f.MimeType == format)
            factory = f.Factory;
    if (!factory)
        throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
    std::unique_ptr<TGraphic> graphic = factory();
    HookProgress(graphic.get());
    graphic->LoadFromClipboardFormat(format, data);
    m_graphic = std::move(graphic);
    Hook(m_graphic.get());
    Changed();
}

void TPicture::SaveToClipboardFormat(QMimeData &data)
{
    if (m_graphic)
        m_graphic->SaveToClipboardFormat(data);
}

int TPicture::Width() const
{
    return m_graphic ? m_graphic->Width() : 0;
}

int TPicture::Height() const
{
    return m_graphic ? m_graphic->Height() : 0;
}

void TPicture::Assign(const TPersistent *source)
{
    if (source == nullptr) {
        SetGraphic(std::unique_ptr<TGraphic>());
        return;
    }
    if (auto picture = dynamic_cast<const TPicture *>(source)) {
        SetGraphic(picture->Graphic());
        return;
    }
    if (auto graphic = dynamic_cast<const TGraphic *>(source)) {
        SetGraphic(graphic);
        return;
    }
    TPersistent::Assign(source);
}

void TPicture::AssignTo(TPersistent *dest) const
{
    if (m_graphic && dynamic_cast<TGraphic *>(dest) != nullptr) {
        dest->Assign(m_graphic.get());
        return;
    }
    TPersistent::AssignTo(dest);
}

void TPicture::RegisterFileFormat(const QString &extension, const QString &description,
                                  TGraphicFactory factory)
{
    const QString ext = NormalExtension(extension);
    if (ext.isEmpty() || !factory)
        throw EInvalidGraphicOperation(QStringLiteral("Invalid picture file format registration"));
    auto &files = Registry().files;
    for (TFileFormat &f : files)
        if (f.Extension == ext) {
            f.Description = description;
            f.Factory = std::move(factory);
            return;
        }
    files.push_back({ext, description, std::move(factory)});
}

void TPicture::UnregisterFileFormat(const QString &extension)
{
    const QString ext = NormalExtension(extension);
    auto &files = Registry().files;
    files.erase(
        std::remove_if(files.begin(), files.end(), [&](const TFileFormat &f) { return f.Extension == ext; }),
        files.end());
}

bool TPicture::IsFileFormatRegistered(const QString &extension)
{
    return FindFileFormat(extension) != nullptr;
}

QString TPicture::FileFormatDescription(const QString &extension)
{
    const TFileFormat *f = FindFileFormat(extension);
    return f ? f->Description : QString();
}

std::vector<TFileFormat> TPicture::FileFormats()
{
    return Registry().files;
}

QString TPicture::FileFilter()
{
    QStringList all;
    QStringList each;
    for (const TFileFormat &f : Registry().files) {
        const QString pattern = QStringLiteral("*.") + f.Extension.toLower();
        all << pattern;
        each << QStringLiteral("%1 (%2)").arg(f.Description, pattern);
    }
    QStringList filters;
    filters << QStringLiteral("All pictures (%1)").arg(all.join(QLatin1Char(' ')));
    filters << each;
    return filters.join(QStringLiteral(";;"));
}

QString TPicture::FileExtension(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    return name.mid(dot + 1).toUpper();
}

void TPicture::RegisterClipboardFormat(const QString &mimeType, const QString &description,
                                       TGraphicFactory factory)
{
    if (mimeType.isEmpty() || !factory)
        throw EInvalidGraphicOperation(QStringLiteral("Invalid clipboard format registration"));
    auto &formats = Registry().clipboard;
    for (TClipboardFormat &f : formats)
        if (f.MimeType == mimeType) {
            f.Description = description;
            f.Factory = std::move(factory);
            return;
        }
    formats.push_back({mimeType, description, std::move(factory)});
}

void TPicture::UnregisterClipboardFormat(const QString &mimeType)
{
    auto &formats = Registry().clipboard;
    formats.erase(std::remove_if(formats.begin(), formats.end(),
                                 [&](const TClipboardFormat &f) { return f.MimeType == mimeType; }),
                  formats.end());
}

bool TPicture::SupportsClipboardFormat(const QString &mimeType)
{
    for (const TClipboardFormat &f : Registry().clipboard)
        if (f.MimeType == mimeType)
            return true;
    return false;
}

std::vector<TClipboardFormat> TPicture::ClipboardFormats()
{
    return Registry().clipboard;
}
