#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "editor/uTxm.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "support/StubEditorServices.h"
#include "support/TestHome.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

// The editor control as a user sees it: bands, title box, status panel and a sample page, grabbed
// into the build folder for a look.
class TestUTxmScreen : public QObject
{
    Q_OBJECT

private slots:
    void grabSamplePage()
    {
        TestHome home;
        Usr::st().runTime = true;
        for (int i = 0; i < 8; ++i)
            Frmt::st().usrFmt[i] = Frmt::DefaultFmt(i);
        QVERIFY(yIni::instance().GetTxt(home.path() + QStringLiteral("/User.xml")));
        StubEditorServices services;
        uTxm editor(nullptr, &services);
        editor.resize(900, 560);
        editor.cOn(0, 2);
        editor.rtAct(27, 5);
        bool ok = false;
        editor.SetData(StubEditorServices::page(QStringLiteral(
                           "ようこそ\n作り方\n材料をそろえてから始めます。詳しくは次のページを見てください。\n"
                           "手順\n一つずつ進めます。")),
                       ok, true);
        QVERIFY(ok);
        RichTextEdit &edit = editor.edit();
        edit.setSelStart(0);
        editor.rtAct(60, 0);
        edit.setSelStart(6);
        editor.rtAct(60, 1);
        edit.select(9, 30);
        editor.rtAct(60, 3);
        const int tag = edit.text().indexOf(QStringLiteral("次のページ"));
        edit.select(tag, 5);
        const int id = edit.insertField(QStringLiteral("次のページ"));
        edit.setCurrentField(id);
        edit.setFieldType(2);
        edit.setFieldData(QStringLiteral("TG_12"));
        edit.select(tag, 5);
        editor.txStyle(7, QVariant(), true);
        edit.setSelStart(2);
        editor.setTitle(QStringLiteral("ようこそ - サンプルのページ"));
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.rtAct(88);
        QCoreApplication::processEvents();
        QCOMPARE(editor.statusPanel()->text(), QStringLiteral("見出１(頁見出)"));
        QVERIFY(editor.titleBox()->isVisible());

        const QImage image = editor.grab().toImage();
        const QString file = QStringLiteral(FENWAR_BINARY_DIR "/editor-screenshot.png");
        QVERIFY(image.save(file));
        QVERIFY(image.width() >= 900 && image.height() >= 560);
        editor.cOff();
        yIni::release();
    }
};

QTEST_MAIN(TestUTxmScreen)
#include "tst_utxmscreen.moc"
