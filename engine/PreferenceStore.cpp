#include "engine/PreferenceStore.h"

#include "foundation/QmIniFile.h"
#include "foundation/QmStrings.h"
#include "foundation/WindowsDefaultFolders.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

const QString PreferenceStore::Section = QStringLiteral("Options");

namespace {

PreferenceStore *instance = nullptr;

QString dataSubFolder(const QString &Name)
{
    QString folder = GetDataFolder() + Name;
    AppendBackslash(folder);
    QDir().mkpath(folder);
    return folder;
}

} // namespace

PreferenceStore::PreferenceStore(QObject *parent) : QObject(parent) {}

void PreferenceStore::Load()
{
    TPreferences v;
    if (RegIni) {
        const TZambRegistryIniFile &reg = *RegIni;
        v.EnvelopeColor = reg.ReadColor(Section, QStringLiteral("EnvelopeColor"), v.EnvelopeColor);
        const int barCode = reg.ReadInteger(Section, QStringLiteral("PrintBarCode"), 0);
        if (barCode >= 0 && barCode <= 3)
            v.PrintBarCode = barCode;
        const int measure = reg.ReadInteger(Section, QStringLiteral("Measure"), 0);
        if (measure == 0 || measure == 1)
            v.Measure = measure;
        v.ClearAttention = reg.ReadBool(Section, QStringLiteral("ClearAttention"), true);
        v.SaveAttention = reg.ReadBool(Section, QStringLiteral("SaveAttention"), false);
        v.RememberReturnAddress = reg.ReadBool(Section, QStringLiteral("RememberReturnAddress"), true);
        v.RememberEnvelope = reg.ReadBool(Section, QStringLiteral("RememberEnvelope"), true);
        v.PostalMargins = reg.ReadBool(Section, QStringLiteral("PostalMargins"), true);
        v.PrintTriFoldLines = reg.ReadBool(Section, QStringLiteral("PrintTriFoldLines"), true);
        v.ConvertTabsToCrlf = reg.ReadBool(Section, QStringLiteral("ConvertTabsToCrlf"), false);
        v.FacingMark = reg.ReadBool(Section, QStringLiteral("FacingMark"), true);
        // A price in cents; far beyond the stamps there are, it would overflow where they are picked.
        v.StampPrice = std::clamp(reg.ReadInteger(Section, QStringLiteral("StampPrice"), 37), 0, 9999);
        const QString clipArt = DefaultClipArtFolder();
        v.ClipArtPath = reg.ReadString(Section, QStringLiteral("ClipArtPath"), clipArt);
        if (!QFileInfo(v.ClipArtPath).isDir())
            v.ClipArtPath = clipArt;
        const QString favorites = DefaultFavoritesFolder();
        v.FavoritesPath = reg.ReadString(Section, QStringLiteral("FavoritesPath"), favorites);
        if (!QFileInfo(v.FavoritesPath).isDir())
            v.FavoritesPath = favorites;
        v.DefaultEnvelopePath =
            reg.ReadString(Section, QStringLiteral("DefaultEnvelopePath"), WinDefaultFolders.Personal);
        if (!v.DefaultEnvelopePath.isEmpty() && !QFileInfo(v.DefaultEnvelopePath).isDir())
            v.DefaultEnvelopePath.clear();
        v.ShowHints = reg.ReadBool(Section, QStringLiteral("ShowHints"), true);
        v.ShowFonts = reg.ReadBool(Section, QStringLiteral("ShowFonts"), true);
        v.ShowBorders = reg.ReadBool(Section, QStringLiteral("ShowBorders"), true);
    }
    Set(v);
}

void PreferenceStore::Write(const TPreferences &Values)
{
    if (!RegIni)
        return;
    TZambRegistryIniFile &reg = *RegIni;
    reg.WriteBool(Section, QStringLiteral("ShowHints"), Values.ShowHints);
    reg.WriteBool(Section, QStringLiteral("ShowBorders"), Values.ShowBorders);
    reg.WriteBool(Section, QStringLiteral("ClearAttention"), Values.ClearAttention);
    reg.WriteBool(Section, QStringLiteral("SaveAttention"), Values.SaveAttention);
    reg.WriteBool(Section, QStringLiteral("RememberReturnAddress"), Values.RememberReturnAddress);
    reg.WriteBool(Section, QStringLiteral("RememberEnvelope"), Values.RememberEnvelope);
    reg.WriteBool(Section, QStringLiteral("PostalMargins"), Values.PostalMargins);
    reg.WriteBool(Section, QStringLiteral("ConvertTabsToCrlf"), Values.ConvertTabsToCrlf);
    reg.WriteBool(Section, QStringLiteral("FacingMark"), Values.FacingMark);
    reg.WriteColor(Section, QStringLiteral("EnvelopeColor"), Values.EnvelopeColor);
    reg.WriteBool(Section, QStringLiteral("ShowFonts"), Values.ShowFonts);
    reg.WriteInteger(Section, QStringLiteral("PrintBarCode"), Values.PrintBarCode);
    reg.WriteInteger(Section, QStringLiteral("Measure"), Values.Measure);
    reg.WriteInteger(Section, QStringLiteral("StampPrice"), Values.StampPrice);
    reg.WriteString(Section, QStringLiteral("ClipArtPath"), Values.ClipArtPath);
    reg.WriteString(Section, QStringLiteral("FavoritesPath"), Values.FavoritesPath);
    reg.WriteString(Section, QStringLiteral("DefaultEnvelopePath"), Values.DefaultEnvelopePath);
}

void PreferenceStore::Set(const TPreferences &Values)
{
    m_values = Values;
    emit changed();
}

QString PreferenceStore::DefaultClipArtFolder()
{
    return dataSubFolder(QStringLiteral("ClipArt"));
}

QString PreferenceStore::DefaultFavoritesFolder()
{
    return dataSubFolder(QStringLiteral("Favorites"));
}

PreferenceStore &Preferences()
{
    if (!instance)
        instance = new PreferenceStore;
    return *instance;
}

void FreePreferences()
{
    delete instance;
    instance = nullptr;
}
