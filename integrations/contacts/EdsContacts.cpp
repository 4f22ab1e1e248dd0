// GLib first: its headers name members "signals", which Qt defines as a keyword.
#include <libebook/libebook.h>

#include "integrations/contacts/EdsContacts.h"

#include "integrations/contacts/ContactFields.h"

#include <QFileInfo>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

const QString kSource = QStringLiteral("the Evolution address book");
const char *const kRegistryName = "org.gnome.evolution.dataserver.Sources5";
// The service may be started on demand; a slow start is still a start.
constexpr auto kCallLimit = std::chrono::seconds(15);
constexpr int kBusCallMs = 3000;

// Cancels the calls made with it once the time is up: no call to the service
// can keep the program waiting for ever.
class Deadline
{
public:
    Deadline() : m_cancellable(g_cancellable_new())
    {
        m_watch = std::thread([this] {
            std::unique_lock lock(m_mutex);
            if (!m_done.wait_for(lock, kCallLimit, [this] { return m_finished; }))
                g_cancellable_cancel(m_cancellable);
        });
    }
    ~Deadline()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_watch.join();
        g_object_unref(m_cancellable);
    }
    Deadline(const Deadline &) = delete;
    Deadline &operator=(const Deadline &) = delete;
    GCancellable *Cancellable() const { return m_cancellable; }

private:
    GCancellable *m_cancellable;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_watch;
};

[[noreturn]] void Fail(GError *Error, const QString &What)
{
    const QString message = Error ? QString::fromUtf8(Error->message) : QStringLiteral("no reason given");
    g_clear_error(&Error);
    throw EOleException(kSource, What + QStringLiteral(": ") + message);
}

QString Text(const char *Utf8)
{
    return Utf8 ? QString::fromUtf8(Utf8) : QString();
}

// Whether the source registry answers (or can be started) on the session bus.
bool RegistryOnBus()
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
        && !QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus")))
        return false;
    GError *error = nullptr;
    GDBusConnection *bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return false;
    }
    bool found = false;
    for (const char *method : {"NameHasOwner", "ListActivatableNames"}) {
        const bool owner = method[0] == 'N';
        GVariant *reply = g_dbus_connection_call_sync(
            bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
            owner ? g_variant_new("(s)", kRegistryName) : nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE,
            kBusCallMs, nullptr, &error);
        if (!reply) {
            g_clear_error(&error);
            continue;
        }
        if (owner) {
            gboolean has = FALSE;
            g_variant_get(reply, "(b)", &has);
            found = has;
        } else {
            const char **names = nullptr;
            g_variant_get(reply, "(^a&s)", &names);
            for (const char **n = names; n && *n && !found; ++n)
                found = g_strcmp0(*n, kRegistryName) == 0;
            g_free(names);
        }
        g_variant_unref(reply);
        if (found)
            break;
    }
    g_object_unref(bus);
    return found;
}

class EdsItem : public TOutlookItem
{
public:
    explicit EdsItem(EContact *Contact) : m_contact(Contact) {}
    ~EdsItem() override { g_object_unref(m_contact); }
    EdsItem(const EdsItem &) = delete;
    EdsItem &operator=(const EdsItem &) = delete;

    int Class() override { return ContactClass(m_contact); }
    QString EntryID() override
    {
        return Text(static_cast<const char *>(e_contact_get_const(m_contact, E_CONTACT_UID)));
    }
    QString Property(const QString &Name) override { return ContactProperty(m_contact, Name); }

private:
    EContact *m_contact;
};

class EdsItems : public TOutlookItems
{
public:
    int Count() override { return int(m_items.size()); }
    TOutlookItemPtr Item(int Index) override
    {
        if (Index < 1 || Index > Count())
            throw EOleException(kSource,
                                QStringLiteral("There is no item %1 in this address book.").arg(Index));
        return m_items[size_t(Index - 1)];
    }
    std::vector<TOutlookItemPtr> m_items;
};

class EdsFolder : public TOutlookFolder
{
public:
    explicit EdsFolder(ESource *Source) : m_source(E_SOURCE(g_object_ref(Source))) {}
    ~EdsFolder() override { g_object_unref(m_source); }
    EdsFolder(const EdsFolder &) = delete;
    EdsFolder &operator=(const EdsFolder &) = delete;

