#include "engine/RetAddr.h"

#include "foundation/Measurements.h"
#include "foundation/QmIniFile.h"
#include "platform/Rounding.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QStringBuilder>

#include <cmath>

namespace {

class DefaultEnvironment : public TReturnAddressEnvironment
{
public:
    int Measure() const override { return 0; }
    int ScreenPixelsPerInch() const override
    {
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            if (QScreen *screen = QGuiApplication::primaryScreen())
                return std::max(1, static_cast<int>(RoundHalfEven(screen->logicalDotsPerInch())));
        return 96;
    }
};

const TReturnAddressEnvironment *installedEnvironment = nullptr;

int ScreenPpi()
{
    return std::max(1, ReturnAddressEnvironment().ScreenPixelsPerInch());
}

bool InCentimetres()
{
    return ReturnAddressEnvironment().Measure() == 1;
}

// Clears the loading flag however the loading ends.
class LoadingGuard
{
public:
    explicit LoadingGuard(bool &flag) : m_flag(flag) { m_flag = true; }
    ~LoadingGuard() { m_flag = false; }

private:
    bool &m_flag;
};

} // namespace

const TReturnAddressEnvironment &ReturnAddressEnvironment()
{
    static DefaultEnvironment defaults;
    return installedEnvironment ? *installedEnvironment : defaults;
}

void SetReturnAddressEnvironment(const TReturnAddressEnvironment *environment)
{
    installedEnvironment = environment;
}

QString PictureLoadError(const QString &fileName, const QString &why)
{
    QString reason = why.trimmed();
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return QStringLiteral("Cannot read the picture \"%1\". %2").arg(fileName, reason);
}

uint8_t GraphicTypeOfFile(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return gtNone;
    const QString ext = name.mid(dot + 1).toUpper().left(4);
    if (ext == QLatin1String("BMP"))
        return gtBitmap;
    if (ext == QLatin1String("ICO"))
        return gtIcon;
    if (ext == QLatin1String("WMF") || ext == QLatin1String("EMF"))
        return gtMetafile;
    if (ext == QLatin1String("JPG") || ext == QLatin1String("JPEG"))
        return gtJPEG;
    if (ext == QLatin1String("GIF"))
        return gtGIF;
    if (ext == QLatin1String("PNG"))
        return gtPNG;
    return gtNone;
}

TReturnAddress::TReturnAddress() = default;

void TReturnAddress::SetGraphicFile(const QString &fileName)
{
    LoadingGuard guard(m_loading);
    m_loadError.clear();
    m_graphicFile = fileName;
    const QFileInfo info(fileName);
    m_fileExists = !fileName.isEmpty() && info.isFile();
    m_graphicType = gtNone;
    m_graphicWidth = 0;
    m_graphicHeight = 0;
    // Nothing loaded means no picture, not the previous one.
    m_picture.SetGraphic(std::unique_ptr<TGraphic>());
    if (!m_fileExists)
        return;
    const uint8_t type = GraphicTypeOfFile(fileName);
    try {
        // Each kind loads as its own format, whatever the extension's remaining letters.
        switch (type) {
        case gtBitmap: m_picture.LoadFromFileAs(fileName, QStringLiteral("BMP")); break;
        case gtIcon: m_picture.LoadFromFileAs(fileName, QStringLiteral("ICO")); break;
        case gtMetafile: m_picture.LoadFromFileAs(fileName, info.suffix().toUpper().left(3)); break;
        case gtJPEG: m_picture.LoadFromFileAs(fileName, QStringLiteral("JPG")); break;
        case gtGIF: m_picture.LoadFromFileAs(fileName, QStringLiteral("GIF")); break;
        case gtPNG: m_picture.LoadFromFileAs(fileName, QStringLiteral("PNG")); break;
        default: return;
        }
    } catch (const Exception &e) {
        m_picture.SetGraphic(std::unique_ptr<TGraphic>());
        m_loadError = PictureLoadError(fileName, e.Message());
        throw;
    } catch (...) {
        m_picture.SetGraphic(std::unique_ptr<TGraphic>());
        throw;
    }
    m_graphicType = type;
    const int ppi = ScreenPpi();
    SetGraphicWidth(
        static_cast<int>(std::min<int64_t>(int64_t(m_picture.Width()) * 100 / ppi, MaxGraphicWidth)));
    SetGraphicHeight(
        static_cast<int>(std::min<int64_t>(int64_t(m_picture.Height()) * 100 / ppi, MaxGraphicHeight)));
    if (m_graphicWidth == 0 && m_graphicHeight == 0)
        m_graphicType = gtNone;
}

