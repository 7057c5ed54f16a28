#pragma once

#include <QByteArray>
#include <QString>

class RichTextEdit;

// The tag fields of a page copied out of the database: a tag to a page of the
// output set (Frmt's outputSet) stays a tag, any other tag becomes a link
// under the home address or, without a published site, plain text. Also the
// line of links to a page's children that the copy adds when the children are
// left out.
class ExportLinks
{
public:
    // Converts the tags of the page in `edit`; returns the tag list of the
    // tags that stay (".1005.1010."). Links and tooltips are not touched.
    static QString convertTags(RichTextEdit &edit);
    // Appends a line of links to the visible children of `page`.
    static void addChildLinks(RichTextEdit &edit, qint64 page);
    // The tag list of the page in `edit`: the target page of every tag, once.
    static QString tagList(RichTextEdit &edit);
    // The published address of the tag target `key` ("12" or "3_12"), or "":
    // a target in the output set keeps its tag (a link-placement key becomes
    // its page), without a site the key is emptied too.
    static QString tagAddress(QString &key);
    // The file name of a page on the site: custom names first, else the page
    // number padded to three digits ("003_1024.htm" for a link placement).
    static QString fileName(const QString &parent, const QString &page, bool link);
    // False when the page bytes cannot hold a tag field; a cheap test before a
    // page is loaded only to look at its tags.
    static bool mayHoldTags(const QByteArray &bytes);

private:
    static void dropField(RichTextEdit &edit, int id);
};
