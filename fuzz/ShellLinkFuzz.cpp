// Shortcut files come from anywhere on disk: reading must stay in bounds, and a
// link read back from what the writer makes of it must be the same.
#include "platform/ShellLink.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    ShellLinkData link;
    if (!ReadShellLink(bytes, link))
        return 0;
    if (!link.RelativePath.isEmpty() && link.Target.isEmpty())
        return 0;
    ShellLinkData back;
    if (!ReadShellLink(WriteShellLink(link), back) || back.Target != link.Target
        || back.Description.left(0xFFFF) != link.Description.left(0xFFFF)
        || back.WorkingDirectory != link.WorkingDirectory)
        abort();
    return 0;
}