void TReturnAddress::SetGraphicFileKeepingErrors(const QString &fileName)
{
    try {
        SetGraphicFile(fileName);
    } catch (const Exception &) {
        // Kept in LoadError.
    }
}

void TReturnAddress::SetGraphicWidth(int value)
{
    m_graphicWidth = std::min(value, MaxGraphicWidth);
}

void TReturnAddress::SetGraphicHeight(int value)
{
    m_graphicHeight = std::min(value, MaxGraphicHeight);
}

QString TReturnAddress::SizeText(int value) const
{
    const int v = InCentimetres() ? MulInchToMetric(value) : value;
    const int whole = std::abs(v) / 100;
    const int cents = std::abs(v) % 100;
    return QStringLiteral("%1%2.%3")
        .arg(v < 0 ? QStringLiteral("-") : QString())
        .arg(whole)
        .arg(cents, 2, 10, QLatin1Char('0'));
}

QString TReturnAddress::GetGraphicWidthText() const
{
    return SizeText(m_graphicWidth);
}

QString TReturnAddress::GetGraphicHeightText() const
{
    return SizeText(m_graphicHeight);
}

int TReturnAddress::SizeFromText(const QString &text) const
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?\\s*$"));
    if (!number.match(text).hasMatch())
        return 0;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok); // C locale: "." is the point
    if (!ok || !std::isfinite(value))
        return 0;
    // Clamped before rounding, so that no text overflows; the caps lie far below.
    const double hundredths = std::clamp(value * 100.0, 0.0, 1000000.0);
    const int rounded = static_cast<int>(RoundHalfEven(hundredths));
    return InCentimetres() ? DivMetricToInch(rounded) : rounded;
}

void TReturnAddress::SetGraphicWidthText(const QString &text)
{
    SetGraphicWidth(SizeFromText(text));
}

void TReturnAddress::SetGraphicHeightText(const QString &text)
{
    SetGraphicHeight(SizeFromText(text));
}

int TReturnAddress::GraphicWidthPixels() const
{
    return static_cast<int>(int64_t(ScreenPpi()) * m_graphicWidth / 100);
}

int TReturnAddress::GraphicHeightPixels() const
{
    return static_cast<int>(int64_t(ScreenPpi()) * m_graphicHeight / 100);
}

void TReturnAddress::LoadFromIni(const QString &section, const QString &key)
{
    LoadFromIni(*IniFile, section, key);
}

void TReturnAddress::LoadFromIni(const TZambIniFile &store, const QString &section, const QString &key)
{
    store.ReadStrings(section, key, m_lines);
    SetGraphicFileKeepingErrors(store.ReadString(section, key + QLatin1String("Graphic"), QString()));
    // Sizes stored negative (by hand) read as 0.
    SetGraphicWidth(
        std::max(0, store.ReadInteger(section, key + QLatin1String("GraphicWidth"), m_graphicWidth)));
    SetGraphicHeight(
        std::max(0, store.ReadInteger(section, key + QLatin1String("GraphicHeight"), m_graphicHeight)));
}

void TReturnAddress::SaveToIni(const QString &section, const QString &key) const
{
    SaveToIni(*IniFile, section, key);
}

void TReturnAddress::SaveToIni(TZambIniFile &store, const QString &section, const QString &key) const
{
    QStringList lines;
    lines.reserve(m_lines.size());
    for (const QString &line : m_lines)
        lines.append(TIniFile::StorableValue(line));
    TIniUpdate update(store);
    store.WriteStrings(section, key, lines);
    store.WriteString(section, key % QLatin1String("Graphic"), TIniFile::StorableValue(m_graphicFile));
    store.WriteInteger(section, key % QLatin1String("GraphicWidth"), m_graphicWidth);
    store.WriteInteger(section, key % QLatin1String("GraphicHeight"), m_graphicHeight);
    update.Commit();
}

void TReturnAddress::Assign(const TReturnAddress &source)
{
    if (&source == this)
        return;
    m_lines = source.m_lines;
    SetGraphicFileKeepingErrors(source.m_graphicFile);
    SetGraphicWidthText(source.GetGraphicWidthText());
    SetGraphicHeightText(source.GetGraphicHeightText());
}
