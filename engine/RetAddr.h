#pragma once

#include "platform/Graphics.h"

#include <QString>
#include <QStringList>

#include <cstdint>

class TZambIniFile;

// What a return address reads of its surroundings: the Measure preference
// (0 inches, 1 centimetres) and the screen's pixels per inch.
class TReturnAddressEnvironment
{
public:
    virtual ~TReturnAddressEnvironment() = default;
    virtual int Measure() const = 0;
    virtual int ScreenPixelsPerInch() const = 0;
};

// The environment in use: inches and the primary screen's logical resolution (96
// without a screen) until the main window installs its own (not owned; nullptr
// restores the default).
const TReturnAddressEnvironment &ReturnAddressEnvironment();
void SetReturnAddressEnvironment(const TReturnAddressEnvironment *environment);

// Picture kinds. PNG, the common logo format here, is a kind of its own; the kind
// is never stored.
enum : uint8_t { gtNone = 0, gtBitmap = 1, gtIcon = 2, gtMetafile = 3, gtJPEG = 4, gtGIF = 5, gtPNG = 6 };

// A picture file that cannot be read: which file, and why in the reader's words.
QString PictureLoadError(const QString &fileName, const QString &why);

// The kind of picture a file holds, by the extension of its name: the text after
// the last "." of the name (not of a folder), upper-cased, its first 4 characters
// compared; 0 for anything else and for a name without ".".
uint8_t GraphicTypeOfFile(const QString &fileName);

// One return address: its formatted text (rich text lines) and an optional
// picture with its printed size in hundredths of an inch.
class TReturnAddress
{
public:
    static constexpr int MaxGraphicWidth = 400;
    static constexpr int MaxGraphicHeight = 300;

    TReturnAddress();
    TReturnAddress(const TReturnAddress &) = delete;
    TReturnAddress &operator=(const TReturnAddress &) = delete;

    QStringList &Lines() { return m_lines; }
    const QStringList &Lines() const { return m_lines; }
    TPicture &Picture() { return m_picture; }
    const TPicture &Picture() const { return m_picture; }
    const QString &GraphicFile() const { return m_graphicFile; }
    uint8_t GraphicType() const { return m_graphicType; }
    bool FileExists() const { return m_fileExists; }
    int GraphicWidth() const { return m_graphicWidth; }
    int GraphicHeight() const { return m_graphicHeight; }
    bool Loading() const { return m_loading; }

    // Takes the file name, loads the picture when the file exists and works out
    // its type and printed size from it. A picture that cannot be read throws the
    // picture's error (kept in LoadError, with the file's name); the name is kept,
    // with type 0, size 0 and no picture.
    void SetGraphicFile(const QString &fileName);

    // At most 400 and 300.
    void SetGraphicWidth(int value);
    void SetGraphicHeight(int value);

    // "1.25": the size in inches, or in centimetres under the Measure preference 1.
    QString GetGraphicWidthText() const;
    QString GetGraphicHeightText() const;
    // A decimal number with a point in the current measure; anything else is 0,
    // and negative sizes are 0.
    void SetGraphicWidthText(const QString &text);
    void SetGraphicHeightText(const QString &text);

    // The size on the screen.
    int GraphicWidthPixels() const;
    int GraphicHeightPixels() const;

    // Reads Key (string list), Key + "Graphic", Key + "GraphicWidth" and
    // Key + "GraphicHeight" of the section, from IniFile or the store given. A
    // picture that cannot be read does not stop the reading: its message is kept
    // in LoadError().
    void LoadFromIni(const QString &section, const QString &key);
    void LoadFromIni(const TZambIniFile &store, const QString &section, const QString &key);
    void SaveToIni(const QString &section, const QString &key) const;
    void SaveToIni(TZambIniFile &store, const QString &section, const QString &key) const;

    // A copy of Source: its lines, its picture file (loaded again) and its size.
    // A picture that cannot be read is kept by name, as in LoadFromIni.
    void Assign(const TReturnAddress &source);

    // Why the picture of the current file could not be read; empty when it was
    // read or there is none.
    const QString &LoadError() const { return m_loadError; }

private:
    int SizeFromText(const QString &text) const;
    QString SizeText(int value) const;
    void SetGraphicFileKeepingErrors(const QString &fileName);

    QStringList m_lines;
    TPicture m_picture;
    QString m_graphicFile;
    uint8_t m_graphicType = gtNone;
    bool m_fileExists = false;
    int m_graphicWidth = 0;
    int m_graphicHeight = 0;
    bool m_loading = false;
    QString m_loadError;
};
