#pragma once

#include <QString>

class PageDocument;

// Document files of other programs by their format codes: reading a file into a page and writing a page
// to a file. The formats: 1 plain text (system code page), 4 HTML, 5 RTF, 9 Word 97-2003, 12 PDF
// (written only), 13 Word. The Word 97-2003 binary format is no format of ours: such names get a Word
// document (.docx content), and reading a binary Word 97 file fails with Binary97.
class DocumentFile
{
public:
    enum Format { None = 0, Text = 1, Html = 4, Rtf = 5, Word97 = 9, Pdf = 12, Word = 13 };
    enum Result { Ok, Failed, Binary97 };

    // The format of a file name's extension (any letter case; "html" is HTML); None for others.
    static Format formatOf(const QString &path);
    // Replaces the page with the file's content; the page is unchanged unless Ok. `problem` gets the
    // reason of a failure where there is one to tell the user; `note`, after a read that went well,
    // what the page holds otherwise than the file (listNestingNote, elementNestingNote, the pictures of
    // any file left out: PictureDoor::note), else it is emptied.
    static Result read(PageDocument &page, const QString &path, Format format, QString *problem = nullptr,
                       QString *note = nullptr);
    // Why a file named as a Word or RTF document was refused that is neither.
    static QString unknownContentProblem();
    // Why a Word document with a password (an encrypted package) was refused.
    static QString protectedProblem();
    // Lists of an HTML file nested deeper than the page takes were cut (HtmlImport::ListNestingLimit).
    static QString listNestingNote();
    // Elements of an HTML file nested deeper than Qt's import takes in time lost their formats.
    static QString elementNestingNote();
    // What reading the file costs beyond the size of its text, in characters laid out
    // (PageCodec::layoutWeight), from a quick look at it: the nesting of an HTML file's tags and its
    // list items, and the pixels of the pictures of a Word, RTF or HTML file. Counted only until it is
    // over `limit`.
    static qint64 readWeight(const QString &path, Format format, qint64 limit);
    // The page's plain text as the file holds it (text files: as they are), line ends as line feeds;
    // `problem` as read() gives it.
    static bool readText(const QString &path, Format format, QString &text, QString *problem = nullptr);
    // Written whole or not at all.
    static bool write(const PageDocument &page, const QString &path, Format format, const QString &title = QString());
    // The page's plain text with CR LF line ends, as a text file holds it; list items with their
    // bullets or numbers.
    static QString plainText(const PageDocument &page);
};
