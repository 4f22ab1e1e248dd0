#include "platform/Graphics.h"
#include "platform/PngImage.h"

#include <QFileInfo>

#include <algorithm>

// ---------------------------------------------------------------------------
// TMetafile: here for the registry, which names WMF and EMF to refuse them clearly.

std::unique_ptr<TGraphic> TMetafile::NewInstance() const
{
    return std::make_unique<TMetafile>();
}

void TMetafile::LoadFromStream(QIODevice &)
{
    throw EInvalidGraphic(QStringLiteral("Windows metafile pictures (WMF, EMF) cannot be shown on this "
                                         "system; please use a PNG, BMP, JPEG or GIF picture."));
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
        files.push_back({QStringLiteral("PNG"), QStringLiteral("PNG Pictures"),
                         [] { return std::make_unique<TPngImage>(); }});
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
