#include "support/FormatRuns.h"

#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"
#include "support/TestImages.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

using namespace TextProps;

namespace FormatRuns {

static QString describeFormat(const QTextCharFormat &f)
{
    const QStringList families = f.fontFamilies().toStringList();
    QString flags;
    flags += f.fontWeight() >= QFont::DemiBold ? QLatin1Char('b') : QLatin1Char('-');
    flags += f.fontItalic() ? QLatin1Char('i') : QLatin1Char('-');
    flags += f.fontUnderline() ? QLatin1Char('u') : QLatin1Char('-');
    flags += f.fontStrikeOut() ? QLatin1Char('s') : QLatin1Char('-');
    const QString colour = f.foreground().style() != Qt::NoBrush ? f.foreground().color().name() : QString();
    const QString back = f.background().style() != Qt::NoBrush ? f.background().color().name() : QString();
    const QString size = f.hasProperty(QTextFormat::FontPointSize) ? QString::number(f.fontPointSize()) : QString();
    QString link;
    if (f.intProperty(FieldId) > 0 && f.intProperty(FieldType) == 1)
        link = QStringLiteral("|link ") + f.stringProperty(FieldData);
    return flags + QLatin1Char('|') + colour + QLatin1Char('|') + size + QLatin1Char('|')
        + families.value(0) + QLatin1Char('|') + back + link;
}

QStringList describe(const QTextDocument *doc)
{
    QStringList out;
    QString lastFormat;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat bf = block.blockFormat();
        QString head = QStringLiteral("¶");
        if (bf.hasProperty(BlockStyle))
            head += QString::number(bf.intProperty(BlockStyle));
        if (bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            head += QStringLiteral("^");
        out << head;
        lastFormat.clear();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            const QTextCharFormat f = fr.charFormat();
            if (f.isImageFormat()) {
                const QTextImageFormat image = f.toImageFormat();
                out << QStringLiteral("[picture %1x%2]").arg(qRound(image.width())).arg(qRound(image.height()));
                lastFormat.clear();
                continue;
            }
            QString text = fr.text();
            text.remove(QChar(0xFDD0)).remove(QChar(0xFDD1));
            if (text.isEmpty())
                continue;
            const QString format = describeFormat(f);
            if (format == lastFormat && !out.isEmpty())
                out.last().insert(out.last().indexOf(QLatin1Char('|')), text);
            else
                out << text + QLatin1Char('|') + format;
            lastFormat = format;
        }
    }
    return out;
}

void fillFileConstructs(PageDocument &page)
{
    page.setPageSetup({.width = 16838, .height = 11906, .marginLeft = 1000, .marginTop = 1200, .marginRight = 800,
                       .marginBottom = 700, .landscape = true});
    QTextCursor c(page.main());
    QTextBlockFormat heading;
    heading.setProperty(BlockStyle, 0);
    c.setBlockFormat(heading);
    QTextCharFormat big;
    big.setFontWeight(QFont::Bold);
    big.setFontPointSize(16);
    big.setFontFamilies({QStringLiteral("Noto Sans CJK JP")});
    c.insertText(QStringLiteral("見出し \"一\""), big);

    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextCharFormat plain;
    plain.setFontPointSize(10.5);
    c.insertText(QStringLiteral("本文 {\\rtf} <x> & ?"), plain);
    QTextCharFormat styled = plain;
    styled.setFontItalic(true);
    styled.setFontUnderline(true);
    styled.setForeground(QColor(0x12, 0x34, 0x56));
    c.insertText(QStringLiteral(" italic"), styled);
    styled.setFontItalic(false);
    styled.setFontUnderline(false);
    styled.setFontStrikeOut(true);
    styled.setBackground(QColor(255, 255, 0));
    c.insertText(QStringLiteral(" struck"), styled);
    c.insertText(QString(QChar::LineSeparator) + QStringLiteral("second line\tafter tab"), plain);
    QTextCharFormat link = plain;
    link.setProperty(FieldId, page.newFieldId());
    link.setProperty(FieldType, 1);
    link.setProperty(FieldData, QStringLiteral("https://example.com/a?b=1&c='2'"));
    c.insertText(QStringLiteral(" a link"), link);

    QTextBlockFormat second;
    second.setProperty(BlockStyle, 1);
    second.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    c.insertBlock(second, QTextCharFormat());
    QTextCharFormat h2;
    h2.setFontWeight(QFont::Bold);
    h2.setFontPointSize(14);
    c.insertText(QStringLiteral("Second heading"), h2);

    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    c.insertText(QStringLiteral("before the table"), plain);
    QTextTableFormat tf;
    tf.setProperty(ObjectId, page.newObjectId());
    QTextTable *table = c.insertTable(3, 3, tf);
    table->mergeCells(0, 0, 2, 2);
    table->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("merged"), plain);
    table->cellAt(0, 2).firstCursorPosition().insertText(QStringLiteral("C1"), plain);
    table->cellAt(2, 1).firstCursorPosition().insertText(QStringLiteral("B3"), styled);
    QTextCursor nested = table->cellAt(2, 2).firstCursorPosition();
    nested.insertText(QStringLiteral("outer"), plain);
    QTextTableFormat inner;
    inner.setProperty(ObjectId, page.newObjectId());
    nested.insertTable(1, 2, inner)->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("inner"), plain);

    c = table->lastCursorPosition();
    c.movePosition(QTextCursor::NextBlock);
    c.insertText(QStringLiteral("pictures: "), plain);
    for (const char *format : {"PNG", "JPEG"}) {
        QTextImageFormat picture;
        picture.setName(page.addPicture(TestImages::bytes(format, Qt::red, 16, 8)));
        picture.setWidth(32);
        picture.setHeight(16);
        picture.setProperty(ObjectId, page.newObjectId());
        PageDocument::insertPicture(c, picture);
    }
    c.insertText(QStringLiteral(" end"), plain);

    QTextCursor(page.ensurePart(HeaderAll)).insertText(QStringLiteral("Header text"), plain);
    QTextCursor(page.ensurePart(FooterAll)).insertText(QStringLiteral("Footer text"), plain);
}

} // namespace FormatRuns
