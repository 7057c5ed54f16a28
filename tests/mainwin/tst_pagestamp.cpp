#include "mainwin/PageStamp.h"

#include <QtTest>

// The stamp a window keeps of its page tells a save whether somebody else
// changed the page meanwhile: only the stored title, text and document count.
class TestPageStamp : public QObject
{
    Q_OBJECT
private slots:
    void sameContent_data()
    {
        QTest::addColumn<QVariantList>("taken");
        QTest::addColumn<QVariantList>("found");
        QTest::addColumn<bool>("same");
        const QVariantList page{QStringLiteral("題"), QStringLiteral("本文"), QByteArray("\x00\x01pic", 5)};
        QTest::newRow("identical") << page << page << true;
        QTest::newRow("null equals empty")
            << QVariantList{QVariant(QMetaType::fromType<QString>()), QVariant(QMetaType::fromType<QString>()),
                            QVariant(QMetaType::fromType<QByteArray>())}
            << QVariantList{QString(""), QString(""), QByteArray("")} << true;
        QTest::newRow("title") << page << QVariantList{QStringLiteral("題2"), page[1], page[2]} << false;
        QTest::newRow("text") << page << QVariantList{page[0], QStringLiteral("本文?'"), page[2]} << false;
        QTest::newRow("document byte") << page << QVariantList{page[0], page[1], QByteArray("\x00\x02pic", 5)} << false;
        // Parts moved between fields are a different page.
        QTest::newRow("text moved into title")
            << QVariantList{QStringLiteral("ab"), QString(), page[2]} << QVariantList{QStringLiteral("a"), QStringLiteral("b"), page[2]}
            << false;
    }
    void sameContent()
    {
        QFETCH(QVariantList, taken);
        QFETCH(QVariantList, found);
        QFETCH(bool, same);
        const PageStamp a(taken[0], taken[1], taken[2], true);
        // Placement is not content: a page moved in the tree is still the same page.
        const PageStamp b(found[0], found[1], found[2], false);
        QCOMPARE(a.sameContent(b), same);
        QCOMPARE(b.sameContent(a), same);
    }
    void newPageDiffersFromAStoredEmptyOne()
    {
        const PageStamp stored(QString(), QString(), QByteArray(), false);
        QVERIFY(!PageStamp().sameContent(stored));
        QVERIFY(PageStamp().sameContent(PageStamp()));
    }
};

QTEST_MAIN(TestPageStamp)
#include "tst_pagestamp.moc"
