#include "support/SamplePage.h"

#include "platform/richtext/ByteWriter.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "support/TestImages.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>

using namespace TextProps;

namespace SamplePage {

static void insertField(PageDocument &page, QTextCursor &cursor, const QString &text, int type,
                        const QString &data)
{
    QTextCharFormat format = cursor.charFormat();
    format.setProperty(FieldId, page.newFieldId());
    format.setProperty(FieldType, type);
    format.setProperty(FieldData, data);
    format.setProperty(FieldAttrs, 149);
    format.setForeground(QColor(0x80, 0x80, 0xFF));
    cursor.insertText(text, format);
    cursor.setCharFormat(QTextCharFormat());
}

static void fillMain(PageDocument &page, QTextCursor &cursor)
{
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setFontFamilies({QStringLiteral("Noto Sans CJK JP")});
    bold.setFontPointSize(14);
    cursor.insertText(QStringLiteral("見出し"), bold);
    QTextCharFormat plain;
    plain.setFontPointSize(10.5);
    plain.setBackground(QColor(255, 255, 0));
    cursor.insertText(QStringLiteral(" 本文 \"引用\" ?"), plain);
    cursor.insertText(QString(QChar::LineSeparator) + QStringLiteral("second line\tx"), plain);

    QTextBlockFormat para;
    para.setLeftMargin(40);
    para.setTopMargin(5);
    para.setAlignment(Qt::AlignHCenter);
    para.setLineHeight(20, QTextBlockFormat::FixedHeight);
    para.setTabPositions({QTextOption::Tab(96, QTextOption::LeftTab)});
    para.setProperty(BlockFrameStyle, 7936);
    para.setProperty(BlockStyle, 2);
    cursor.insertBlock(para);
    insertField(page, cursor, QStringLiteral("TG_12"), 1, QStringLiteral("TG_12_34"));
    cursor.insertText(QStringLiteral(" "));
    insertField(page, cursor, QStringLiteral("it's \"a\" tip?"), 2, QStringLiteral("TP_'?'"));
    insertField(page, cursor, QStringLiteral("adjacent"), 2, QStringLiteral("@"));

    QTextBlockFormat pageBreak;
    pageBreak.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    cursor.insertBlock(pageBreak);
    cursor.insertText(QStringLiteral("after the page break"));
    cursor.insertBlock(QTextBlockFormat());
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    bullets.setIndent(1);
    QTextList *list = cursor.createList(bullets);
    cursor.insertText(QStringLiteral("item one"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("item two"));
    list->add(cursor.block());

    QTextTableFormat tableFormat;
    tableFormat.setProperty(ObjectId, page.newObjectId());
    tableFormat.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 120),
                                           QTextLength(QTextLength::PercentageLength, 30),
                                           QTextLength(QTextLength::VariableLength, 0)});
    tableFormat.setBorder(1);
    tableFormat.setCellPadding(2);
    cursor.insertBlock(QTextBlockFormat());
    QTextTable *table = cursor.insertTable(3, 3, tableFormat);
    table->mergeCells(0, 0, 2, 2);
    QTextTableCellFormat cellFormat;
    cellFormat.setBackground(QColor(0xFE, 0xFE, 0xFA));
    cellFormat.setTopPadding(4);
    cellFormat.setProperty(CellAttr, QVariantMap{{QStringLiteral("3"), 1}, {QStringLiteral("7"), QStringLiteral("x")}});
    table->cellAt(0, 0).setFormat(cellFormat);
    QTextCursor cell = table->cellAt(0, 0).firstCursorPosition();
    cell.insertText(QStringLiteral("merged"));
    cell.insertBlock();
    insertField(page, cell, QStringLiteral("in cell"), 1, QStringLiteral("TG_7"));
    table->cellAt(2, 1).firstCursorPosition().insertText(QStringLiteral("B3"));
    QTextCursor nested = table->cellAt(2, 2).firstCursorPosition();
    nested.insertText(QStringLiteral("outer"));
    QTextTableFormat nestedFormat;
    nestedFormat.setProperty(ObjectId, page.newObjectId());
    QTextTable *inner = nested.insertTable(1, 2, nestedFormat);
    inner->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("inner"));

    cursor = table->lastCursorPosition();
    cursor.movePosition(QTextCursor::NextBlock);
    cursor.insertText(QStringLiteral("pictures: "));
    QTextImageFormat inlinePicture;
    inlinePicture.setName(page.addPicture(TestImages::bytes("PNG", Qt::red, 4, 4)));
    inlinePicture.setWidth(4);
    inlinePicture.setHeight(4);
    inlinePicture.setProperty(ObjectId, page.newObjectId());
    inlinePicture.setProperty(PictureScale, 100);
    inlinePicture.setProperty(PictureFile, QStringLiteral("/tmp/red.png"));
    inlinePicture.setProperty(PictureStored, true);
    PageDocument::insertPicture(cursor, inlinePicture);
    QTextImageFormat floating = inlinePicture;
    floating.setName(page.addPicture(TestImages::bytes("PNG", Qt::blue)));
    floating.setProperty(ObjectId, page.newObjectId());
    floating.setProperty(PictureLayout, 2);
    PageDocument::insertPicture(cursor, floating);
    QTextImageFormat again = inlinePicture; // the same picture once more
    again.setProperty(ObjectId, page.newObjectId());
    PageDocument::insertPicture(cursor, again);

    cursor.insertText(QStringLiteral(" frame: "), QTextCharFormat());
    insertTextFrame(page, cursor, QStringLiteral("[Iframe:1]") + QChar(QChar::LineSeparator)
                                      + QStringLiteral("https://example.com/?a='b'"), 0xFAFEFE);
    cursor.insertText(QStringLiteral(" end"), QTextCharFormat());
}

