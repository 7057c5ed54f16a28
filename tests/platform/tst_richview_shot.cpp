#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/RichView.h"
#include "support/TestImages.h"

#include <QDir>
#include <QPainter>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using namespace TextProps;

namespace {
QByteArray samplePicture()
{
    QImage image(160, 100, QImage::Format_RGB32);
    image.fill(QColor(225, 238, 250));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(240, 170, 60));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(40, 32), 18, 18);
    painter.setBrush(QColor(70, 140, 80));
    painter.drawPolygon(QPolygonF({QPointF(0, 100), QPointF(70, 45), QPointF(120, 85), QPointF(160, 60),
                                   QPointF(160, 100)}));
    painter.end();
    return TestImages::encode(image);
}

// A heading, body text, a bordered table, a picture and a tag field, with a header and a footer.
void fillSample(PageDocument &page, RichTextEdit &edit)
{
    QTextCursor(page.ensurePart(HeaderAll)).insertText(QStringLiteral("Fenwar サンプル文書"));
    QTextCursor(page.ensurePart(FooterAll)).insertText(QStringLiteral("― フッター ―"));
    edit.setText(QStringLiteral("春の園芸ガイド"));
    edit.select(0, -1);
    edit.setFontSize(20);
    edit.setBold(true);
    edit.setForeColor(0x804000); // dark blue
    edit.setSelStart(edit.textLength());
    edit.setSelectedText(QStringLiteral("\n"));
    edit.setBold(false);
    edit.setFontSize(10.5);
    edit.setForeColor(0);
    edit.setSelectedText(QStringLiteral("暖かくなってきたら、花壇の準備を始めましょう。土を耕し、"
                                        "堆肥を混ぜておくと苗がよく育ちます。The quick brown fox jumps "
                                        "over the lazy dog.\n"));
    const int table = edit.insertTable(3, 3);
    const QStringList cells{QStringLiteral("品種"), QStringLiteral("植え付け"), QStringLiteral("開花"),
                            QStringLiteral("チューリップ"), QStringLiteral("10月"), QStringLiteral("4月"),
                            QStringLiteral("ひまわり"), QStringLiteral("5月"), QStringLiteral("8月")};
    for (int i = 0; i < cells.size(); ++i)
        edit.setCellText(table, i / 3 + 1, i % 3 + 1, cells.at(i));
    edit.setSelStart(edit.textLength());
    edit.setSelectedText(QStringLiteral("\n写真: "));
    edit.insertPicture(samplePicture());
    edit.setSelectedText(QStringLiteral("\n詳しくは "));
    edit.insertField(QStringLiteral("育て方のページ"));
    edit.setFieldType(1);
    edit.setFieldData(QStringLiteral("TG_12"));
    const int field = edit.currentField();
    const int start = edit.fieldStart() - 1;
    edit.select(start, edit.fieldEnd() - start);
    edit.setForeColor(0x808000); // the tag colour
    edit.setUnderline(true);
    edit.setSelStart(edit.textLength());
    edit.setForeColor(0);
    edit.setUnderline(false);
    edit.setSelectedText(QStringLiteral(" を見てください。"));
    QVERIFY(edit.setCurrentField(field));
}
} // namespace

class TestRichViewShot : public QObject
{
    Q_OBJECT
private slots:
    void samplePageInPageView()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        PageSetup setup = page.pageSetup();
        setup.width = 11906;   // A4
        setup.height = 16838;
        setup.marginLeft = setup.marginRight = 1134;
        setup.marginTop = setup.marginBottom = 1134;
        page.setPageSetup(setup);
        fillSample(page, edit);
        RichView view(&edit);
        view.setViewMode(2);
        view.resize(1300, 1500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QString folder = QStringLiteral(FENWAR_BINARY_DIR "/shots");
        QVERIFY(QDir().mkpath(folder));
        QList<QSize> sheets;
        for (int zoom : {100, 150}) {
            view.setZoom(zoom);
            view.setGridLines(true);
            view.refresh();
            view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->minimum());
            view.verticalScrollBar()->setValue(view.verticalScrollBar()->minimum());
            const QImage shot = view.grab().toImage();
            QVERIFY(!shot.isNull());
            QVERIFY(shot.save(folder + QStringLiteral("/richview_page_%1.png").arg(zoom)));
            sheets << view.mapFromScene(view.pageGeometry().pageRect(0)).boundingRect().size();
        }
        QVERIFY(qAbs(sheets.at(1).width() - sheets.at(0).width() * 1.5) <= 2);
        // Normal view with the control characters, for the record.
        view.setViewMode(0);
        view.setZoom(100);
        view.setControlChars(true);
        view.resize(900, 500);
        view.refresh();
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->minimum());
        QVERIFY(view.grab().toImage().save(folder + QStringLiteral("/richview_normal_marks.png")));
    }
};

QTEST_MAIN(TestRichViewShot)
#include "tst_richview_shot.moc"
