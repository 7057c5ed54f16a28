#include "platform/desktop/QtLanguage.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>

// Qt's standard buttons speak the language of the rest of the interface.
class TestQtLanguage : public QObject
{
    Q_OBJECT
private slots:
    void standardButtonsAreJapanese()
    {
        QVERIFY(QtLanguage::install(*QCoreApplication::instance()));
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    }
};

QTEST_MAIN(TestQtLanguage)
#include "tst_qtlanguage.moc"
