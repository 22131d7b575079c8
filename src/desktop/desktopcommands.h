#pragma once

#include <QString>

// The main window's desktop services: a shortcut to the program on the desktop or in the
// programs menu, and the user manual. Nothing else on screen shows whether they worked, so
// each tells the user through the dialogs interface: what went wrong, or where the shortcut is.
class DesktopCommands
{
public:
    // A shortcut to the program file itself, as started, in the desktop folder or the
    // applications folder, replacing one of the same name.
    static void createDesktopShortcut();
    static void createProgramsShortcut();

    // Hands Manuale.pdf in programDir to the desktop, which opens it in the PDF reader.
    static void openManual(const QString &programDir);

    // The manual's full path in programDir.
    static QString manualPath(const QString &programDir);

private:
    static void createShortcut(const QString &folder, const QString &folderName, const QString &done);
};
