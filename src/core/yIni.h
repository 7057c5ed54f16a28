#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// The settings object: finds the user-data folder, opens files, folders and
// addresses through the desktop, and keeps the user's settings in "User.xml".
//
// User.xml is handled as text, not parsed: elements are found by their first
// start and end tags, so the file keeps exactly the bytes other versions of the
// program wrote (CP932, CR LF, three and six blanks of indentation).
class yIni
{
public:
    // The one settings object, created on first use; release() ends it (tear-down).
    static yIni &instance();
    static void release();

    // --- User-data folder and desktop ---------------------------------------

    // Resolves the user-data folder from "UserData.ini" beside the program,
    // records the program's path for the sibling tools, creates the folder and
    // stores it in Usr::st().userData (ending with "/").
    void W_UserData();
    // Shows a help page in the browser: of the help site the user set, else the program's own.
    void W_Help(const QString &topic);
    // Shows an address or file in the browser.
    void W_HtmView(const QString &address);
    // Puts a launcher of the program into the user's applications folder.
    bool W_SendTo();
    // Opens a file with its program (open = true), or shows an existing folder; false when the
    // desktop could not be asked to.
    bool W_ExpFd(const QString &path, bool open);
    // Hands a file, folder or address to the desktop (every shell entry above goes through it);
    // when the desktop reports a failure the user is told what could not be shown, where it lies
    // and why. True when it was handed over.
    bool showOnDesktop(const QString &target);
    // That message, for xdg-open's answer `answer` (Launcher::openWithDesktop).
    static QString openFailureText(const QString &target, int answer);
    // Special folders by their classic ids: 5 documents, 9 "send to" (the user's
    // applications folder), 26 application data. No trailing "/"; empty when unknown.
    QString FsGtSpFld(int folderId) const;
    // Creates each missing base + name (one level); `base` ends with "/".
    void F_ChkSb(const QString &base, const QStringList &names);
    // Creates the folder with all its missing parents.
    void F_CreateFld(const QString &folder);

    // The help site the user set in group "ﾍﾙﾌﾟ", key "URL" (ending with "/"); empty when none is
    // set or the value is no absolute http(s) address.
    static QString helpSite();
    // The help page installed from the program into the user-data folder ("Help/"); the main
    // page stands in for a page the program does not have. Empty when it cannot be written.
    static QString localHelpPage(const QString &page);

    // --- Settings store User.xml ----------------------------------------------

    // Loads the file (a missing one is created empty and the store starts new).
    bool GetTxt(const QString &path);
    // Selects a group: the following reads and writes go to it.
    void GetGtx(const QString &group);
    // Reads a key of the current group, typed by the default: QString, bool,
    // QDate/QDateTime, or else a number (returned as double).
    QVariant vGtVal(const QString &key, const QVariant &defaultValue);
    // Sets a key in the current group (in memory until SetGtx).
    void SetVal(const QString &key, const QVariant &value);
    // Stores the current group into the document.
    void SetGtx();
    // Writes the document to the file; false when it could not be written.
    bool SetTxt();

    QString filePath() const { return m_filePath; }
    QString documentText() const { return m_document; }
    QString groupName() const { return m_groupName; }
    QString groupText() const { return m_groupText; }

    // Element search and construction (kind 0 store, 1 group, 2 key).
    QString GtElm(bool withinGroup, const QString &name);
    static QString MkElm(int kind, const QString &name, const QString &value);
    // Text form of a stored value: C-locale numbers, True/False, four-digit dates.
    static QString valueText(const QVariant &value);

private:
    yIni() = default;

    QString programFolder() const;
    static QString missingFolderMessage(const QString &folder, const QString &defaultFolder);
    QString resolveToken(const QString &token, const QString &defaultFolder) const;
    void registerProgramPath() const;
    QString groupElementText(const QString &inner) const;
    QVariant typedValue(const QString &text, const QVariant &defaultValue) const;
    void insertGroup(const QString &keys);

    QString m_filePath;
    QString m_document;
    QString m_groupName;
    QString m_groupText;
    bool m_loadFailed = false; // the file exists but could not be read
};
