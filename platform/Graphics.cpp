#include "platform/Graphics.h"

#include "platform/AtomicSave.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <typeinfo>

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
// TImageGraphic

void TImageGraphic::Assign(const TPersistent *source)
{
    if (source == this)
        return;
    if (source == nullptr) {
        SetImage({}, QImage());
        return;
    }
    if (typeid(*source) == typeid(*this)) {
        const auto &other = static_cast<const TImageGraphic &>(*source);
        m_data = other.m_data;
        m_image = other.m_image;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TImageGraphic::AssignTo(TPersistent *dest) const
{
    if (auto bitmap = dynamic_cast<TBitmap *>(dest)) {
        bitmap->FromImage(m_image);
        return;
    }
    TGraphic::AssignTo(dest);
}

void TImageGraphic::SetImage(QByteArray data, const QImage &image)
{
    m_data = std::move(data);
    m_image = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32);
    Changed();
}

void TImageGraphic::SaveToStream(QIODevice &stream)
{
    if (m_data.isEmpty() && !m_image.isNull())
        m_data = Encode(m_image);
    if (stream.write(m_data) != m_data.size())
        throw EInvalidGraphic(QStringLiteral("Cannot write %1: %2").arg(m_kind, stream.errorString()));
}

void TImageGraphic::Draw(QPainter &canvas, const QRect &rect)
{
    if (!m_image.isNull())
        canvas.drawImage(rect, m_image);
}