QString pastedLines(int lines)
{
    QStringList list;
    for (int i = 0; i < lines; ++i)
        list << QStringLiteral("行 %1 of a pasted text file, 0123456789").arg(i);
    return list.join(QChar(11));
}

// Marks the blocks with a property the writer keeps, then gives it the held line's number in the bytes.
QByteArray markedLineStream(int variant)
{
    constexpr int Stand = QTextFormat::UserProperty + 56; // no property of the page model
    static_assert(Stand != LineBreakBlock);
    PageDocument page;
    QTextDocument *doc = page.main();
    QTextCursor cursor(doc);
    auto mark = [](const QTextBlock &block) {
        QTextBlockFormat format = block.blockFormat();
        format.setProperty(Stand, true);
        QTextCursor(block).setBlockFormat(format);
    };
    switch (variant) {
    case 1:
        fillEveryConstruct(page);
        break;
    case 2: {
        QTextListFormat list;
        list.setStyle(QTextListFormat::ListDecimal);
        cursor.insertText(QStringLiteral("before"));
        cursor.insertBlock();
        cursor.createList(list);
        cursor.insertText(QStringLiteral("one"));
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("two"));
        break;
    }
    case 3:
        cursor.insertText(QStringLiteral("short"));
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("line 1") + QChar(QChar::LineSeparator) + QStringLiteral("line 2"));
        break;
    case 4:
        doc = page.ensurePart(HeaderAll);
        cursor = QTextCursor(doc);
        [[fallthrough]];
    default:
        cursor.insertText(QStringLiteral("first"));
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("second"));
        break;
    }
    for (QTextBlock block = doc->begin().next(); block.isValid(); block = block.next())
        mark(block);
    auto number = [](int property) {
        ByteWriter out;
        out.varUInt(quint64(property));
        return out.take();
    };
    return PageCodec::save(page).replace(number(Stand), number(LineBreakBlock));
}

void insertTextFrame(PageDocument &page, QTextCursor &cursor, const QString &text, int background)
{
    QTextDocument *frameText = page.createFrameDocument();
    QTextCursor(frameText).insertText(text);
    QTextCharFormat anchor;
    anchor.setObjectType(TextFrameObject);
    anchor.setProperty(ObjectId, page.frameIdOf(frameText));
    anchor.setProperty(FrameWidth, 2000);
    anchor.setProperty(FrameHeight, 1000);
    anchor.setProperty(FrameBackground, background);
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), anchor);
}

void fillEveryConstruct(PageDocument &page)
{
    PageSetup setup;
    setup.width = 11906;
    setup.height = 16838;
    setup.marginLeft = 1134;
    setup.marginTop = 1418;
    setup.marginRight = 1000;
    setup.marginBottom = 900;
    page.setPageSetup(setup);
    QTextCursor cursor(page.main());
    fillMain(page, cursor);
    QTextCursor header(page.ensurePart(HeaderAll));
    header.insertText(QStringLiteral("Header"));
    insertField(page, header, QStringLiteral("page title"), 2, QStringLiteral("@"));
    QTextCursor footer(page.ensurePart(FooterFirst));
    footer.insertText(QStringLiteral("Footer"));
}

QList<int> fieldIds(const QTextDocument *doc)
{
    QList<int> ids;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const int id = it.fragment().charFormat().intProperty(FieldId);
            if (id > 0 && (ids.isEmpty() || ids.last() != id))
                ids.append(id);
        }
    }
    return ids;
}

QTextTable *firstTable(QTextDocument *doc)
{
    for (auto it = doc->rootFrame()->begin(); !it.atEnd(); ++it) {
        if (auto *table = qobject_cast<QTextTable *>(it.currentFrame()))
            return table;
    }
    return nullptr;
}

static int nestingBelow(QTextFrame *frame)
{
    int deepest = 0;
    for (QTextFrame *child : frame->childFrames())
        deepest = qMax(deepest, nestingBelow(child) + (qobject_cast<QTextTable *>(child) ? 1 : 0));
    return deepest;
}

QString paragraphText(const QTextDocument *doc)
{
    QStringList texts;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (!b.text().isEmpty())
            texts << b.text();
    }
    return texts.join(QLatin1Char('\n'));
}

int nestingOf(const QTextDocument *doc)
{
    return nestingBelow(doc->rootFrame());
}

QTextCharFormat formatOfObject(const QTextDocument *doc, int objectId)
{
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().intProperty(ObjectId) == objectId)
                return it.fragment().charFormat();
        }
    }
    return QTextCharFormat();
}

QByteArray streamWithPicture(const QByteArray &picture, const QByteArray &format)
{
    PageDocument page(PageDocument::WithoutLayout);
    RichTextEdit edit(&page);
    // A stand-in of the picture's length (a PBM reader reads nothing after the picture's end),
    // replaced in the stored bytes with the picture.
    QByteArray standIn("P4\n1 1\n\x80", 8);
    if (picture.size() < standIn.size() || format.size() != 3)
        return {};
    standIn.append(QByteArray(picture.size() - standIn.size(), '\0'));
    if (edit.insertPicture(standIn) == 0)
        return {};
    QByteArray bytes = PageCodec::save(page);
    const qsizetype at = bytes.indexOf(standIn);
    const qsizetype named = bytes.lastIndexOf("\x03pbm", at);
    if (at < 0 || named < 0)
        return {};
    bytes.replace(at, standIn.size(), picture);
    bytes.replace(named + 1, 3, format);
    return bytes;
}

} // namespace SamplePage
