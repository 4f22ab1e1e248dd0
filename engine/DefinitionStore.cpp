#include "engine/DefinitionStore.h"

#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "platform/Exception.h"
#include "platform/GuardedSlot.h"
#include "platform/MessageService.h"

#include <QCursor>
#include <QGuiApplication>

#include <algorithm>

const QString DefinitionStore::Section = QStringLiteral("Envelopes");

namespace {

QString entryName(int n)
{
    return QStringLiteral("Envelope") + QString::number(n);
}

// Loading a printer's setup can take a moment.
class WaitCursor
{
public:
    WaitCursor() : m_shown(qGuiApp != nullptr)
    {
        if (m_shown)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursor()
    {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    bool m_shown;
};

} // namespace

DefinitionStore::DefinitionStore(QObject *parent) : QObject(parent) {}

DefinitionStore::~DefinitionStore()
{
    // Shutdown goes on; the user learns that the list was not stored.
    RunGuarded([this] { SaveEnvelopeList(); });
}

int DefinitionStore::CurrentIndex() const
{
    return m_current ? m_list.IndexOf(m_current) : -1;
}

bool DefinitionStore::LoadEnvelopeList()
{
    m_current = nullptr;
    m_usable = false;
    m_list.Clear();
    if (IniFile) {
        const QList<int> numbers =
            StoredEntryNumbers(*IniFile, Section, QStringLiteral("Envelope"), QStringLiteral("Envelope"),
                               QStringLiteral("_FullPrinterName"));
        // The stored default names an entry by its number; one that is not there
        // leaves the first entry the default.
        const int storedDefault = IniFile->ReadInteger(Section, QStringLiteral("Default"), 1);
        const TEnvelopeData *defaultData = nullptr;
        for (int n : numbers) {
            auto data = std::make_unique<TEnvelopeData>();
            const QString name = entryName(n);
            data->LoadFromIni(*IniFile, Section, name);
            const QString description = IniFile->ReadString(Section, name, QString());
            data->MigrateOlderSetup();
            if (n == storedDefault)
                defaultData = data.get();
            m_list.Insert(description, std::move(data));
        }
        m_list.SetDefaultIndex(defaultData ? m_list.IndexOf(defaultData) : 0);
    }
    select(m_list.ValidIndex(m_list.DefaultIndex()) ? m_list.DefaultIndex() : (m_list.IsEmpty() ? -1 : 0));
    emit listChanged();
    emit currentChanged();
    return m_list.IsEmpty();
}

void DefinitionStore::SaveEnvelopeList()
{
    if (!IniFile)
        return;
    // An update that fails halfway writes nothing; cleaned values cannot fail it.
    TIniUpdate batch(*IniFile);
    RewriteListHeader(*IniFile, Section, m_list.Count(), m_list.DefaultIndex());
    for (int i = 0; i < m_list.Count(); ++i) {
        const QString name = entryName(i + 1);
        IniFile->WriteString(Section, name, TIniFile::StorableValue(m_list.Description(i)));
        m_list.Object(i)->SaveToIni(Section, name);
    }
    batch.Commit();
}

void DefinitionStore::NameEntries()
{
    for (int i = 0; i < m_list.Count(); ++i)
        m_list.Object(i)->Name = entryName(i + 1);
}

void DefinitionStore::select(int Index)
{
    WaitCursor wait;
    m_current = m_list.ValidIndex(Index) ? m_list.Object(Index) : nullptr;
    m_usable = false;
    if (!m_current)
        return;
    try {
        m_usable = m_current->SelectEnvelopePrinter();
    } catch (const Exception &error) {
        // A printer that fails to open is as good as gone for printing.
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
    }
}

void DefinitionStore::SelectEnvelope(int Index)
{
    select(Index);
    emit currentChanged();
}

void DefinitionStore::RefreshPrinters()
{
    const bool changed = EnvelopePrinter().RefreshPrinters();
    if (m_current && (changed || !m_usable))
        SelectEnvelope(CurrentIndex());
}

int DefinitionStore::Add(const QString &Description, std::unique_ptr<TEnvelopeData> Data)
{
    const int index = m_list.Add(Description, std::move(Data));
    emit listChanged();
    return index;
}

int DefinitionStore::Rename(int Index, const QString &Description)
{
    const int index = m_list.Rename(Index, Description);
    emit listChanged();
    return index;
}

void DefinitionStore::Delete(int Index)
{
    m_list.Object(Index)->ErasePrinterSetup();
    // Freed once the observers have let go of it.
    const std::unique_ptr<TEnvelopeData> removed = m_list.Remove(Index);
    select(m_list.IsEmpty() ? -1 : 0);
    emit listChanged();
    emit currentChanged();
}

void DefinitionStore::SetDefaultIndex(int Index)
{
    if (Index == m_list.DefaultIndex())
        return;
    m_list.SetDefaultIndex(Index);
    emit listChanged();
}