    int DefaultItemType() override { return olContactItem; }
    QString EntryID() override { return Text(e_source_get_uid(m_source)); }
    QString StoreID() override { return QStringLiteral("eds:") + EntryID(); }
    QString Name() override
    {
        char *name = e_source_dup_display_name(m_source);
        const QString result = Text(name);
        g_free(name);
        return result;
    }
    int FolderCount() override { return 0; }
    TOutlookFolderPtr Folder(int Index) override
    {
        throw EOleException(kSource, QStringLiteral("There is no folder %1 here.").arg(Index));
    }
    TOutlookItemsPtr Items() override
    {
        Deadline deadline;
        GError *error = nullptr;
        EClient *client = e_book_client_connect_sync(m_source, 10, deadline.Cancellable(), &error);
        if (!client)
            Fail(error, QStringLiteral("The address book \"%1\" could not be opened").arg(Name()));
        GSList *contacts = nullptr;
        EBookQuery *query = e_book_query_any_field_contains("");
        char *sexp = e_book_query_to_string(query);
        e_book_query_unref(query);
        const bool read = e_book_client_get_contacts_sync(E_BOOK_CLIENT(client), sexp, &contacts,
                                                          deadline.Cancellable(), &error);
        g_free(sexp);
        g_object_unref(client);
        if (!read)
            Fail(error, QStringLiteral("The address book \"%1\" could not be read").arg(Name()));
        auto items = std::make_shared<EdsItems>();
        for (GSList *c = contacts; c; c = c->next)
            items->m_items.push_back(std::make_shared<EdsItem>(E_CONTACT(c->data)));
        g_slist_free(contacts); // the items own the contacts now
        return items;
    }

private:
    ESource *m_source;
};

class EdsStore : public TContactStore
{
public:
    explicit EdsStore(ESourceRegistry *Registry) : m_registry(Registry) {}
    ~EdsStore() override { g_object_unref(m_registry); }
    EdsStore(const EdsStore &) = delete;
    EdsStore &operator=(const EdsStore &) = delete;

    bool Owns(const QString &StoreID) const override { return StoreID.startsWith(QLatin1String("eds:")); }
    QList<TOutlookFolderPtr> TopFolders() override
    {
        QList<TOutlookFolderPtr> folders;
        GList *sources = e_source_registry_list_enabled(m_registry, E_SOURCE_EXTENSION_ADDRESS_BOOK);
        for (GList *s = sources; s; s = s->next)
            folders << std::make_shared<EdsFolder>(E_SOURCE(s->data));
        g_list_free_full(sources, g_object_unref);
        return folders;
    }
    TOutlookFolderPtr FolderFromID(const QString &EntryID, const QString &StoreID) override
    {
        ESource *source = nullptr;
        if (StoreID == QStringLiteral("eds:") + EntryID)
            source = e_source_registry_ref_source(m_registry, EntryID.toUtf8().constData());
        if (!source || !e_source_has_extension(source, E_SOURCE_EXTENSION_ADDRESS_BOOK)) {
            if (source)
                g_object_unref(source);
            throw EOleException(kSource, QStringLiteral("There is no address book \"%1\".").arg(EntryID));
        }
        auto folder = std::make_shared<EdsFolder>(source);
        g_object_unref(source);
        return folder;
    }
    TOutlookFolderPtr DefaultContactFolder() override
    {
        ESource *source = e_source_registry_ref_default_address_book(m_registry);
        if (!source)
            return nullptr;
        auto folder = std::make_shared<EdsFolder>(source);
        g_object_unref(source);
        return folder;
    }

private:
    ESourceRegistry *m_registry;
};

} // namespace

std::unique_ptr<TContactStore> OpenEdsStore()
{
    if (!RegistryOnBus())
        return nullptr;
    Deadline deadline;
    GError *error = nullptr;
    ESourceRegistry *registry = e_source_registry_new_sync(deadline.Cancellable(), &error);
    if (!registry) {
        g_clear_error(&error);
        return nullptr;
    }
    return std::make_unique<EdsStore>(registry);
}
