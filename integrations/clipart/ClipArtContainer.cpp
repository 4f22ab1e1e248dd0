#include "integrations/clipart/ClipArtContainer.h"

#include "platform/Exception.h"
#include "platform/JpegImage.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

TOleContainerArt::TOleContainerArt(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

TOleContainerArt::~TOleContainerArt() = default;

bool TOleContainerArt::MakeBitmap(bool WhiteBackground)
{
    auto bitmap = std::make_unique<TBitmap>();
    if (!CopyContainerImage(*bitmap))
        return false;
    Bitmap = std::move(bitmap);
    if (WhiteBackground)
        WhitenBackground();
    return true;
}

bool TOleContainerArt::CopyContainerImage(TBitmap &Target)
{
    if (width() <= 0 || height() <= 0)
        return false;
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    render(&image);
    Target.FromImage(image);
    Target.SetPixelFormat(TPixelFormat::pf24bit);
    return true;
}

void TOleContainerArt::WhitenBackground()
{
    if (!Bitmap || Bitmap->Empty())
        return;
    const QRgb background = Bitmap->Pixel(0, 0);
    const uint8_t b = uint8_t(qBlue(background));
    const uint8_t g = uint8_t(qGreen(background));
    const uint8_t r = uint8_t(qRed(background));
    for (int y = 0; y < Bitmap->Height(); ++y) {
        uint8_t *row = Bitmap->ScanLine(y);
        for (int x = 0; x < Bitmap->Width(); ++x) {
            uint8_t *p = row + 3 * x;
            if (p[0] == b && p[1] == g && p[2] == r)
                p[0] = p[1] = p[2] = 255;
        }
    }
}

void TOleContainerArt::SaveAsJpeg(const QString &FileName)
{
    if (!Bitmap)
        throw Exception(QStringLiteral("There is no picture to save."));
    const QFileInfo target(FileName);
    if (target.exists() && (!target.isFile() || target.size() > 0))
        throw Exception(QStringLiteral("The file \"%1\" exists already; it was not replaced.").arg(FileName));
    TJPEGImage jpeg;
    jpeg.Assign(Bitmap.get());
    jpeg.SaveToFile(FileName);
}

void TOleContainerArt::FreeBitmap()
{
    Bitmap.reset();
}

TOleContainerClipArt::TOleContainerClipArt(QWidget *parent) : TOleContainerArt(parent)
{
    CreateArtObject();
}

TOleContainerClipArt::~TOleContainerClipArt() = default;

void TOleContainerClipArt::CreateArtObject()
{
    m_clipFile.clear();
    m_svg.reset();
    m_image = QImage();
    setFixedSize(60, 60);
    update();
}

void TOleContainerClipArt::LoadClip(const QString &FileName)
{
    QSize natural;
    std::unique_ptr<QSvgRenderer> svg;
    QImage image;
    if (FileName.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        svg = std::make_unique<QSvgRenderer>(FileName);
        if (!svg->isValid())
            throw Exception(QStringLiteral("\"%1\" is not a picture that can be read.").arg(FileName));
        natural = svg->defaultSize();
    } else {
        QImageReader reader(FileName);
        const QSize stored = reader.size();
        if (stored.isValid() && (stored.width() > MaxSide || stored.height() > MaxSide))
            reader.setScaledSize(stored.scaled(MaxSide, MaxSide, Qt::KeepAspectRatio));
        image = reader.read();
        if (image.isNull())
            throw Exception(QStringLiteral("\"%1\" is not a picture that can be read.").arg(FileName));
        natural = image.size();
    }
    if (natural.isEmpty())
        natural = QSize(60, 60);
    if (natural.width() > MaxSide || natural.height() > MaxSide)
        natural = natural.scaled(MaxSide, MaxSide, Qt::KeepAspectRatio);
    m_svg = std::move(svg);
    m_image = std::move(image);
    m_clipFile = FileName;
    setFixedSize(natural.expandedTo(QSize(1, 1)));
    update();
}

void TOleContainerClipArt::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect all(QPoint(0, 0), size());
    if (m_svg)
        m_svg->render(&painter, all);
    else if (!m_image.isNull())
        painter.drawImage(all, m_image);
}
