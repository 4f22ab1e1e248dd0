// GLib first: its headers name members "signals", which Qt defines as a keyword.
#include <libebook-contacts/libebook-contacts.h>

#include "integrations/contacts/ContactFields.h"

#include "integrations/contacts/ContactModel.h"

namespace {

QString FromUtf8(const char *Text)
{
    return Text ? QString::fromUtf8(Text) : QString();
}

QString Field(EContact *Contact, EContactField Id)
{
    auto *text = static_cast<char *>(e_contact_get(Contact, Id));
    QString result = FromUtf8(text).trimmed();
    g_free(text);
    return result;
}

QString AttributeName(EVCardAttribute *Attr)
{
    return FromUtf8(e_vcard_attribute_get_name(Attr));
}

QStringList Values(EVCardAttribute *Attr)
{
    QStringList values;
    for (GList *v = e_vcard_attribute_get_values(Attr); v; v = v->next)
        values << FromUtf8(static_cast<const char *>(v->data));
    return values;
}

bool HasParam(EVCardAttribute *Attr, const char *Name)
{
    return e_vcard_attribute_get_param(Attr, Name) != nullptr;
}

// RELATED;TYPE=<type> values (vCard 4.0): names, or links to other cards.
QStringList Related(EContact *Contact, const char *Type)
{
    QStringList found;
    for (GList *a = e_vcard_get_attributes(E_VCARD(Contact)); a; a = a->next) {
        auto *attr = static_cast<EVCardAttribute *>(a->data);
        if (AttributeName(attr).compare(QLatin1String("RELATED"), Qt::CaseInsensitive) == 0
            && e_vcard_attribute_has_type(attr, Type)) {
            const QString value = Values(attr).join(QLatin1Char(',')).trimmed();
            if (!value.isEmpty())
                found << value;
        }
    }
    return found;
}

TPostalAddress AddressOf(EVCardAttribute *Attr)
{
    QStringList v = Values(Attr);
    while (v.size() < 7)
        v << QString();
    return {v[0].trimmed(), v[1].trimmed(), v[2].trimmed(), v[3].trimmed(),
            v[4].trimmed(), v[5].trimmed(), v[6].trimmed()};
}

// The mailing address is the preferred one, else the home one, else the first;
// the business address is the first one for work.
QString Address(EContact *Contact, bool Business)
{
    EVCardAttribute *first = nullptr;
    EVCardAttribute *home = nullptr;
    EVCardAttribute *preferred = nullptr;
    EVCardAttribute *work = nullptr;
    for (GList *a = e_vcard_get_attributes(E_VCARD(Contact)); a; a = a->next) {
        auto *attr = static_cast<EVCardAttribute *>(a->data);
        if (AttributeName(attr).compare(QLatin1String("ADR"), Qt::CaseInsensitive) != 0)
            continue;
        if (!first)
            first = attr;
        if (!home && e_vcard_attribute_has_type(attr, "HOME"))
            home = attr;
        if (!work && e_vcard_attribute_has_type(attr, "WORK"))
            work = attr;
        if (!preferred && (e_vcard_attribute_has_type(attr, "PREF") || HasParam(attr, "PREF")))
            preferred = attr;
    }
    EVCardAttribute *chosen = Business ? work : preferred ? preferred : home ? home : first;
    if (!chosen)
        return {};
    return FormatPostalAddress(AddressOf(chosen), QLocale::system().territory());
}

// SORT-AS of N (vCard 4.0): the sort parts, family name first.
QString SortAs(EContact *Contact)
{
    EVCardAttribute *n = e_vcard_get_attribute(E_VCARD(Contact), EVC_N);
    if (!n)
        return {};
    GList *param = e_vcard_attribute_get_param(n, "SORT-AS");
    QStringList parts;
    for (GList *v = param; v; v = v->next) {
        for (const QString &part : FromUtf8(static_cast<const char *>(v->data)).split(QLatin1Char(','))) {
            if (!part.trimmed().isEmpty())
                parts << part.trimmed();
        }
    }
    return parts.join(QStringLiteral(", "));
}

QString FileAs(EContact *Contact)
{
    QString text = SortAs(Contact);
    if (text.isEmpty())
        text = Field(Contact, E_CONTACT_FILE_AS);
    if (!text.isEmpty())
        return text;
    const QString last = Field(Contact, E_CONTACT_FAMILY_NAME);
    const QString first = Field(Contact, E_CONTACT_GIVEN_NAME);
    if (!last.isEmpty())
        return first.isEmpty() ? last : last + QStringLiteral(", ") + first;
    text = Field(Contact, E_CONTACT_FULL_NAME);
    if (!text.isEmpty())
        return text;
    if (!first.isEmpty())
        return first;
    return Field(Contact, E_CONTACT_ORG);
}

} // namespace

