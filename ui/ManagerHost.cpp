#include "ui/ManagerHost.h"

namespace {
TManagerHost *installedHost = nullptr;
}

TManagerHost *ManagerHost()
{
    return installedHost;
}

void SetManagerHost(TManagerHost *host)
{
    installedHost = host;
}
