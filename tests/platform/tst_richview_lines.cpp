// Enter in the editing view begins a paragraph wherever the caret is.
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"

#include <QtTest>

class TestRichViewLines : public QObject
{
    Q_OBJECT
private slots:
    // Enter on an empty paragraph begins another one, in the same format; Qt's own Enter would only
    // reset the empty paragraph to Qt's default format the first time.
    void enterOnAnEmptyParagraph()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        RichView view(&edit);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        edit.setText(QStringLiteral("first\n\nlast"));
        edit.select(6, 0);
        edit.setAlignment(2);
        edit.setSpaceAfter(120);
        view.showModelCaret();
        view.setFocus();
        QTest::keyClick(view.viewport(), Qt::Key_Return);
        QCOMPARE(edit.text(), QStringLiteral("first\n\n\nlast"));
        QCOMPARE(edit.selStart(), 7);
        for (int at : {6, 7}) {
            edit.select(at, 0);
            QCOMPARE(edit.alignment(), 2);
            QCOMPARE(edit.spaceAfter(), 120);
        }
    }
};

QTEST_MAIN(TestRichViewLines)
#include "tst_richview_lines.moc"
