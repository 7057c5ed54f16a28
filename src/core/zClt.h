#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

class QDateTime;

// The utility object every subsystem uses: files and folders, whole text files
// in the system code page and in UTF-8, small string helpers, the filling of
// "?" placeholders, and the hand-over of previews to the desktop's browser.
// There is one, created on first use; release() drops it at tear-down.
//
// Members whose failures the caller must see return false (or an empty text
// with `ok` false) instead of stopping the program.
class zClt
{
public:
    static zClt &instance();
    static void release();
    // The text without half-width blanks at either end; the ideographic space U+3000 is text.
    static QString trimSpaces(const QString &text);
    // A file name alone, fit to be put after a folder: not empty, not ".", no folder separator
    // ("/", nor the "\" that browsers and other systems read as one), no "..", no control or
    // format characters (a right-to-left override disguises a name), at most 255 bytes. Names
    // the user types or the database stores (a first page, a book) are used only when they are.
    static bool isPlainName(const QString &name);
    // The first `count` characters as a reader counts them: an emoji or a letter with its marks is
    // one, and none is cut in two.
    static QString firstCharacters(const QString &text, int count);

    // --- automation ---
    // Brings the main window to the front and delivers Ctrl + the virtual-key
    // code (0-255) to it.
    void A_CtrlKy(int keyCode);
    // The desktop's browser owns its window, so there is nothing to quit.
    void A_EndIE();
    // Opens the address or file in the desktop's browser; tells the user when
    // it cannot be started.
    void A_ViewIE(const QString &address);

    // --- text files ---
    // Writes (or appends) the text in the system code page.
    bool F_StTxtFL(const QString &file, const QString &text, bool append);
    // The whole text in the system code page; empty when the file does not exist.
    QString FsGtText(const QString &file, bool *ok = nullptr);
    // The whole UTF-8 text without its byte-order mark; on failure the user is
    // told and the result is empty.
    QString FsGtUtf(const QString &file);
    // Writes the text as UTF-8 with a byte-order mark, replacing the file. An
    // empty text leaves the file as it is.
    bool F_StUtf(const QString &file, const QString &text);

    // --- files and folders ---
    bool FbExFile(const QString &path, bool pattern = false);
    bool FbExFolder(const QString &folder);
    bool F_CreateFld(const QString &folder);
    bool F_ChkSb(const QString &base, const QStringList &names);
    // Copies, asking before it replaces an existing target; true when copied.
    bool F_Copy(const QString &source, const QString &target);
    void F_DelFile(const QString &path);
    void F_DelFold(const QString &folder);

    // --- strings ---
    void T_AddRwd(QString &text, const QString &tail);
    void T_DelRwd(QString &text, QString &tail);
    void T_SpltWd(const QString &text, const QString &separator, QString &left, QString &right);
    void T_TrmCR(QString &text);
    void T_CnvSq(QString &statement, const QVariantList &values);
    QString TsBtwn(const QString &text, const QString &startMarker, const QString &endMarker);
    bool TbChkDy(const QString &text, QDateTime *date = nullptr);
    QString TsLwd(QString &text, const QString &separator);

private:
    zClt() = default;
};
