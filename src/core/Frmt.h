#pragma once

#include "core/FrmtState.h"

#include <QString>

// The module of shared services around the open database: the user text
// formats kept in kaUsr.DmFmt, the publication home, the tear-down at exit and
// a few small helpers. Its values live in Usr::st().frmt.
class Frmt
{
public:
    static FrmtState &st();

    // --- user text formats ---
    // Loads factor, records and options of the open database; false when its
    // settings table could not be read.
    static bool LoadFmt();
    // Writes factor and records to kaUsr.DmFmt and the options to TX_FORMAT.
    static void SaveFmt();
    // Fills record `index` from its stored text, or with its defaults when the
    // text is not a valid record.
    static void ParseFmt(const QString &text, int index);
    static QString FmtToText(int index);
    static void TagLine(QString &text, const QString &name, const QString &value);

    static UsrFmt DefaultFmt(int index);
    static bool ParseRecord(const QString &text, UsrFmt &record);
    static QString RecordText(const UsrFmt &record);
    // Applies a stored DmFmt text to the factor and the eight records.
    static void ReadDmFmt(const QString &text);
    // The DmFmt text of the current factor and records.
    static QString DmFmtText();
    // The DmFmt text of the default factor and records (a new database holds it).
    static QString DefaultDmFmt();

    // --- publication home ---
    // Reloads home kind and home address and, unless `homeOnly`, the custom
    // file-name list from the open database.
    static void LoadHome(bool homeOnly = false);
    // The custom file-name list from tbHtm.
    static void LoadHtmList();
    // A first page's file name (kaUsr.HsTopNm) that the site uses: a plain file name that is
    // none of the files the site writes or keeps itself (a numbered page such as 1002.htm or
    // 1004_1010.htm, navi.htm of the frame variant, the user's favicon.ico, the folder cmn), in
    // any letter case, as the site may be served by a system that does not tell them apart, and
    // holds no "#", "?" or "%", which a link to the page would read otherwise.
    // Anything else is refused by the options dialog and ignored when read from storage.
    static bool IsTopName(const QString &name);
    // An address that publications may send links to: an absolute http: or https: URL with a
    // host and no user or password, holding no blank, no control character and no "?" or "#" (the pages'
    // file names are put after it). Anything else (a script address, a relative path) is refused by the
    // options dialog and ignored when read from storage.
    static bool IsHomeUrl(const QString &url);
    // The home address in force for a stored one: with a trailing "/", or empty when the stored
    // text is not a home URL.
    static QString HomeAddress(const QString &stored);

    // --- program services ---
    // Tear-down at exit: windows close first (they store their settings), then
    // User.xml is written, then the database is closed.
    static void AppEnd();
    static void SetBusy(bool busy);
    static bool InStrOk(const QString &text, const QString &sought, int &position);
    // `selected`: the description of the filter the dialog starts with; empty: the first.
    static QString OpenDlg(const QString &title, const QString &fileName, const QString &filter,
                           const QString &startFolder, const QString &selected = QString());
    // "TG_..."/"TP_..." (any case) give kind "TG"/"TP" and the rest; anything else is "LK" and whole.
    static void SplitKey(const QString &key, QString &kind, QString &identity);
    // "desc|pattern|desc|pattern" as a file-dialog filter "desc (pattern);;desc (pattern)".
    static QString DialogFilter(const QString &pairs);
};
