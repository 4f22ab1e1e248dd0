#pragma once

#include <QString>

class RichEdit;

// The postal service's public ZIP Code lookup page; the query values follow it.
inline constexpr char kZipLookupPage[] = "https://tools.usps.com/zip-code-lookup.htm?byaddress";

// An address split for the lookup.
struct TZipQuery
{
    QString Address; // the street line, as it stands
    QString City;
    QString State;
    QString Zip;
    bool SearchAnyway = false; // nothing was selected and the user still wants the page
    bool Parsed = false;       // the four values are worth a lookup
};

// Splits the first address of a selected text: its last two lines are the street
// line and the city line "City, ST 12345[-1234]".
TZipQuery SplitSelectedAddress(const QString &Selection);
// The same on the destination's selection; with nothing selected, asks whether to
// search anyway.
TZipQuery SplitSelectedAddress(RichEdit &RichEdit);
// The lookup page with the four values, each percent-encoded as UTF-8.
QString ZipCodeLookupUrl(const QString &Address, const QString &City, const QString &State,
                         const QString &Zip);
// Opens that page in the browser.
void LookupZipCode(const QString &Address, const QString &City, const QString &State, const QString &Zip);
// The lookup command on the destination: the page for the selected address, the
// page without values when the user searches anyway, otherwise nothing.
void ActionEditLookupExecute(RichEdit &Destination);
