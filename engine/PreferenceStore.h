#pragma once

#include <QObject>
#include <QString>

// The user's preferences, kept in the registry store (RegIni) in the section
// "Options" under keys of the same names. The values here are the ones used when
// a key is missing.
struct TPreferences
{
    // Colour of the envelope picture, as stored (the system's button face by default).
    qint32 EnvelopeColor = qint32(0xFF00000F);
    // 0 above the address, 3 below it, 1 on the bottom edge of the envelope, 2 not printed.
    int PrintBarCode = 0;
    // 0 inches, 1 centimetres.
    int Measure = 0;
    bool ClearAttention = true;
    bool SaveAttention = false;
    bool RememberReturnAddress = true;
    bool RememberEnvelope = true;
    bool PostalMargins = true;
    // Read at start-up only: nothing in the program changes it.
    bool PrintTriFoldLines = true;
    bool ConvertTabsToCrlf = false;
    bool FacingMark = true;
    int StampPrice = 37;
    QString ClipArtPath;
    QString FavoritesPath;
    QString DefaultEnvelopePath;
    bool ShowHints = true;
    bool ShowFonts = true;
    bool ShowBorders = true;

    bool operator==(const TPreferences &) const = default;
};

// The preferences for the whole run. Every window that shows or uses one follows
// changed rather than reading it once.
class PreferenceStore : public QObject
{
    Q_OBJECT
public:
    static const QString Section;

    explicit PreferenceStore(QObject *parent = nullptr);

    const TPreferences &Values() const { return m_values; }

    // Reads the section from RegIni, repairing what cannot be used: a bar-code
    // placement or unit out of range keeps its default, a clip-art or favorites
    // folder that does not exist becomes the default folder, and a default
    // envelope folder that does not exist becomes empty. Emits changed.
    void Load();
    // Writes every key the options dialog sets to RegIni (not PrintTriFoldLines).
    static void Write(const TPreferences &Values);
    // Takes new values and emits changed.
    void Set(const TPreferences &Values);

    // "<data folder>ClipArt/" and "<data folder>Favorites/", made when missing.
    static QString DefaultClipArtFolder();
    static QString DefaultFavoritesFolder();

signals:
    void changed();

private:
    TPreferences m_values;
};

// The program's preferences, made on first use.
PreferenceStore &Preferences();
// Frees them (shutdown and tests); the next use starts from the defaults.
void FreePreferences();
