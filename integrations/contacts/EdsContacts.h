#pragma once

#include "integrations/contacts/DesktopContacts.h"

#include <memory>

// Evolution Data Server's address books: each enabled address-book source is a
// store with one contact folder; the default address book is the default folder.
// nullptr when the service does not answer on the session bus. Every call to the
// service has a time limit.
std::unique_ptr<TContactStore> OpenEdsStore();
