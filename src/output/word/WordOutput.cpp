#include "output/word/WordOutput.h"

#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "output/word/OutputRange.h"
#include "platform/docx/DocxNames.h"
#include "platform/docx/DocxWriter.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"

#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <vector>

namespace {

// Deletes every picture character of the page's texts (main text, headers and footers, frames).
void removePictures(PageDocument &page)
{
    for (QTextDocument *doc : page.documents()) {
        for (QTextBlock block = doc->lastBlock(); block.isValid(); block = block.previous()) {
            const auto fragments = block.textFormats();
            for (auto it = fragments.crbegin(); it != fragments.crend(); ++it) {
                if (!it->format.isImageFormat())
                    continue;
                // The picture is its object character; text in its format stays.
                const QString text = block.text();
                for (int i = it->start + it->length - 1; i >= it->start; --i) {
                    if (text.at(i) != QChar::ObjectReplacementCharacter)
                        continue;
                    QTextCursor cursor(doc);
                    cursor.setPosition(block.position() + i);
                    cursor.setPosition(block.position() + i + 1, QTextCursor::KeepAnchor);
                    cursor.removeSelectedText();
                }
            }
        }
    }
}

// The section's header: the heading text alone; the first one right-aligned in 9 points.
void setHeader(PageDocument &page, const QString &text, bool first)
{
    page.setPartFlags(TextProps::HeaderAll);
    QTextDocument *header = page.part(TextProps::HeaderAll);
    header->clear();
    QTextCursor cursor(header);
    QTextBlockFormat block;
    QTextCharFormat chars;
    if (first) {
        block.setAlignment(Qt::AlignRight);
        chars.setFontPointSize(9);
    }
    cursor.setBlockFormat(block);
    cursor.setBlockCharFormat(chars);
    cursor.insertText(text, chars);
}

// A page stored without a document: its plain text, as the editor opens it.
bool loadPage(PageDocument &page, const QVariant &document, const QString &text)
{
    const QByteArray bytes = document.toByteArray();
    if (!document.isNull() && !bytes.isEmpty())
        return PageCodec::load(page, bytes);
    RichTextEdit edit(&page);
    edit.setText(text);
    return true;
}

// The page's fields as the output shows them: tags into the range go to the
// bookmarks of their pages, others to the published site or plain text;
// frames that only a web page can show go.
void convertLinks(PageDocument &page, qint64 child, bool childLinks)
{
    RichTextEdit edit(&page);
    uTxm::txCnvLnk(edit, true);
    if (childLinks)
        uTxm::txAddLnk(edit, int(child));
}

QString bookmarkOf(int fieldType, const QString &data)
{
    if (fieldType == 2 && data.left(3).compare(QLatin1String("TG_"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("#TG_") + data.mid(3);
    return fieldType == 1 && DocxNames::isAddress(data) ? data : QString();
}

} // namespace

QString WordOutput::headingText(const QString &title, int index, const QString &number)
{
    if (title.isEmpty())
        return {};
    if (index == 0)
        return title;
    return OutputRange::fullWidth(number) + u' ' + title;
}

int WordOutput::headingLevel(int index, const QString &number)
{
    if (index == 0)
        return 1;
    return number.contains(u'-') ? 3 : 2;
}

bool WordOutput::write(int mode, const QString &keys, const QString &numbers, const QString &path, QString &error,
                       bool childLinks)
{
    const QStringList keyList = keys.split(u',', Qt::SkipEmptyParts);
    const QStringList numberList = OutputRange::numbersForKeys(keyList, numbers.split(u',', Qt::SkipEmptyParts));
    const QHash<QString, QString> titles = OutputRange::readTitles();
    const QHash<qint64, QVariantList> rows = OutputRange::readPages(keyList, QStringLiteral("obDoc, txDoc"));
    DocxWriter writer;
    writer.setPageNumberFooter(9);
    writer.setLinkResolver(bookmarkOf);
    if (mode == Outline) {
        // The contents on a page of their own before the first page.
        writer.addTableOfContents();
        writer.addPageBreak();
    }
    // The writer reads each page when it is added; pages are kept until the package is made.
    std::vector<std::unique_ptr<PageDocument>> pages;
    QSet<QString> bookmarks;
    int sections = 0;
    bool pending = false;   // a page was written and waits for its break
    for (int i = 0; i < keyList.size(); ++i) {
        QString parent, child;
        if (!OutputRange::splitKey(keyList[i], parent, child))
            continue;
        const QString title = titles.value(parent + u'-' + child);
        const QString heading = headingText(title, i, numberList.value(i));
        if (mode == Outline) {
            if (pending)
                writer.addPageBreak();
            pending = false;
            writer.addHeading(heading.isEmpty() ? 0 : headingLevel(i, numberList.value(i)), heading);
        }
        const auto found = rows.constFind(child.toLongLong());
        if (found == rows.cend())
            continue;
        const QVariantList &row = *found;
        auto page = std::make_unique<PageDocument>(PageDocument::WithoutLayout);
        if (!loadPage(*page, row.value(0), row.value(1).toString())) {
            error = QStringLiteral("ﾍﾟｰｼﾞ %1 を読めません｡").arg(child);
            return false;
        }
        convertLinks(*page, child.toLongLong(), childLinks && i > 0);
        if (mode == NoPictures)
            removePictures(*page);
        DocxWriter::PageOptions options;
        // A page placed twice keeps its bookmark at its first place.
        const QString bookmark = QStringLiteral("TG_") + child;
        if (!bookmarks.contains(bookmark)) {
            bookmarks.insert(bookmark);
            options.bookmark = bookmark;
        }
        if (mode == Outline) {
            page->setPartFlags(0);
            options.pageBreakBefore = false;
            options.headingShift = headingLevel(i, numberList.value(i));
        } else {
            setHeader(*page, heading, sections == 0);
            options.newSection = true;
            ++sections;
        }
        writer.addPage(*page, options);
        pages.push_back(std::move(page));
        pending = true;
    }
    if (!writer.save(path)) {
        error = QStringLiteral("ﾌｧｲﾙ: %1 を書けません｡").arg(path);
        return false;
    }
    return true;
}
