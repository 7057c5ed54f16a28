#pragma once

// Which menu item, popup item, toolbar button and function key is enabled in which state, as the
// menus' enabling rules say (the drop-down handlers of the main window, its database-state
// enabling, the editor's popup menu and toolbar refresh); and the items whose command may leave a
// state as it was, with the reason.

#include "SweepHarness.h"

#include <optional>

namespace Sweep {

using Rule = std::function<bool(const Facts &)>;

struct Row {
    const char *array;
    QList<int> indices;
    const char *rule; // the condition as the menu's rule states it
    Rule on;          // nullptr: not judged (see `rule`)
};

// An item's place: the item of the menu it is in (the top-level menus have none).
struct Parent {
    const char *array;
    const char *parentArray;
    int parentIndex;
};

inline bool always(const Facts &) { return true; }
inline bool normalMode(const Facts &f) { return f.open && f.pages; }
inline bool nodeCommand(const Facts &f) { return normalMode(f) && !f.newNode; }
inline bool freePosition(const Facts &f) { return !f.inHeader && !f.inFrame; }
inline bool noFieldOrHeader(const Facts &f) { return f.field.isEmpty() && !f.inHeader; }
inline bool canPaste(const Facts &f) { return f.clipText || f.clipPicture; }
// The table flags of the editor component: a table can be inserted outside a table, the others
// apply inside one; none in a header or a text frame.
inline bool insTable(const Facts &f) { return !f.inTable && freePosition(f); }
inline bool inTable(const Facts &f) { return f.inTable && freePosition(f); }

// The format and table menus: the same items under the same indices in the main window and the popup.
inline QList<Row> formatAndTableRows()
{
    return {
        {"mnSelc", {0, 1, 2, 3, 4, 5, 9, 10, 11, 14, 15}, "keep their state (enabled)", always},
        {"mnSelc", {17, 18}, "not in a header or footer nor in a text frame", freePosition},
        {"mnTbl", {0}, "(bInsTb or bInsCL or bInsRw) and no field or header at the caret",
         [](const Facts &f) { return (insTable(f) || inTable(f)) && noFieldOrHeader(f); }},
        {"mnTbl", {1}, "bSplTb", inTable},
        {"mnTbl", {2}, "bDelCL or bDelRw", inTable},
        {"mnTbl", {3}, "bSlcTb", inTable},
        {"mnTbl", {4}, "bDelRw", inTable},
        {"mnTins", {0}, "bInsTb", insTable},
        {"mnTins", {2, 3}, "bInsCL", inTable},
        {"mnTins", {5, 6}, "bInsRw", inTable},
        {"mnTsp", {0, 1}, "keep their state (enabled)", always},
        {"mnTdel", {0, 1, 2}, "bDelRw, bDelCL, bDelRw", inTable},
        {"mnTslc", {0, 1, 2}, "bSlcTb", inTable},
        {"mnProp", {0, 1, 2}, "keep their state (enabled)", always},
    };
}

inline const QList<Row> &mainRows()
{
    static const QList<Row> rows = formatAndTableRows() + QList<Row>{
        {"mnDcDb", {0}, "always", always},
        {"mnDcDb", {1}, "a database is open", [](const Facts &f) { return f.open; }},
        {"mnDcDb", {2}, "tree menu in normal mode", normalMode},
        {"mnDb", {0, 1, 4, 5}, "always", always},
        {"mnDb", {2}, "an embedded database file is open", [](const Facts &f) { return f.open && f.jet; }},
        {"mnDb", {6}, "a database is open", [](const Facts &f) { return f.open; }},
        {"mnDbs", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "always (the items shown)", always},
        {"mnDbRet", {0}, "a database is open", [](const Facts &f) { return f.open; }},
        {"mnDbRet", {3}, "always", always},
        {"mnExit", {1}, "always", always},
        {"mnTree", {0}, "not bNewDc", [](const Facts &f) { return !f.newNode; }},
        {"mnTree", {1, 7, 8, 11, 12, 17, 18}, "normal mode and not bNewDc", nodeCommand},
        {"mnTree", {2}, "normal mode, not bNewDc, not bCord", [](const Facts &f) { return nodeCommand(f) && !f.listMode; }},
        {"mnTree", {4}, "normal mode, not bNewDc, bCanMvPrv", [](const Facts &f) { return nodeCommand(f) && f.canPrev; }},
        {"mnTree", {5}, "normal mode, not bNewDc, bCanMvNxt", [](const Facts &f) { return nodeCommand(f) && f.canNext; }},
        {"mnTree", {9, 14}, "normal mode", normalMode},
        {"mnTree", {21, 22, 24}, "keep their state (enabled)", always},
        {"mnTree", {15}, "keeps its state (enabled) where there is a page to read into",
         [](const Facts &f) { return normalMode(f) || f.newNode; }},
        {"mnCpT", {0}, "always", always},
        {"mnTrRet", {0, 1, 2}, "always", always},
        {"mnRet", {0, 2, 3, 5, 6, 8, 10}, "always", always},
        {"mnRetView", {0, 1, 2}, "always", always},
        {"mnJb", {0}, "tree menu in normal mode", normalMode},
        {"mnJb", {1, 3, 4, 5, 6}, "a database is open", [](const Facts &f) { return f.open; }},
        {"mnJb", {2, 7}, "always", always},
        {"mnFile", {0, 2, 5, 6, 7}, "bExDoc", [](const Facts &f) { return f.content; }},
        {"mnMail", {0, 1, 2}, "always", always},
        {"mnEdit", {0}, "bUndo and bExDoc", [](const Facts &f) { return f.undo && f.content; }},
        {"mnEdit", {1}, "bRedo", [](const Facts &f) { return f.redo; }},
        {"mnEdit", {3, 4}, "bCopy", [](const Facts &f) { return f.selection; }},
        {"mnEdit", {5}, "bPaste", canPaste},
        {"mnEdit", {8, 9, 10, 12, 13, 16}, "bExDoc", [](const Facts &f) { return f.content; }},
        {"mnEdit", {15}, "keeps its state (enabled)", always},
        {"mnEdit", {18}, "bOvrw (modified and not empty)", [](const Facts &f) { return f.modified && f.content; }},
        {"mnPast", {0}, "always (under 貼り付け)", always},
        {"mnPast", {2}, "bPc or bMt or bLk", [](const Facts &f) { return f.clipPicture; }},
        {"mnPast", {3}, "bTx", [](const Facts &f) { return f.clipText; }},
        {"mnDisp", {0, 2}, "always", always},
        {"mnLocal", {0, 1, 3, 4, 5, 8, 18, 20, 21}, "not bInTf and not bInHd", freePosition},
        {"mnLocal", {9}, "OLE objects cannot exist here: disabled for good", nullptr},
        {"mnLocal", {7}, "hidden by the load step", nullptr},
        {"mnLocal", {11, 12, 14}, "no field at the caret and not bInHd", noFieldOrHeader},
        {"mnLocal", {16, 17}, "keep their state (enabled)", always},
        {"mnInsDc", {0, 1}, "always", always},
        {"mnHeader", {0, 1}, "always", always},
        {"mnFooter", {0, 1}, "always", always},
        {"mnUser", {0, 1, 2, 3, 4, 6, 8, 9}, "always", always},
        {"mnIeSize", {0, 1, 2, 3}, "always", always},
        {"mnApp", {1}, "always", always},
        {"mnApSys", {0, 1}, "always", always},
        {"mnHelp", {0}, "always", always},
    };
    return rows;
}

inline const QList<Parent> &mainParents()
{
    static const QList<Parent> parents = {
        {"mnDb", "mnDcDb", 0},     {"mnExit", "mnDcDb", 0},  {"mnDbs", "mnDb", 4},       {"mnDbRet", "mnDb", 5},
        {"mnTree", "mnDcDb", 1},   {"mnCpT", "mnTree", 9},   {"mnTrRet", "mnTree", 12},  {"mnRet", "mnDcDb", 2},
        {"mnRetView", "mnRet", 8}, {"mnFile", "mnJb", 0},    {"mnMail", "mnFile", 5},    {"mnEdit", "mnJb", 1},
        {"mnPast", "mnEdit", 5},   {"mnDisp", "mnJb", 2},    {"mnLocal", "mnJb", 3},     {"mnInsDc", "mnLocal", 0},
        {"mnChart", "mnLocal", 7}, {"mnHeader", "mnLocal", 16}, {"mnFooter", "mnLocal", 17}, {"mnSelc", "mnJb", 4},
        {"mnTbl", "mnJb", 5},      {"mnTins", "mnTbl", 0},   {"mnTsp", "mnTbl", 1},      {"mnTdel", "mnTbl", 2},
        {"mnTslc", "mnTbl", 3},    {"mnProp", "mnTbl", 4},   {"mnUser", "mnJb", 6},      {"mnIeSize", "mnUser", 8},
        {"mnApp", "mnJb", 7},      {"mnApSys", "mnApp", 1},
    };
    return parents;
}

// The editor's popup menu (an editor of kind 2, the main window's).
inline const QList<Row> &popupRows()
{
    static const QList<Row> rows = formatAndTableRows() + QList<Row>{
        {"mnEdit", {0}, "bUndo", [](const Facts &f) { return f.undo; }},
        {"mnEdit", {1}, "bRedo", [](const Facts &f) { return f.redo; }},
        {"mnEdit", {3, 4}, "bCopy", [](const Facts &f) { return f.selection; }},
        {"mnEdit", {5}, "bPaste", canPaste},
        {"mnEdit", {8, 9, 10, 12, 13}, "bExDoc", [](const Facts &f) { return f.content; }},
        {"mnEdit", {15, 16}, "keep their state (enabled)", always},
        {"mnEdit", {18}, "bOvrw", [](const Facts &f) { return f.modified && f.content; }},
        {"mnPast", {0}, "always (under 貼り付け)", always},
        {"mnPast", {2}, "bLk or bMt or bPc", [](const Facts &f) { return f.clipPicture; }},
        {"mnPast", {3}, "bTx", [](const Facts &f) { return f.clipText; }},
        {"mnDisp", {0, 1, 2, 3, 4, 6, 7}, "always", always},
        {"mnLocal", {0, 1, 3, 4, 5, 8, 25, 27, 28}, "a free position", freePosition},
        {"mnLocal", {9}, "OLE objects cannot exist here: disabled for good", nullptr},
        {"mnLocal", {7, 23, 24}, "keep their state (enabled)", always},
        {"mnLocal", {11, 14, 19}, "not a field-or-header position", noFieldOrHeader},
        {"mnLocal", {12, 13}, "shown on a link field", [](const Facts &f) { return f.field == QLatin1String("LK"); }},
        {"mnLocal", {15, 16}, "shown on a tag field", [](const Facts &f) { return f.field == QLatin1String("TG"); }},
        {"mnLocal", {20, 21}, "shown on a tooltip field", [](const Facts &f) { return f.field == QLatin1String("TP"); }},
        {"mnInsDc", {0, 1}, "always", always},
        {"mnChart", {0, 1}, "always", always},
        {"mnHeader", {0, 1}, "always", always},
        {"mnFooter", {0, 1}, "always", always},
        {"mnUser", {0, 1, 2, 3, 4, 7}, "always", always},
    };
    return rows;
}

inline const QHash<QString, QPair<QString, int>> &popupParents()
{
    static const QHash<QString, QPair<QString, int>> parents = {
        {QStringLiteral("mnPast"), {QStringLiteral("mnEdit"), 5}},   {QStringLiteral("mnInsDc"), {QStringLiteral("mnLocal"), 0}},
        {QStringLiteral("mnChart"), {QStringLiteral("mnLocal"), 7}}, {QStringLiteral("mnHeader"), {QStringLiteral("mnLocal"), 23}},
        {QStringLiteral("mnFooter"), {QStringLiteral("mnLocal"), 24}}, {QStringLiteral("mnTins"), {QStringLiteral("mnTbl"), 0}},
        {QStringLiteral("mnTsp"), {QStringLiteral("mnTbl"), 1}},     {QStringLiteral("mnTdel"), {QStringLiteral("mnTbl"), 2}},
        {QStringLiteral("mnTslc"), {QStringLiteral("mnTbl"), 3}},    {QStringLiteral("mnProp"), {QStringLiteral("mnTbl"), 4}},
    };
    return parents;
}

// The editor's toolbar, by button key ("New" and "Open" are hidden).
inline const QList<Row> &toolRows()
{
    static const QList<Row> rows = {
        {"Save", {0}, "can save (modified and not empty)", [](const Facts &f) { return f.modified && f.content; }},
        {"Print", {0}, "has content", [](const Facts &f) { return f.content; }},
        {"Preview", {0}, "has content", [](const Facts &f) { return f.content; }},
        {"Find", {0}, "has content", [](const Facts &f) { return f.content; }},
        {"Cut", {0}, "can copy", [](const Facts &f) { return f.selection; }},
        {"Copy", {0}, "can copy", [](const Facts &f) { return f.selection; }},
        {"Paste", {0}, "can paste", canPaste},
        {"Undo", {0}, "can undo", [](const Facts &f) { return f.undo; }},
        {"Redo", {0}, "can redo", [](const Facts &f) { return f.redo; }},
    };
    return rows;
}

// Items that may leave a state as they found it, with the reason: "<id>" or "<id> @<state>" (an id
// followed by " unmarked": may change the page without marking it).
inline QHash<QString, QString> quietItems()
{
    const QString clear = QStringLiteral("ｸﾘｱ clears the selection; the item is enabled by bExDoc, and with nothing "
                                         "selected there is nothing to clear");
    const QString fresh = QStringLiteral("初期化 empties the page after the save question: an empty page is not "
                                         "an edit to keep");
    const QString stored = QStringLiteral("元に戻す takes back the one key typed since the page was loaded: the page "
                                          "is the stored one again, and unmodified");
    return {
        {QStringLiteral("menu mnEdit 0 元に戻す(&U) unmarked @modified page"), stored},
        {QStringLiteral("popup mnEdit 0 元に戻す(&U) unmarked @modified page"), stored},
        {QStringLiteral("tool Undo unmarked @modified page"), stored},
        {QStringLiteral("menu mnEdit 8 初期化 unmarked"), fresh},
        {QStringLiteral("popup mnEdit 8 初期化 unmarked"), fresh},
        {QStringLiteral("menu mnEdit 9 ｸﾘｱ(&A) @table cell"), clear},
        {QStringLiteral("menu mnEdit 9 ｸﾘｱ(&A) @tag field"), clear},
        {QStringLiteral("menu mnEdit 9 ｸﾘｱ(&A) @modified page"), clear},
        {QStringLiteral("popup mnEdit 9 ｸﾘｱ(&A) @table cell"), clear},
        {QStringLiteral("popup mnEdit 9 ｸﾘｱ(&A) @tag field"), clear},
        {QStringLiteral("popup mnEdit 9 ｸﾘｱ(&A) @modified page"), clear},
        {QStringLiteral("menu mnEdit 9 ｸﾘｱ(&A) @page header"), clear},
        {QStringLiteral("popup mnEdit 9 ｸﾘｱ(&A) @page header"), clear},
        // The header holds one line; the page is marked already.
        {QStringLiteral("menu mnEdit 16 整形 @page header"), QStringLiteral("nothing to join or trim in a one-line header")},
        {QStringLiteral("popup mnEdit 16 整形 @page header"), QStringLiteral("nothing to join or trim in a one-line header")},
        {QStringLiteral("menu mnSelc 15 書式の貼り付け @page header"), QStringLiteral("the format copied is the header's own")},
        {QStringLiteral("popup mnSelc 15 書式の貼り付け @page header"), QStringLiteral("the format copied is the header's own")},
        // The main window's paste works only while the editor has the focus; an empty database
        // opens with it in the tree.
        {QStringLiteral("menu mnPast 0 ｵﾌﾞｼﾞｪｸﾄとして貼り付け @empty database"), QStringLiteral("the editor has not the focus")},
        {QStringLiteral("menu mnPast 2 画像として貼り付け @empty database"), QStringLiteral("the editor has not the focus")},
        {QStringLiteral("menu mnPast 3 ﾃｷｽﾄとして貼り付け @empty database"), QStringLiteral("the editor has not the focus")},
        // The set-up copies the format at the start of the page first; an empty page has no other.
        {QStringLiteral("menu mnSelc 14 書式のｺﾋﾟｰ @new page"), QStringLiteral("an empty page holds one format only")},
        {QStringLiteral("popup mnSelc 14 書式のｺﾋﾟｰ @new page"), QStringLiteral("an empty page holds one format only")},
        {QStringLiteral("menu mnSelc 14 書式のｺﾋﾟｰ @empty database"), QStringLiteral("an empty page holds one format only")},
        {QStringLiteral("popup mnSelc 14 書式のｺﾋﾟｰ @empty database"), QStringLiteral("an empty page holds one format only")},
        {QStringLiteral("menu mnSelc 14 書式のｺﾋﾟｰ @no database"), QStringLiteral("an empty page holds one format only")},
        {QStringLiteral("popup mnSelc 14 書式のｺﾋﾟｰ @no database"), QStringLiteral("an empty page holds one format only")},
    };
}

inline const Row *findRow(const QList<Row> &rows, const QString &array, int index)
{
    for (const Row &row : rows) {
        if (array == QLatin1String(row.array) && row.indices.contains(index))
            return &row;
    }
    return nullptr;
}

} // namespace Sweep
