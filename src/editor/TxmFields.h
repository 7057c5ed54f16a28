#pragma once

#include <QString>

class uTxm;

// The page fields of the editor: links, tags, tooltips and the data marker, inserted, changed,
// copied onto an object, re-coloured and removed. Every routine works on the editor's current part
// and marks the page modified when it changed a field. The option of the link, tag and tooltip
// routines is 0 insert, 1 modify, 2 delete the field at the caret; a cancelled dialog sets it to -1.
class TxmFields
{
public:
    explicit TxmFields(uTxm &editor);

    // Field colours by kind (COLORREF): link, tag, tooltip.
    static constexpr int LinkColour = 0xFF8080;
    static constexpr int TagColour = 0x808000;
    static constexpr int TipColour = 0x404080;
    static constexpr int Attributes = 149;

    // Kind 6 link, 7 tag, 8 tooltip; false when the component took no field.
    bool txInsFld(int kind, const QString &text, const QString &data);
    void txLnkFld(int &option, bool onObject, int copyField);
    void txTagFld(int &option, bool onObject, int copyField);
    void txTipFld(int &option);
    // Link on the selected picture to a file of the enlarged-picture folder: the newest one, or one
    // the user chooses there. False when no file was found or chosen.
    bool txZoomLnk(int option, bool latest);
    bool txDelFld(bool withText);
    void txSelTrim();
    bool txFdFld(bool insert);
    // start < 0: every field of the part.
    void txFldClr(int start, int length);

    // The enlarged-picture folder of the open database, ending with "/".
    static QString zoomFolder();
    // The file of `folder` modified last, after the turn of the year 2000; empty when none.
    static QString latestFile(const QString &folder);

    // An item of the object menu on the selected picture: 7-9 link, 11-13 tag (insert, modify,
    // delete), 15/16 link to an enlarged picture (newest, chosen), 18/19 copy of the link or tag just
    // before or after it. True when the page changed.
    bool objectItem(int index);

    // The object menu's field items for the picture at `position`: insert where it carries no link
    // or tag, change and delete where it does, and the copies of a link or tag just before or after.
    void SetObjMn(int position);

    // Editor commands 50 (link), 51 (tag), 52 (tooltip) and 55 (data marker); true when changed.
    bool run(int code, int option);

private:
    int neighbourField(int step) const;
    void bodyLook(int foreColour);
    void finish();

    uTxm &m_editor;
    bool m_changed = false;
};