bool IsOwnCountry(const QString &Country, QLocale::Territory Own)
{
    if (Own == QLocale::AnyTerritory)
        return false;
    QString text = Country.trimmed();
    text.remove(QLatin1Char('.'));
    const QStringList names{QLocale::territoryToString(Own), QLocale::territoryToCode(Own),
                            QLocale(QLocale::system().language(), Own).nativeTerritoryName()};
    for (const QString &name : names) {
        if (!name.isEmpty() && text.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    // The common other names of a few countries.
    static const QList<std::pair<QLocale::Territory, QString>> aliases{
        {QLocale::UnitedStates, QStringLiteral("USA")},
        {QLocale::UnitedStates, QStringLiteral("United States of America")},
        {QLocale::UnitedKingdom, QStringLiteral("UK")},
        {QLocale::UnitedKingdom, QStringLiteral("Great Britain")},
    };
    for (const auto &alias : aliases) {
        if (alias.first == Own && text.compare(alias.second, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString FormatPostalAddress(const TPostalAddress &a, QLocale::Territory Own)
{
    QStringList lines;
    for (const QString &part : {a.PoBox, a.Extended, a.Street}) {
        for (const QString &line : part.split(QLatin1Char('\n'))) {
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        }
    }
    QString city = a.Locality;
    if (!a.Region.isEmpty())
        city += (city.isEmpty() ? QString() : QStringLiteral(", ")) + a.Region;
    if (!a.PostalCode.isEmpty())
        city += (city.isEmpty() ? QString() : QStringLiteral(" ")) + a.PostalCode;
    if (!city.isEmpty())
        lines << city;
    if (!a.Country.isEmpty() && !IsOwnCountry(a.Country, Own))
        lines << a.Country;
    return lines.join(QLatin1Char('\n'));
}

int ContactClass(EContact *Contact)
{
    if (GPOINTER_TO_INT(e_contact_get(Contact, E_CONTACT_IS_LIST)))
        return olDistributionList;
    if (EVCardAttribute *kind = e_vcard_get_attribute(E_VCARD(Contact), "KIND")) {
        const QString value = Values(kind).join(QString()).trimmed();
        if (value.compare(QLatin1String("group"), Qt::CaseInsensitive) == 0)
            return olDistributionList;
    }
    return olContact;
}

QString ContactProperty(EContact *Contact, const QString &Name)
{
    if (Name == QLatin1String("FileAs"))
        return FileAs(Contact);
    if (Name == QLatin1String("FirstName"))
        return Field(Contact, E_CONTACT_GIVEN_NAME);
    if (Name == QLatin1String("LastName"))
        return Field(Contact, E_CONTACT_FAMILY_NAME);
    if (Name == QLatin1String("FullName")) {
        const QString full = Field(Contact, E_CONTACT_FULL_NAME);
        if (!full.isEmpty())
            return full;
        return (Field(Contact, E_CONTACT_GIVEN_NAME) + QLatin1Char(' ')
                + Field(Contact, E_CONTACT_FAMILY_NAME))
            .trimmed();
    }
    if (Name == QLatin1String("Spouse")) {
        const QString spouse = Field(Contact, E_CONTACT_SPOUSE);
        return spouse.isEmpty() ? Related(Contact, "spouse").value(0) : spouse;
    }
    if (Name == QLatin1String("Children"))
        return Related(Contact, "child").join(QStringLiteral(", "));
    if (Name == QLatin1String("JobTitle"))
        return Field(Contact, E_CONTACT_TITLE);
    if (Name == QLatin1String("CompanyName"))
        return Field(Contact, E_CONTACT_ORG);
    if (Name == QLatin1String("MailingAddress"))
        return Address(Contact, false);
    if (Name == QLatin1String("BusinessAddress"))
        return Address(Contact, true);
    return {};
}

QByteArray SanitizedCardText(const QByteArray &Bytes)
{
    QString text = QString::fromUtf8(Bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QChar(0), QChar(0xFFFD));
    return text.toUtf8();
}

QList<QByteArray> SplitCards(const QByteArray &Text)
{
    QList<QByteArray> cards;
    QByteArray current;
    int depth = 0;
    for (QByteArray line : Text.split('\n')) {
        const QByteArray trimmed = line.trimmed().toUpper();
        if (trimmed == "BEGIN:VCARD") {
            // A card inside a card (vCard 2.1 agents) stays part of the outer one.
            if (depth++ == 0)
                current.clear();
        }
        if (depth > 0)
            current += line + '\n';
        if (trimmed == "END:VCARD" && depth > 0 && --depth == 0)
            cards << current;
    }
    return cards;
}
