#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The device-mode record: a fixed 156-byte public part laid out as the Windows
// ANSI DEVMODE (little-endian), so that the numeric codes and offsets stored in
// printer-setup blocks keep their meaning, followed by our own private part that
// names the CUPS media, media source and resolution exactly.
class DevMode
{
public:
    static constexpr int PublicSize = 156;
    static constexpr int PrivateSize = 148;
    static constexpr int TotalSize = PublicSize + PrivateSize;
    static constexpr uint16_t SpecVersion = 0x0401;
    static constexpr uint16_t PrivateVersion = 1;
    static constexpr int KeywordSize = 64;

    // Field offsets of the public part.
    enum Offset : int {
        OffDeviceName = 0,
        OffSpecVersion = 32,
        OffDriverVersion = 34,
        OffSize = 36,
        OffDriverExtra = 38,
        OffFields = 40,
        OffOrientation = 44,
        OffPaperSize = 46,
        OffPaperLength = 48,
        OffPaperWidth = 50,
        OffScale = 52,
        OffCopies = 54,
        OffDefaultSource = 56,
        OffPrintQuality = 58,
        OffColor = 60,
        OffDuplex = 62,
        OffYResolution = 64,
        OffTTOption = 66,
        OffCollate = 68,
        OffFormName = 70,
        // Private part.
        OffMagic = 156,
        OffPrivateVersion = 164,
        OffMediaKeyword = 168,
        OffSourceKeyword = 232,
        OffXDpi = 296,
        OffYDpi = 300,
    };

    DevMode();
    // A record for the named device with nothing valid in it yet.
    explicit DevMode(const QString &deviceName);

    // Takes a stored record; false (and this unchanged) when the bytes are not
    // one of our records of the right size and version.
    bool FromBytes(const QByteArray &bytes);
    const QByteArray &Bytes() const { return m_data; }
    char *Data() { return m_data.data(); }
    const char *Data() const { return m_data.constData(); }
    bool IsValid() const;

    QString DeviceName() const;
    void SetDeviceName(const QString &name);

    uint32_t Fields() const { return U32(OffFields); }
    void SetFields(uint32_t v) { SetU32(OffFields, v); }
    bool Has(uint32_t field) const { return (Fields() & field) != 0; }

    int16_t Orientation() const { return S16(OffOrientation); }
    void SetOrientation(int16_t v) { SetS16(OffOrientation, v); }
    int16_t PaperSize() const { return S16(OffPaperSize); }
    void SetPaperSize(int16_t v) { SetS16(OffPaperSize, v); }
    int16_t PaperLength() const { return S16(OffPaperLength); }
    void SetPaperLength(int16_t v) { SetS16(OffPaperLength, v); }
    int16_t PaperWidth() const { return S16(OffPaperWidth); }
    void SetPaperWidth(int16_t v) { SetS16(OffPaperWidth, v); }
    int16_t Scale() const { return S16(OffScale); }
    void SetScale(int16_t v) { SetS16(OffScale, v); }
    int16_t Copies() const { return S16(OffCopies); }
    void SetCopies(int16_t v) { SetS16(OffCopies, v); }
    int16_t DefaultSource() const { return S16(OffDefaultSource); }
    void SetDefaultSource(int16_t v) { SetS16(OffDefaultSource, v); }
    int16_t PrintQuality() const { return S16(OffPrintQuality); }
    void SetPrintQuality(int16_t v) { SetS16(OffPrintQuality, v); }
    int16_t Color() const { return S16(OffColor); }
    void SetColor(int16_t v) { SetS16(OffColor, v); }
    int16_t Duplex() const { return S16(OffDuplex); }
    void SetDuplex(int16_t v) { SetS16(OffDuplex, v); }
    int16_t YResolution() const { return S16(OffYResolution); }
    void SetYResolution(int16_t v) { SetS16(OffYResolution, v); }
    int16_t Collate() const { return S16(OffCollate); }
    void SetCollate(int16_t v) { SetS16(OffCollate, v); }

    QString MediaKeyword() const { return Text(OffMediaKeyword, KeywordSize); }
    void SetMediaKeyword(const QString &v) { SetText(OffMediaKeyword, KeywordSize, v); }
    QString SourceKeyword() const { return Text(OffSourceKeyword, KeywordSize); }
    void SetSourceKeyword(const QString &v) { SetText(OffSourceKeyword, KeywordSize, v); }
    int32_t XDpi() const { return static_cast<int32_t>(U32(OffXDpi)); }
    void SetXDpi(int32_t v) { SetU32(OffXDpi, static_cast<uint32_t>(v)); }
    int32_t YDpi() const { return static_cast<int32_t>(U32(OffYDpi)); }
    void SetYDpi(int32_t v) { SetU32(OffYDpi, static_cast<uint32_t>(v)); }

    int16_t S16(int offset) const;
    void SetS16(int offset, int16_t v);
    uint32_t U32(int offset) const;
    void SetU32(int offset, uint32_t v);

    bool operator==(const DevMode &other) const { return m_data == other.m_data; }

private:
    QString Text(int offset, int size) const;
    void SetText(int offset, int size, const QString &v);

    QByteArray m_data;
};

// dmFields bits.
enum : uint32_t {
    DM_ORIENTATION = 0x00000001,
    DM_PAPERSIZE = 0x00000002,
    DM_PAPERLENGTH = 0x00000004,
    DM_PAPERWIDTH = 0x00000008,
    DM_SCALE = 0x00000010,
    DM_COPIES = 0x00000100,
    DM_DEFAULTSOURCE = 0x00000200,
    DM_PRINTQUALITY = 0x00000400,
    DM_COLOR = 0x00000800,
    DM_DUPLEX = 0x00001000,
    DM_YRESOLUTION = 0x00002000,
    DM_TTOPTION = 0x00004000,
    DM_COLLATE = 0x00008000,
    DM_FORMNAME = 0x00010000,
};

// Codes kept with their Windows meanings.
enum : int16_t {
    DMORIENT_PORTRAIT = 1,
    DMORIENT_LANDSCAPE = 2,
    DMPAPER_LETTER = 1,
    DMPAPER_A4 = 9,
    DMPAPER_ENV_10 = 20,
    DMPAPER_ENV_DL = 27,
    DMPAPER_USER = 256,
    DMBIN_UPPER = 1,
    DMBIN_LOWER = 2,
    DMBIN_MIDDLE = 3,
    DMBIN_MANUAL = 4,
    DMBIN_ENVELOPE = 5,
    DMBIN_ENVMANUAL = 6,
    DMBIN_AUTO = 7,
    DMBIN_TRACTOR = 8,
    DMBIN_SMALLFMT = 9,
    DMBIN_LARGEFMT = 10,
    DMBIN_LARGECAPACITY = 11,
    DMBIN_CASSETTE = 14,
    DMBIN_FORMSOURCE = 15,
    DMRES_DRAFT = -1,
    DMRES_LOW = -2,
    DMRES_MEDIUM = -3,
    DMRES_HIGH = -4,
    DMCOLOR_MONOCHROME = 1,
    DMCOLOR_COLOR = 2,
    DMDUP_SIMPLEX = 1,
    DMDUP_VERTICAL = 2,
    DMDUP_HORIZONTAL = 3,
};

// First number handed to a medium or source that no table knows.
constexpr int FirstPrivatePaperNumber = 257;
constexpr int FirstPrivateBinNumber = 257;
