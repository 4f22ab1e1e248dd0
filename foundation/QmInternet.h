#pragma once

#include <QString>

void EscapeUrlSpaces(const QString &text, QString &result);
// Escapes the spaces and asks the desktop to open the address; the outcome is
// not reported, as a browser that fails says so itself.
void OpenURL(const QString &url);
