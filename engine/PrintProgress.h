#pragma once

#include <QStringList>

// What a print job tells whoever watches it, and how it learns that it is to stop.
class TPrintProgress
{
public:
    virtual ~TPrintProgress() = default;

    // Before the document starts: what is left of an earlier job goes away.
    virtual void Prepare() = 0;
    // The document has started and will have this many pages; no cancel yet.
    virtual void Started(int Pages) = 0;
    virtual void AddressStarted(const QStringList &AddressLines, const QString &PrinterName) = 0;
    // Copy and envelope count from 1.
    virtual void CopyStarted(int Copy, int Envelope) = 0;
    // A page is drawn: the moment a cancel can come in.
    virtual void PageDone() = 0;
    virtual bool Cancelled() const = 0;
    // Normally: the job went out (after a cancel, with the pages done); otherwise it failed.
    virtual void Finished(bool Normally) = 0;
};
