#include "integrations/clipart/ClipArtGallery.h"

#include "integrations/clipart/SelectClipArt.h"
#include "ui/returnaddresses/Retaddrs.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

uint8_t ClipArtGalleryKind = 0;

namespace {

TClipArtProbe probe;

class Gallery : public TClipArtGallery
{
public:
    int Kind() const override { return ClipArtGalleryKind; }
    bool Choose(const QString &FileName) override
    {
        return ClipArtGalleryKind == 1 && GetChooseClipArtForm()->Execute(FileName);
    }
    bool LaunchOrganizer() override { return LaunchClipOrganizer(); }
};

Gallery gallery;

} // namespace

const QString &ClipArtLibraryFolder()
{
    return probe.LibraryFolder;
}

void StartClipArt(const TClipArtProbe &Probe)
{
    probe = Probe;
    ClipArtGalleryKind = 0;
    if (!probe.LibraryFolder.isEmpty() && QFileInfo(probe.LibraryFolder).isDir())
        ClipArtGalleryKind = 1;
    else
        probe.LibraryFolder.clear();
    // The organizer wins when both are there.
    if (!probe.OrganizerProgram.isEmpty())
        ClipArtGalleryKind = 2;
    SetClipArtGallery(&gallery);
}

void StopClipArt()
{
    if (ClipArtGallery() == &gallery)
        SetClipArtGallery(nullptr);
    FreeChooseClipArtForm();
    ClipArtGalleryKind = 0;
    probe = TClipArtProbe();
}

bool LaunchClipOrganizer()
{
    if (ClipArtGalleryKind != 2 || probe.OrganizerProgram.isEmpty())
        return false;
    return QProcess::startDetached(probe.OrganizerProgram, {});
}
