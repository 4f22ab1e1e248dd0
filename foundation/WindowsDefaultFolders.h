#pragma once

#include <QString>

// The user's shell folders, without trailing slashes; empty where this desktop has
// no counterpart. The program reads AppData (the settings folder) and Personal
// (the documents folder).
struct TWinDefaultFolders
{
    QString Desktop;
    QString Programs;
    QString Fonts;
    QString StartMenu;
    QString Templates;
    QString Startup;
    QString Recent;
    QString SendTo;
    QString AppData;
    QString NetHood;
    QString Personal;
    QString LocalAppData;
    QString MyPictures;
    QString Favorites;
};

extern TWinDefaultFolders WinDefaultFolders;

// Fills WinDefaultFolders from the XDG folders of the current user (XDG_CONFIG_HOME
// for AppData, the XDG documents folder for Personal, and so on). Runs before
// StartQmIniFile; a test may overwrite fields afterwards to point at its own folders.
void StartWindowsDefaultFolders();
// Empties WinDefaultFolders.
void StopWindowsDefaultFolders();

// The user's home folder: $HOME, else the password database; never "/" unless that
// is really the home folder.
QString UserHomeFolder();
