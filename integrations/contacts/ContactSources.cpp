#include "integrations/contacts/ContactSources.h"

#include "foundation/QmIniFile.h"
#include "integrations/contacts/ContactForms.h"
#include "platform/MessageService.h"

#include <QApplication>
#include <QCollator>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

void KeepConnectError(const QString &Reason);

namespace {

// A walk deeper than this is a loop the store did not catch.
constexpr int kMaxFolderDepth = 64;

TConnectErrors *g_connectErrors = nullptr;

void ShowConnectError(const EOleException &Error, int Step, int HelpContext)
{
    if (g_connectErrors) {
        KeepConnectError(QStringLiteral("Error %1 - %2: %3").arg(Step).arg(Error.Source(), Error.Message()));
        return;
    }
    MessageDlg(QStringLiteral("%1 could not connect to %2. \r\n\r\nError %3 - %4")
                   .arg(ApplicationTitle(), Error.Source())
                   .arg(Step)
                   .arg(Error.Message()),
               TMsgDlgType::Error, mbOK, HelpContext);
}

} // namespace

TConnectErrors::TConnectErrors() : m_outer(g_connectErrors)
{
    g_connectErrors = this;
}

TConnectErrors::~TConnectErrors()
{
    g_connectErrors = m_outer;
}

void KeepConnectError(const QString &Reason)
{
    if (g_connectErrors && g_connectErrors->m_reason.isEmpty())
        g_connectErrors->m_reason = Reason;
}

namespace {

// Runs one numbered connect step; false (and Connected false) when it failed.
template <class F> bool ConnectStep(bool &Connected, int Step, int HelpContext, F Body)
{
    try {
        Body();
        return true;
    } catch (const EOleException &e) {
        ShowConnectError(e, Step, HelpContext);
    } catch (const std::exception &) {
    }
    Connected = false;
    return false;
}

// The hourglass for as long as a load runs, whichever way it ends.
class ProgressScope
{
public:
    ProgressScope(bool Show, const QString &Activity, const QString &Folder, int Maximum, int Position)
        : m_show(Show)
    {
        if (!m_show)
            return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        TFormOutlookProgress *form = GetOutlookProgressForm();
        form->LabelActivity->setText(Activity);
        form->LabelFolder->setText(Folder);
        form->ProgressBar->setMaximum(Maximum);
        form->ProgressBar->setValue(Position);
        form->Continue = true;
        form->show();
        form->repaint();
        QCoreApplication::processEvents();
    }
    ~ProgressScope()
    {
        if (!m_show)
            return;
        QApplication::restoreOverrideCursor();
        GetOutlookProgressForm()->hide();
    }
    ProgressScope(const ProgressScope &) = delete;
    ProgressScope &operator=(const ProgressScope &) = delete;

    // Lets Cancel through; false once it was pressed.
    bool Continue() const
    {
        if (!m_show)
            return true;
        QCoreApplication::processEvents();
        return GetOutlookProgressForm()->Continue;
    }
    void StepIt() const
    {
        if (m_show)
            GetOutlookProgressForm()->StepIt();
    }

private:
    bool m_show;
};

} // namespace

