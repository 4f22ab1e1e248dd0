// GLib first: its headers name members "signals", which Qt defines as a keyword.
#include <libebook/libebook.h>

#include "foundation/QmIniFile.h"
#include "integrations/contacts/ContactSources.h"
#include "integrations/contacts/EdsContacts.h"
#include "support/ScriptedMessageService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

namespace {

bool NameOwned(GDBusConnection *Bus, const char *Name)
{
    GVariant *reply = g_dbus_connection_call_sync(
        Bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", Name), nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
    }
    return owned;
}

// The address-book services on the test's private bus, started here and ended by pid.
class EdsServices
{
public:
    EdsServices()
    {
        for (const char *program : {"evolution-source-registry", "evolution-addressbook-factory"}) {
            auto process = std::make_unique<QProcess>();
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process->start(QStringLiteral("/usr/libexec/") + QLatin1String(program), {});
            m_processes.push_back(std::move(process));
        }
        GDBusConnection *bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (!bus) {
            m_problem = "no session bus";
            return;
        }
        QElapsedTimer clock;
        clock.start();
        while (!(NameOwned(bus, "org.gnome.evolution.dataserver.Sources5")
                 && NameOwned(bus, "org.gnome.evolution.dataserver.AddressBook10"))) {
            if (clock.elapsed() > 30000) {
                m_problem = "the registry and address-book services did not come on the bus within 30 s";
                break;
            }
            for (const auto &process : m_processes) {
                if (process->state() == QProcess::NotRunning) {
                    m_problem = "a service could not start: " + process->program().toStdString() + " "
                                + process->errorString().toStdString();
                    break;
                }
            }
            if (!m_problem.empty())
                break;
            QThread::msleep(50);
        }
        g_object_unref(bus);
    }
    ~EdsServices()
    {
        for (const auto &process : m_processes) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(5000);
        }
    }
    const std::string &Problem() const { return m_problem; }

private:
    std::vector<std::unique_ptr<QProcess>> m_processes;
    std::string m_problem;
};

// Adds contacts to the default address book through the service itself.
void AddContacts(const QStringList &Cards)
{
    GError *error = nullptr;
    ESourceRegistry *registry = e_source_registry_new_sync(nullptr, &error);
    ASSERT_TRUE(registry) << (error ? error->message : "");
    ESource *source = e_source_registry_ref_default_address_book(registry);
    EClient *client = e_book_client_connect_sync(source, 30, nullptr, &error);
    ASSERT_TRUE(client) << (error ? error->message : "");
    GSList *contacts = nullptr;
    for (const QString &card : Cards)
        contacts = g_slist_append(contacts, e_contact_new_from_vcard(card.toUtf8().constData()));
    EXPECT_TRUE(e_book_client_add_contacts_sync(E_BOOK_CLIENT(client), contacts, E_BOOK_OPERATION_FLAG_NONE,
                                                nullptr, nullptr, &error))
        << (error ? error->message : "");
    g_slist_free_full(contacts, g_object_unref);
    g_object_unref(client);
    g_object_unref(source);
    g_object_unref(registry);
    g_clear_error(&error);
}

TEST(EdsContacts, AnAddressBookOfTheDesktopIsListedAndItsContactsRead)
{
    int argc = 1;
    char name[] = "test";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    SetApplicationTitle("Plikora");
    EdsServices services;
    if (!services.Problem().empty())
        GTEST_SKIP() << "Evolution Data Server cannot run here: " << services.Problem();
    AddContacts({"BEGIN:VCARD\nVERSION:3.0\nN:Zane;Ada\nFN:Ada Zane\nEND:VCARD\n",
                 "BEGIN:VCARD\nVERSION:3.0\nN:Best;Bo\nFN:Bo Best\nADR;TYPE=WORK:;;4 Mill Rd;Troy;NY;12180;\n"
                 "ORG:Mill Co\nEND:VCARD\n",
                 "BEGIN:VCARD\nVERSION:3.0\nFN:Cal Cole\nEND:VCARD\n"});

    std::unique_ptr<TContactStore> store = OpenEdsStore();
    ASSERT_TRUE(store);
    TOutlookFolderPtr book = store->DefaultContactFolder();
    ASSERT_TRUE(book);
    const TOutlookFolderID id{book->EntryID(), book->StoreID()};

    ScriptedMessageService messages;
    TDesktopContacts desktop;
    TOutlookContactFolderList folders(desktop, 20011);
    TOutlookContactList contacts(desktop, 20011);
    ASSERT_TRUE(folders.Connected && contacts.Connected);
    folders.EnsureLoaded(false);
    const int index = folders.IndexOfFolderID(id);
    ASSERT_GE(index, 0);
    EXPECT_EQ(book->Name() + " (/" + book->Name() + ")", folders.Strings(index));
    EXPECT_EQ(index, folders.IndexOfDefaultFolder());

    contacts.SetFolder(id);
    contacts.EnsureLoaded(false);
    ASSERT_EQ(3, contacts.Count());
    EXPECT_EQ("Best, Bo", contacts.Strings(0));
    bool found = false;
    TOutlookItemPtr bo = contacts.GetContactItem(0, found);
    ASSERT_TRUE(found);
    EXPECT_EQ("Mill Co", bo->Property("CompanyName"));
    EXPECT_EQ("4 Mill Rd\nTroy, NY 12180", bo->Property("BusinessAddress"));
    EXPECT_TRUE(messages.shown.isEmpty());
}

} // namespace
