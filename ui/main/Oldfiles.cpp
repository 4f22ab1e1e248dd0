#include "ui/main/Oldfiles.h"

#include "foundation/QmIniFile.h"
#include "platform/Exception.h"
#include "platform/GuardedSlot.h"

#include <QAction>
#include <QMenu>

TOldFileList *OldFileList = nullptr;

namespace {

const QString Section = QStringLiteral("OldFiles");
const QString Key = QStringLiteral("File");

// Trailing blanks and control characters go; file names keep their case.
QString CleanName(const QString &FileName)
{
    qsizetype end = FileName.size();
    while (end > 0 && FileName.at(end - 1).unicode() <= ' ')
        --end;
    return FileName.left(end);
}

} // namespace

TOldFileList::TOldFileList(TZambRegistryIniFile *Store) : m_store(Store) {}

TZambRegistryIniFile &TOldFileList::Store() const
{
    TZambRegistryIniFile *store = m_store ? m_store : RegIni;
    if (!store)
        throw Exception(QStringLiteral("The settings are not open."));
    return *store;
}

void TOldFileList::Load()
{
    // A stored count beyond the list's length is cut before anything is read or built.
    Store().ReadStrings(Section, Key, m_items, MaxFiles);
}

void TOldFileList::Save()
{
    // A name with a line break or NUL cannot be stored; it stays in the menu for this run.
    QStringList storable;
    for (const QString &name : std::as_const(m_items)) {
        if (TIniFile::StorableValue(name) == name)
            storable.append(name);
    }
    TZambRegistryIniFile &store = Store();
    TIniUpdate update(store);
    store.EraseSection(Section);
    store.WriteStrings(Section, Key, storable);
    update.Commit();
}

void TOldFileList::OpenedFile(const QString &FileName)
{
    const QString name = CleanName(FileName);
    if (name.isEmpty())
        return;
    m_items.removeAll(name);
    while (m_items.size() >= MaxFiles)
        m_items.removeLast();
    m_items.prepend(name);
    Save();
}

QString TOldFileList::MenuCaption(int Number, const QString &FileName)
{
    QString name = FileName;
    name.replace(QLatin1Char('&'), QLatin1String("&&"));
    name.replace(QLatin1Char('\t'), QLatin1Char(' ')); // a tab would start a shortcut text
    return QLatin1Char('&') + QString::number(Number) + QLatin1Char(' ') + name;
}

void TOldFileList::UpdateMenu(QMenu *Menu, QAction *BreakItem, const std::function<void(QAction *)> &OnClick,
                              QObject *Owner) const
{
    if (!Menu || !BreakItem)
        return;
    const QList<QAction *> actions = Menu->actions();
    const qsizetype breakIndex = actions.indexOf(BreakItem);
    if (breakIndex < 0)
        return;
    for (qsizetype i = actions.size() - 1; i > breakIndex; --i) {
        Menu->removeAction(actions.at(i));
        // Later, since the entry may be the one whose click is running right now.
        if (actions.at(i)->objectName().startsWith(QLatin1String("OldFile")))
            actions.at(i)->deleteLater();
    }
    for (int i = 0; i < m_items.size(); ++i) {
        auto *action = new QAction(MenuCaption(i + 1, m_items.at(i)), Owner ? Owner : Menu);
        action->setObjectName(QStringLiteral("OldFile") + QString::number(i + 1));
        action->setData(m_items.at(i));
        if (OnClick)
            ConnectGuarded(action, &QAction::triggered, action, [OnClick, action] { OnClick(action); });
        Menu->addAction(action);
    }
}

QString TOldFileList::GetFilename(QObject *Sender)
{
    if (auto *action = qobject_cast<QAction *>(Sender))
        return action->data().toString();
    return QString();
}

void TOldFileList::UpdateOtherList(QStringList &List) const
{
    List = m_items;
}

void StartOldfiles()
{
    if (OldFileList)
        return;
    OldFileList = new TOldFileList;
    OldFileList->Load();
}

void StopOldfiles()
{
    delete OldFileList;
    OldFileList = nullptr;
}
