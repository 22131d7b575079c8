#pragma once

#include <QString>

// The main window's desktop services: a shortcut to the program on the desktop or in the
// programs menu, and the user manual. A failure is told through the dialogs interface; a
// shortcut made shows no box, only a line for the status bar saying where it is.
class DesktopCommands
{
public:
    // A shortcut to the program file itself, as started, in the desktop folder or the
    // applications folder, replacing one of the same name. Returns the line for the status
    // bar that says where it is (empty after a failure, which has been reported).
    static QString createDesktopShortcut();
    static QString createProgramsShortcut();

    // Hands Manuale.pdf in programDir to the desktop, which opens it in the PDF reader.
    static void openManual(const QString &programDir);

    // The manual's full path in programDir.
    static QString manualPath(const QString &programDir);

private:
    static QString createShortcut(const QString &folder, const QString &folderName, const QString &done);
};
