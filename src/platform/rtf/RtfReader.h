#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class PageDocument;

// Reads RTF into a page: what RtfWriter writes, and the same constructs as other programs write them
// (code-page text of the document or of a font's character set, Unicode escapes, style sheet headings,
// highlight colours, old and nested tables, pictures as hex or binary data, lists of the list table,
// footnotes as numbered markers with the notes after the body, embedded objects as their results, the
// pictures of shapes where they are anchored, fields as their results, EQ fields of furigana as the base
// text with its reading in full-width parentheses). Destinations it does not know are skipped; a field
// that shows nothing the reader knows and a shape without a picture are named. Damaged or hostile input (unbalanced or too deeply nested groups, tables beyond
// the limits, oversized pictures) is refused; a failed read leaves the page as it was.
class RtfReader
{
public:
    // `problem` gets the reason a read was refused where there is one to tell the user (a table too large).
    // `unreadPictures`, when given, gets the pictures left out (no picture the program reads, over the
    // bounds or past the read's budget: PictureDoor), each named by its place among the document's
    // pictures.
    // `unreadParts`, when given, gets the other parts left out: fields whose result shows nothing and
    // whose instruction the reader does not read (fieldName), shapes that hold no picture (shapeName).
    static bool read(PageDocument &page, const QByteArray &bytes, QString *problem = nullptr,
                     QStringList *unreadPictures = nullptr, QStringList *unreadParts = nullptr);
    static bool readFile(PageDocument &page, const QString &path);
    static constexpr qint64 FileLimit = 128 * 1024 * 1024;
    static constexpr int GroupLimit = 200;
    // Entries of the colour, font and style tables, as many as a word processor allows; the rest are
    // skipped (a file of nothing but separators would otherwise cost memory for each).
    static constexpr int TableEntryLimit = 32767;
    static constexpr qint64 PictureLimit = 32 * 1024 * 1024;

    // Reasons of a refusal: bytes that are no RTF; a file that ends before its last group does (cut short
    // within a word, an escape or binary data too); an escape \' without two hex digits, at its byte
    // (from 1); a picture over PictureLimit.
    static QString notRtfProblem();
    static QString cutShortProblem();
    static QString escapeProblem(qint64 byte);
    static QString pictureProblem();
    // A picture of the document named in the read's note, by its place among the pictures (from 1).
    static QString pictureName(int place);
    // A field of the document by its instruction; a shape by its place among the shapes (from 1).
    static QString fieldName(const QString &instruction);
    static QString shapeName(int place, bool textBox);
    // What a read tells of the parts it left out, each named.
    static QString partsNote(const QStringList &unreadParts);
};
