#pragma once

#include <QString>
#include <QStringList>

// The EPUB 2 book of the open database. This part writes the package files of
// the work folder: "mimetype", META-INF/container.xml, OEBPS/content.opf and
// OEBPS/toc.ncx. The page files and their pictures come from the converter's
// page saving.
//
// Every inserted value (titles, identifier, names) is escaped for XML, so that
// "&", "<" and quotes in a title reach the reader as typed.
class yEpub
{
public:
    QString workFolder; // no trailing "/"
    QString title;
    QString identifier;
    QString creator;   // empty = no creator element
    QString rights;    // empty = no rights element
    QString publisher; // empty = no publisher element
    QString fileList;  // page file names in reading order, each followed by ","

    // "mimetype" (the 20 bytes, nothing else) and META-INF/container.xml.
    bool WriteRootFiles();
    bool WriteOpf();
    // `navigation` is built from NavOpen/NavClose; `depth` the deepest level.
    bool WriteNcx(const QString &navigation, int depth);

    // The pieces of one navigation point at `level` (0 = outermost) with the
    // running number `k`; its children go between the two.
    static QString NavOpen(int level, int k, const QString &label, const QString &fileName);
    static QString NavClose(int level);
    // "7" -> "007.xhtml"; three or more digits stay as they are.
    static QString PageFileName(const QString &pageNo);
    // The reader's identifier of the book in the navigation file.
    static QString NcxUid(const QString &identifier);

private:
    bool writeUtf(const QString &relative, const QString &text) const;
};
