// vCard files come from other programs and other people: every card must be read
// without a fault, and every property asked of it must be valid text.
#include "integrations/contacts/VCardFolders.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    TOutlookItemsPtr items = ReadVCardItems({{QStringLiteral("card.vcf"), bytes}});
    for (int i = 1; i <= items->Count(); ++i) {
        TOutlookItemPtr item = items->Item(i);
        if (item->Class() != olContact && item->Class() != olDistributionList)
            abort();
        for (const char *name : {"FileAs", "FirstName", "LastName", "FullName", "Spouse", "Children",
                                 "JobTitle", "CompanyName", "MailingAddress", "BusinessAddress"}) {
            const QString value = item->Property(QString::fromLatin1(name));
            if (value.toUtf8().isValidUtf8() == false)
                abort();
        }
    }
    return 0;
}
