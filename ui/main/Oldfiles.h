#pragma once

// The recent-files list: the envelope files last opened or saved, most recent
// first, shown at the end of the File menu and kept in the registry store.

#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;
class QObject;
class TZambRegistryIniFile;

class TOldFileList
{
public:
    static constexpr int MaxFiles = 6;

    // Store: where the list is kept; null means the program's registry store RegIni.
    explicit TOldFileList(TZambRegistryIniFile *Store = nullptr);

    int Count() const { return int(m_items.size()); }
    const QString &Strings(int Index) const { return m_items.at(Index); }
    const QStringList &Items() const { return m_items; }

    void Load();
    void Save();
    void OpenedFile(const QString &FileName);

    // Rebuilds the numbered entries of Menu that follow BreakItem; each entry runs
    // OnClick with itself, and its file name is GetFilename of it.
    void UpdateMenu(QMenu *Menu, QAction *BreakItem, const std::function<void(QAction *)> &OnClick,
                    QObject *Owner) const;
    static QString GetFilename(QObject *Sender);
    // A file dialog's history list.
    void UpdateOtherList(QStringList &List) const;

    // "&1 name", with the name's own "&" doubled so that it shows as typed.
    static QString MenuCaption(int Number, const QString &FileName);

private:
    TZambRegistryIniFile &Store() const;

    TZambRegistryIniFile *m_store;
    QStringList m_items;
};

// The program's list, between StartOldfiles (which loads it) and StopOldfiles.
extern TOldFileList *OldFileList;
void StartOldfiles();
void StopOldfiles();