QCollator ContactCollator(const QLocale &User)
{
    // The C locale's order is that of the code points (Å after Z): the common one instead.
    QCollator collator(User.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                     : User);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

template <class T> void TSortedOwnedList<T>::AddObject(const QString &Text, std::unique_ptr<T> Object)
{
    static const QCollator collator = ContactCollator(QLocale::system());
    const auto at =
        std::lower_bound(m_entries.begin(), m_entries.end(), Text,
                         [](const Entry &e, const QString &s) { return collator.compare(e.Text, s) < 0; });
    m_entries.insert(at, Entry{Text, std::move(Object)});
}

template class TSortedOwnedList<TOutlookContactID>;
template class TSortedOwnedList<TOutlookContactFolderID>;

// --- Contacts of one folder ---

TOutlookContactList::TOutlookContactList(TOutlookApplication &OutlookApp, int HelpContext)
    : m_outlookApp(OutlookApp), m_helpContext(HelpContext)
{
    ConnectStep(Connected, 1, m_helpContext, [&] { m_outlookApp.Connect(); })
        && ConnectStep(Connected, 2, m_helpContext,
                       [&] { m_nameSpace = m_outlookApp.GetNamespace(QStringLiteral("MAPI")); })
        && ConnectStep(Connected, 3, m_helpContext, [&] {
               m_folder = m_nameSpace->GetDefaultFolder(olFolderContacts);
               m_defaultFolder = m_nameSpace->GetDefaultFolder(olFolderContacts);
           });
}

TOutlookContactList::~TOutlookContactList()
{
    ClearEntries();
    try {
        m_outlookApp.Disconnect();
    } catch (const std::exception &) {
    }
}

int TOutlookContactList::GetCount()
{
    if (!Connected || !m_folder)
        return 0;
    m_items = m_folder->Items();
    m_itemIndex.clear();
    return m_items->Count();
}

void TOutlookContactList::ForgetItems()
{
    m_items.reset();
    m_itemIndex.clear();
}

TOutlookItemPtr TOutlookContactList::GetItem(int Index, int &ItemClass)
{
    ItemClass = 0;
    if (!Connected || !m_folder)
        return nullptr;
    if (!m_items)
        GetCount();
    TOutlookItemPtr item = m_items->Item(Index);
    ItemClass = item->Class();
    return item;
}

void TOutlookContactList::ClearEntries()
{
    m_entries.clear();
    Loaded = false;
}

void TOutlookContactList::Load(bool ShowProgress)
{
    if (!Connected || !m_folder)
        return;
    const int n = GetCount();
    ProgressScope progress(ShowProgress,
                           QStringLiteral("Reading %1 contacts from the address book folder").arg(n),
                           ShowProgress ? m_folder->Name() : QString(), n, 0);
    ClearEntries();
    bool go = true;
    for (int i = 1; i <= n && go; ++i) {
        int itemClass = 0;
        TOutlookItemPtr item = GetItem(i, itemClass);
        if (itemClass == olContact) {
            auto id = std::make_unique<TOutlookContactID>();
            id->FileAs = item->Property(QStringLiteral("FileAs"));
            id->EntryID = item->EntryID();
            const QString text = id->FileAs;
            AddObject(text, std::move(id));
        }
        if (ShowProgress) {
            if (i % 10 == 0)
                progress.StepIt();
            go = progress.Continue();
        }
    }
    Loaded = true;
}

void TOutlookContactList::EnsureLoaded(bool ShowProgress)
{
    if (Connected && !Loaded) {
        Load(ShowProgress);
        Loaded = true;
    }
}

int TOutlookContactList::IndexOfEntryID(const QString &EntryID)
{
    if (!Connected || !m_folder)
        return -1;
    // The folder as last read (once per import), each identifier looked up once.
    if (!m_items)
        GetCount();
    if (m_itemIndex.isEmpty()) {
        const int n = m_items->Count();
        m_itemIndex.reserve(n);
        for (int i = n; i >= 1; --i)
            m_itemIndex.insert(m_items->Item(i)->EntryID(), i);
    }
    return m_itemIndex.value(EntryID, -1);
}

TOutlookItemPtr TOutlookContactList::GetContactItem(int Index, bool &Found)
{
    Found = false;
    if (!Connected || Index < 0 || Index >= Count())
        return nullptr;
    const int at = IndexOfEntryID(Objects(Index).EntryID);
    if (at < 0)
        return nullptr;
    int itemClass = 0;
    TOutlookItemPtr item = GetItem(at, itemClass);
    Found = itemClass == olContact;
    return Found ? item : nullptr;
}

void TOutlookContactList::SetFolder(const TOutlookFolderID &FolderID)
{
    if (!Connected)
        return;
    ConnectStep(Connected, 10, m_helpContext, [&] {
        m_folderID = FolderID;
        ClearEntries();
        ForgetItems();
    }) && ConnectStep(Connected, 11, m_helpContext, [&] {
        m_folder.reset();
        m_folder = m_nameSpace->GetFolderFromID(FolderID.EntryID, FolderID.StoreID);
    });
}

// --- Contact folders of every store ---

TOutlookContactFolderList::TOutlookContactFolderList(TOutlookApplication &OutlookApp, int HelpContext)
    : m_outlookApp(OutlookApp), m_helpContext(HelpContext)
{
    ConnectStep(Connected, 21, m_helpContext, [&] { m_outlookApp.Connect(); })
        && ConnectStep(Connected, 22, m_helpContext, [&] {
               m_nameSpace = m_outlookApp.GetNamespace(QStringLiteral("MAPI"));
               m_defaultFolder = m_nameSpace->GetDefaultFolder(olFolderContacts);
           });
}

TOutlookContactFolderList::~TOutlookContactFolderList()
{
    ClearEntries();
    try {
        m_outlookApp.Disconnect();
    } catch (const std::exception &) {
    }
}

void TOutlookContactFolderList::ClearEntries()
{
    m_entries.clear();
    Loaded = false;
}

void TOutlookContactFolderList::Load(bool ShowProgress)
{
    if (!Connected)
        return;
    ProgressScope progress(ShowProgress,
                           QStringLiteral("Reading list of contact folders from the address book..."),
                           QString(), 100, 1);
    ClearEntries();
    m_showProgress = ShowProgress;
    m_continue = true;
    // A store that cannot be counted or read is left out; the others are listed.
    int stores = 0;
    try {
        stores = m_nameSpace->FolderCount();
    } catch (const std::exception &) {
    }
    for (int i = 1; i <= stores; ++i) {
        TOutlookFolderPtr top;
        try {
            top = m_nameSpace->Folder(i);
        } catch (const std::exception &) {
            continue;
        }
        AddFolder(top, QString(), 0);
    }
    Loaded = true;
}

void TOutlookContactFolderList::AddFolder(const TOutlookFolderPtr &Folder, const QString &ParentPath,
                                          int Depth)
{
    if (!Folder || Depth > kMaxFolderDepth)
        return;
    int kind = -1;
    QString name;
    QString path;
    auto id = std::make_unique<TOutlookContactFolderID>();
    try {
        kind = Folder->DefaultItemType();
        name = Folder->Name();
        path = ParentPath + QLatin1Char('/') + name;
        if (kind == olContactItem) {
            id->EntryID = Folder->EntryID();
            id->StoreID = Folder->StoreID();
            id->Name = name;
        }
    } catch (const std::exception &) {
        // A folder that cannot be read is neither listed nor walked.
        return;
    }
    if (kind == olContactItem) {
        AddObject(name + QStringLiteral(" (") + path + QLatin1Char(')'), std::move(id));
        if (m_showProgress)
            GetOutlookProgressForm()->StepIt();
    }
    int count = 0;
    try {
        count = Folder->FolderCount();
    } catch (const std::exception &) {
    }
    for (int i = 1; i <= count && m_continue; ++i) {
        TOutlookFolderPtr sub;
        try {
            sub = Folder->Folder(i);
        } catch (const std::exception &) {
            continue;
        }
        AddFolder(sub, path, Depth + 1);
    }
    if (m_showProgress) {
        QCoreApplication::processEvents();
        m_continue = GetOutlookProgressForm()->Continue;
    }
}

void TOutlookContactFolderList::EnsureLoaded(bool ShowProgress)
{
    if (Connected && !Loaded) {
        Load(ShowProgress);
        Loaded = true;
    }
}

int TOutlookContactFolderList::IndexOfFolderID(const TOutlookFolderID &FolderID) const
{
    if (!Connected)
        return -1;
    for (int i = 0; i < Count(); ++i) {
        if (Objects(i).EntryID == FolderID.EntryID && Objects(i).StoreID == FolderID.StoreID)
            return i;
    }
    return -1;
}

TOutlookFolderPtr TOutlookContactFolderList::GetFolder(int Index)
{
    if (!Connected || Index < 0 || Index >= Count())
        return nullptr;
    return m_nameSpace->GetFolderFromID(Objects(Index).EntryID, Objects(Index).StoreID);
}

int TOutlookContactFolderList::IndexOfDefaultFolder()
{
    if (!Connected || !m_defaultFolder)
        return -1;
    return IndexOfFolderID({m_defaultFolder->EntryID(), m_defaultFolder->StoreID()});
}
