#pragma once

#include <QString>

// A shortcut to the program: a freedesktop desktop entry (the Linux counterpart of a shell
// link) whose command is the program file itself and whose working folder is the program's
// folder. The entry is named after the program file, with ".desktop" for its extension.
// Writing it never shows anything: the caller gets the outcome and decides what to tell.
class DesktopShortcut
{
public:
    // What a write did: the file written, or an Italian message saying why not.
    struct Outcome
    {
        QString filePath;
        QString error;
        bool ok() const { return error.isEmpty(); }
    };

    // programPath: the program's own full path, as started. iconPath: an image file or an
    // icon theme name for the entry; empty means the "pratilio" icon beside the program.
    explicit DesktopShortcut(const QString &programPath, const QString &iconPath = {});

    // "pratilio" -> "pratilio.desktop", "pratilio.exe" -> "pratilio.desktop".
    static QString fileNameFor(const QString &programPath);

    // The whole entry, as written to the file.
    QString entryText() const;

    // Writes the entry into folder, replacing an entry of the same name. The folder must exist
    // and be writable; it is not created. The new text is written aside and renamed over the
    // old one, so a failed write leaves the old entry whole.
    Outcome createIn(const QString &folder) const;

    // The user's desktop folder (xdg-user-dir DESKTOP, else the toolkit's desktop location).
    static QString desktopFolder();
    // The user's own applications folder (the programs menu), created when missing.
    static QString applicationsFolder();

    // One argument of an Exec line, quoted when it holds a reserved character, with the
    // quoted form's own escapes; "%" doubled, since a lone one starts a field code.
    static QString quoteExecArgument(const QString &argument);
    // A value of the string type: backslash, newline, tab and carriage return escaped.
    static QString escapeString(const QString &value);

private:
    QString programPath_;
    QString iconPath_;
};
