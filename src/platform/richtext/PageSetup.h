#pragma once

// Page size and margins of a page document, in twips (1440 per inch). The defaults are US Letter
// with the editor's usual margins.
struct PageSetup
{
    int width = 12240;        // member 12
    int height = 15840;       // member 13
    int marginLeft = 850;     // member 22
    int marginTop = 850;      // member 23
    int marginRight = 567;    // member 24
    int marginBottom = 567;   // member 25
    bool landscape = false;   // member 225

    // Width and height of the text area; never below one twip, whatever the margins.
    int textWidth() const;
    int textHeight() const;

    bool operator==(const PageSetup &) const = default;
};
