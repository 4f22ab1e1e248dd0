#pragma once

#include <QString>

// Hands a document or web address to the desktop. Tests install their own
// opener to record what would have been opened.
class TUrlOpener
{
public:
    virtual ~TUrlOpener() = default;
    // Returns false when the desktop could not open it.
    virtual bool Open(const QString &url) = 0;
};

// The opener in use; the desktop's own unless one was installed.
TUrlOpener &UrlOpener();
// Installs an opener (not owned); nullptr restores the desktop's own.
void SetUrlOpener(TUrlOpener *opener);
