#pragma once

#include <QList>
#include <QTextListFormat>

class PageDocument;
class QTextCursor;

// Inserts the main text of one page into another at a cursor (loading bytes "at the selection",
// pasting): fields, pictures, text frames and tables get new ids in the target, pictures are copied
// into its store (identical bytes shared), frame texts are copied. Headers, footers and page setup of
// the source are not inserted. One undo step of the target part. Items of the source that carry
// TextProps::CopiedList (PageBuilder) join lists of the formats `copiedLists` gives, made in the target.
class PageInsert
{
public:
    static void insert(PageDocument &target, QTextCursor &at, const PageDocument &source,
                       const QList<QTextListFormat> &copiedLists = {});
};
