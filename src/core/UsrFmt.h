#pragma once

#include <QString>

// One user text format (a paragraph style, the page header or the page footer),
// in the order its fields are stored in kaUsr.DmFmt. Colours are 0x00BBGGRR.
struct UsrFmt
{
    QString fontName;
    int fontSize = 0;        // points
    qint32 textColor = 0;
    qint32 backColor = 0;
    int bold = 0;            // 1 bold, 0 normal
    int alignment = 0;       // 0 left, 1 right, 2 centre
    int head2 = 0;           // heading paragraph values 2-4 (editor members 17-19)
    int head3 = 0;
    int head4 = 0;
    int dist1 = 0;           // paragraph distances in twips (editor members 75, 78, 79, 77, 76)
    int dist2 = 0;
    int dist3 = 0;
    int dist4 = 0;
    int dist5 = 0;

    bool operator==(const UsrFmt &other) const = default;
};
