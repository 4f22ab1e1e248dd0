#pragma once

#include <QString>

void EscapeUrlSpaces(const QString &text, QString &result);
// Escapes the spaces and asks the desktop to open the address; false when no
// program could be started for it (a browser that starts and fails says so itself).
bool OpenURL(const QString &url);
