#pragma once

#include <QString>

#include <functional>

// Hands a document or web address to the desktop. Tests install their own
// opener to record what would have been opened.
class TUrlOpener
{
public:
    virtual ~TUrlOpener() = default;
    // Returns false when the desktop could not open it.
    virtual bool Open(const QString &url) = 0;
    // The same; an opener that hears only later that the desktop's helper failed
    // (no browser behind it) calls FailedLater then.
    virtual bool Open(const QString &url, const std::function<void()> &FailedLater)
    {
        Q_UNUSED(FailedLater);
        return Open(url);
    }
};

// Opens the page; shows Failure when it cannot be opened, now or once the desktop's
// helper gives up.
void OpenOrSay(const QString &url, const QString &Failure);

// The opener in use; the desktop's own unless one was installed.
TUrlOpener &UrlOpener();
// Installs an opener (not owned); nullptr restores the desktop's own.
void SetUrlOpener(TUrlOpener *opener);
