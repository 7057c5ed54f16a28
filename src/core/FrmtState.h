#pragma once

#include "core/UsrFmt.h"

#include <array>

// The process-wide values kept by Frmt: the user text formats of the open
// database with the two typing options, and the publication context that the
// exporters and the link converter read.
struct FrmtState
{
    // Styles 0-5 (見出1 見出2 見出3 本文 強調 補足), 6 page header, 7 page footer.
    std::array<UsrFmt, 8> usrFmt;
    float lineFactor = 1.2f;     // line spacing = font size in twips x factor
    bool usrDtp = true;          // "最初は見出1"
    bool usrEntShift = true;     // "本文はEnter= <br>"

    int homeKind = 0;            // kaUsr.HiHome: 0 none, 1 HsHome1, 2 HsHome2 + tbHtm names
    QString homeAddress;         // empty or ending with "/"
    QString htmList;             // custom file names: page, tab, name, CR per line
    QString outputSet;           // pages of the current output run: ".1001.1005."
};
