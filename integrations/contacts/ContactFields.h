#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

typedef struct _EContact EContact;

// What the import reads of an address-book contact, by the property names of
// the object model, and how a postal address becomes envelope lines.

struct TPostalAddress
{
    QString PoBox;
    QString Extended;
    QString Street;
    QString Locality;
    QString Region;
    QString PostalCode;
    QString Country;
};

// The lines of an address; the country only when it is not Own.
QString FormatPostalAddress(const TPostalAddress &Address, QLocale::Territory Own);
// Whether Country names Own (its name in English or in one of its languages, or its code).
bool IsOwnCountry(const QString &Country, QLocale::Territory Own);
// The country whose addresses need no country line: the user's locale's, and the
// United States when the locale names none (C, POSIX).
QLocale::Territory HomeTerritory(const QLocale &User);

// Class of a contact: a contact, or a distribution list.
int ContactClass(EContact *Contact);
// A named property (FileAs, FirstName, LastName, FullName, Spouse, Children,
// JobTitle, CompanyName, MailingAddress, BusinessAddress); empty when unknown.
QString ContactProperty(EContact *Contact, const QString &Name);

// One card's text made safe to parse: valid UTF-8 (bad bytes become U+FFFD), no NUL.
QByteArray SanitizedCardText(const QByteArray &Bytes);
// The cards of a .vcf file's text, BEGIN:VCARD to END:VCARD each.
QList<QByteArray> SplitCards(const QByteArray &Text);
