#pragma once

class PageDocument;
class QTextCursor;

// Inserts the main text of one page into another at a cursor (loading bytes "at the selection",
// pasting): fields, pictures, text frames and tables get new ids in the target, pictures are copied
// into its store (identical bytes shared), frame texts are copied. Headers, footers and page setup of
// the source are not inserted. One undo step of the target part.
class PageInsert
{
public:
    static void insert(PageDocument &target, QTextCursor &at, const PageDocument &source);
};
