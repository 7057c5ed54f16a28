// RTF: page -> RTF -> page keeps text and formats; RTF as other programs write it reads; damaged and
// hostile input is refused without touching the page.
#include "platform/docx/FlowBuilder.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "support/ForeignFiles.h"
#include "support/FormatRuns.h"
#include "support/SamplePage.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

using namespace TextProps;

class TstRtf : public QObject
{
    Q_OBJECT
private slots:
    void roundTripKeepsTextAndFormats();
    void everyConstructReads();
    void listNumbersWithMarksOfTheirOwn();
    void readsForeignRtf();
    void unicodeFallbackEndsWithItsGroup();
    void picturesKeepTheirOwnGroupsOut_data();
    void picturesKeepTheirOwnGroupsOut();
    void refusesDamagedOrHostileInput_data();
    void refusesDamagedOrHostileInput();
    void codePagesOfTheFileAndItsFonts_data();
    void codePagesOfTheFileAndItsFonts();
    void tablesEndAtTheirLimit_data();
    void tablesEndAtTheirLimit();
    void associatedPropertiesFollowTheirCharacterSet_data();
    void associatedPropertiesFollowTheirCharacterSet();
};

void TstRtf::roundTripKeepsTextAndFormats()
{
    PageDocument page;
    FormatRuns::fillFileConstructs(page);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.rtf"));
    QVERIFY(RtfWriter::writePage(page, path));

    PageDocument back;
    QVERIFY(RtfReader::readFile(back, path));
    QCOMPARE(PositionText::text(back.main()), PositionText::text(page.main()));
    QCOMPARE(FormatRuns::describe(back.main()), FormatRuns::describe(page.main()));
    QCOMPARE(back.partFlags(), HeaderAll | FooterAll);
    QCOMPARE(back.part(HeaderAll)->toPlainText(), QStringLiteral("Header text"));
    QCOMPARE(back.part(FooterAll)->toPlainText(), QStringLiteral("Footer text"));
    QCOMPARE(back.pageSetup(), page.pageSetup());
    QCOMPARE(back.usedPictureNames().size(), 2);
    QCOMPARE(RtfWriter::pageBytes(back), RtfWriter::pageBytes(page));
}

void TstRtf::everyConstructReads()
{
    PageDocument page;
    SamplePage::fillEveryConstruct(page);
    PageDocument back;
    QVERIFY(RtfReader::read(back, RtfWriter::pageBytes(page)));
    const QString text = back.main()->toPlainText();
    for (const char *expected : {"見出し", "本文 \"引用\" ?", "TG_12", "after the page break", "merged", "B3",
                                 "inner", "[Iframe:1]", "https://example.com/?a='b'"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), qPrintable(expected + QStringLiteral(" in ") + text));
    QCOMPARE(back.part(FooterFirst)->toPlainText(), QStringLiteral("Footer"));
}

void TstRtf::listNumbersWithMarksOfTheirOwn()
{
    // Number marks as Qt's HTML import takes them from a page (-qt-list-number-prefix/suffix): RTF's
    // own characters among them end no group, and Japanese ones are no question marks.
    PageDocument page;
    QTextCursor c(page.main());
    c.insertText(QStringLiteral("one"));
    QTextListFormat numbers;
    numbers.setStyle(QTextListFormat::ListDecimal);
    numbers.setNumberPrefix(QStringLiteral("{\\b 第"));
    numbers.setNumberSuffix(QStringLiteral("項}}"));
    c.createList(numbers);
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    c.insertText(QStringLiteral("after"));
    const QByteArray rtf = RtfWriter::pageBytes(page);
    QVERIFY2(rtf.contains("\\{\\\\b \\u31532?1\\u-26619?\\}\\}"), rtf.constData());
    PageDocument back;
    QVERIFY(RtfReader::read(back, rtf));
    QCOMPARE(back.main()->toPlainText(), QStringLiteral("one\nafter"));
}

void TstRtf::readsForeignRtf()
{
    // As a word processor writes it: Shift_JIS bytes of a Japanese font, a Unicode escape with a
    // two-byte fallback, a style sheet heading, a highlight, an old-style table without row ends
    // written before, a field that is no link, and destinations we do not know.
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times;}{\\f1\\fnil\\fcharset128 "
        "\\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red255\\green255\\blue0;}"
        "{\\stylesheet{\\s0 Normal;}{\\s5\\b\\fs32 heading 2;}}"
        "{\\*\\generator Foreign 1.0;}{\\info{\\title secret}}"
        "\\pard\\s5\\b\\fs32 Title\\par\n"
        "\\pard\\plain{\\f1\\fs21 \\'93\\'fa\\'96\\'7b}{\\uc2\\u26085\\'93\\'fa}{\\highlight2 marked}"
        " {\\cf1\\i red} caf\\'e9\\par\n"
        "\\trowd\\cellx1000\\cellx2000\\pard\\intbl A\\cell B\\cell\\row\n"
        "\\trowd\\cellx2000\\pard\\intbl wide\\cell\\row\n"
        "\\pard{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}} end\\par}";
    PageDocument page;
    QVERIFY(RtfReader::read(page, rtf));
    QCOMPARE(PositionText::text(page.main()),
             QStringLiteral("Title\n日本日marked red café\aA\aB\awide\a7 end"));
    QTextTable *table = SamplePage::firstTable(page.main());
    QVERIFY(table);
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 2);
    QCOMPARE(table->cellAt(1, 0).columnSpan(), 2);
    const QStringList runs = FormatRuns::describe(page.main());
    QCOMPARE(runs.at(0), QStringLiteral("¶1"));
    QCOMPARE(runs.at(1), QStringLiteral("Title|b---||16||"));
    QCOMPARE(runs.at(3), QStringLiteral("日本|----||10.5|ＭＳ 明朝|"));
    QCOMPARE(runs.at(5), QStringLiteral("marked|----||||#ffff00"));
    QCOMPARE(runs.at(7), QStringLiteral("red|-i--|#ff0000|||"));
    QVERIFY(!page.main()->toPlainText().contains(QStringLiteral("secret")));

    // Double-byte text under a Latin font takes the family of the font associated with it (\dbch\af).
    PageDocument associated;
    QVERIFY(RtfReader::read(associated, ForeignFiles::rtfTextCases().first().bytes));
    QCOMPARE(FormatRuns::describe(associated.main()),
             (QStringList{QStringLiteral("¶"), QStringLiteral("日本|----|||MS Mincho|"), QStringLiteral(" abc|----||||")}));
}

void TstRtf::unicodeFallbackEndsWithItsGroup()
{
    // Writers that give a Unicode character no fallback, in a group of its own: what follows the group
    // is no fallback, neither the text nor the paragraph's end.
    PageDocument page;
    QVERIFY(RtfReader::read(page, "{\\rtf1\\ansi{\\b\\u12354}abc\\par\\pard x{\\u12356}\\par y\\par}"));
    QCOMPARE(page.main()->toPlainText(), QStringLiteral("\u3042abc\nx\u3044\ny"));
}

void TstRtf::picturesKeepTheirOwnGroupsOut_data()
{
    QTest::addColumn<int>("groups");
    QTest::newRow("identifier") << int(ForeignFiles::BlipUid);
    QTest::newRow("properties") << int(ForeignFiles::PicProp);
    QTest::newRow("both") << (ForeignFiles::BlipUid | ForeignFiles::PicProp);
}

void TstRtf::picturesKeepTheirOwnGroupsOut()
{
    // A word processor puts the picture's identifier and properties in groups inside \pict: their text
    // is no picture data.
    QFETCH(int, groups);
    const QByteArray rtf = "{\\rtf1\\ansi before " + ForeignFiles::rtfPicture(ForeignFiles::png(40, 30), groups) + " after\\par}";
    PageDocument page;
    QVERIFY(RtfReader::read(page, rtf));
    QCOMPARE(page.main()->toPlainText(), QStringLiteral("before ") + QChar(QChar::ObjectReplacementCharacter) + QStringLiteral(" after"));
    const QStringList pictures = page.usedPictureNames();
    QCOMPARE(pictures.size(), 1);
    QCOMPARE(page.pictureSize(pictures.first()), QSize(40, 30));
}

void TstRtf::refusesDamagedOrHostileInput_data()
{
    // Each refusal names its reason for the user.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    PageDocument page;
    FormatRuns::fillFileConstructs(page);
    const QByteArray good = RtfWriter::pageBytes(page);
    const QString cut = RtfReader::cutShortProblem();
    QTest::newRow("empty") << QByteArray() << RtfReader::notRtfProblem();
    QTest::newRow("not rtf") << QByteArray("just text {\\b bold}") << RtfReader::notRtfProblem();
    QTest::newRow("truncated") << good.left(good.size() / 2) << cut;
    QTest::newRow("unclosed group") << QByteArray("{\\rtf1 {\\b a}") << cut;
    QTest::newRow("cut escape") << QByteArray("{\\rtf1 a\\'8") << cut;
    QTest::newRow("deep groups") << "{\\rtf1 " + QByteArray(5000, '{') + "x" + QByteArray(5000, '}') + "}" << Flow::elementNestingProblem();
    QTest::newRow("deep tables") << QByteArray("{\\rtf1 \\pard\\intbl\\itap40 x\\nestcell\\par}") << Flow::nestingProblem();
    QByteArray rows = "{\\rtf1 ";
    for (int i = 0; i <= Flow::RowLimit; ++i)
        rows += "\\trowd\\cellx100\\pard\\intbl x\\cell\\row ";
    QTest::newRow("too many rows") << rows + "}" << Flow::rowProblem();
    QByteArray wide = "{\\rtf1 \\trowd";
    for (int i = 1; i < 1100; ++i)
        wide += "\\cellx" + QByteArray::number(i * 10);
    QTest::newRow("too many columns") << wide + "\\pard\\intbl x\\cell\\row}" << Flow::columnProblem();
    QTest::newRow("bin beyond the end") << QByteArray("{\\rtf1 {\\pict\\pngblip\\bin999999999 abc") << cut;
    // Files cut short anywhere, and an escape that is no character.
    QTest::newRow("without the last brace") << QByteArray("{\\rtf1 text\\par") << cut;
    QTest::newRow("ending in a backslash") << QByteArray("{\\rtf1 text\\") << cut;
    QTest::newRow("ending in an escape") << QByteArray("{\\rtf1 text\\'") << cut;
    QTest::newRow("ending in a lead byte") << QByteArray("{\\rtf1\\ansi\\ansicpg932 text\\'82") << cut;
    QTest::newRow("text bin beyond the end") << QByteArray("{\\rtf1 a\\bin99 abc}") << cut;
    QTest::newRow("escape of no hex digits") << QByteArray("{\\rtf1 a\\'9}") << RtfReader::escapeProblem(9);
    QTest::newRow("picture too large") << "{\\rtf1 {\\pict\\pngblip\\bin" + QByteArray::number(RtfReader::PictureLimit + 1) + " "
                                              + QByteArray(RtfReader::PictureLimit + 1, 'x') + "}}"
                                       << RtfReader::pictureProblem();
}

void TstRtf::refusesDamagedOrHostileInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    PageDocument page;
    QTextCursor(page.main()).insertText(QStringLiteral("keep"));
    QString problem;
    QVERIFY(!RtfReader::read(page, bytes, &problem));
    QCOMPARE(problem, reason);
    QCOMPARE(page.main()->toPlainText(), QStringLiteral("keep"));
}

void TstRtf::codePagesOfTheFileAndItsFonts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    for (const ForeignFiles::TextCase &c : ForeignFiles::rtfTextCases())
        QTest::newRow(c.name) << c.bytes << c.text;
}

void TstRtf::codePagesOfTheFileAndItsFonts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    PageDocument page;
    QVERIFY(RtfReader::read(page, bytes));
    QCOMPARE(SamplePage::paragraphText(page.main()), text);
}

void TstRtf::tablesEndAtTheirLimit_data()
{
    // The entry after `before` others of its colour, font or style table, used by the text.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("runs");
    const int limit = RtfReader::TableEntryLimit;
    auto colours = [](int before) {
        return "{\\rtf1{\\colortbl" + QByteArray(before, ';') + "\\red255\\green0\\blue0;}\\cf" + QByteArray::number(before) + " x\\par}";
    };
    auto fonts = [](int before) {
        QByteArray rtf = "{\\rtf1{\\fonttbl";
        for (int i = 0; i < before; ++i)
            rtf += "{\\f" + QByteArray::number(i) + " a;}";
        return rtf + "{\\f99999 Far;}}\\f99999 x\\par}";
    };
    auto styles = [](int before) {
        QByteArray rtf = "{\\rtf1{\\stylesheet";
        for (int i = 0; i < before; ++i)
            rtf += "{\\s" + QByteArray::number(i) + " a;}";
        return rtf + "{\\s99999 heading 1;}}\\pard\\s99999 x\\par}";
    };
    const QStringList plain{QStringLiteral("¶"), QStringLiteral("x|----||||")};
    QTest::newRow("colour within") << colours(limit - 1) << QStringList{QStringLiteral("¶"), QStringLiteral("x|----|#ff0000|||")};
    QTest::newRow("colour past") << colours(limit) << plain;
    QTest::newRow("font within") << fonts(limit - 1) << QStringList{QStringLiteral("¶"), QStringLiteral("x|----|||Far|")};
    QTest::newRow("font past") << fonts(limit) << plain;
    QTest::newRow("style within") << styles(limit - 1) << QStringList{QStringLiteral("¶0"), QStringLiteral("x|----||||")};
    QTest::newRow("style past") << styles(limit) << plain;
}

void TstRtf::tablesEndAtTheirLimit()
{
    // Entries past the limit are skipped: a file of separators holds no memory for each.
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, runs);
    PageDocument page;
    QVERIFY(RtfReader::read(page, bytes));
    QCOMPARE(FormatRuns::describe(page.main()), runs);
}

void TstRtf::associatedPropertiesFollowTheirCharacterSet_data()
{
    // \ab, \ai, \afs, \aul and \astrike hold for the runs of the character set they follow: after \dbch
    // (until \loch or \hich) double-byte runs, after \rtlch right-to-left ones; \dbch\af names the font
    // of the characters above U+007F in double-byte runs. The plain properties hold for all text.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("runs");
    auto runs = [](std::initializer_list<QByteArray> list) {
        QStringList out;
        for (const QByteArray &run : list)
            out << QString::fromUtf8(run);
        if (out.value(0) != QStringLiteral("¶"))
            out.prepend(QStringLiteral("¶"));
        return out;
    };
    auto doc = [](const QByteArray &body) {
        return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times;}{\\f1\\fnil\\fcharset128 MS Mincho;}}"
               "\\pard\\plain " + body + "\\par}";
    };
    QTest::newRow("LibreOffice's bold") << doc("{\\loch A}{\\rtlch\\ab \\ltrch\\dbch\\ab\\dbch \\u19978\\'3f\\u38263\\'3f}{\\loch B}")
                                        << runs({"A|----||||", "上長|b---||||", "B|----||||"});
    QTest::newRow("bold without a closing class") << doc("{\\rtlch\\ab \\ltrch\\dbch\\ab \\u19978\\'3f\\u38263\\'3f}") << runs({"上長|b---||||"});
    QTest::newRow("italic") << doc("{\\dbch\\ai \\u26012\\'3f\\u20307\\'3f}") << runs({"斜体|-i--||||"});
    QTest::newRow("sizes of each set") << doc("\\fs28{\\rtlch\\af1\\afs24\\ab \\ltrch\\dbch\\af1\\langfe1041\\loch\\f0\\fs24\\b 5,000}"
                                              "{\\rtlch\\afs24 \\ltrch\\dbch\\af1\\afs24\\dbch \\u20870\\'3f}")
                                       << runs({"5,000|b---||12||", "円|----||12|MS Mincho|"});
    QTest::newRow("\\ab0 turns off") << doc("\\b{\\dbch\\ab0 \\u26085\\'3f\\u26412\\'3f\\loch abc}") << runs({"日本|----||||", "abc|b---||||"});
    QTest::newRow("\\afs after \\fs") << doc("{\\dbch\\fs24\\afs40 \\u26085\\'3f\\loch abc}{\\dbch\\afs40\\fs24 \\u26412\\'3f}")
                                      << runs({"日|----||20||", "abc|----||12||", "本|----||20||"});
    QTest::newRow("blanks of a double-byte run") << doc("{\\dbch\\afs40\\dbch \\u26085\\'3f\\u26412\\'3f \\u35486\\'3f}")
                                                 << runs({"日本 語|----||20||"});
    QTest::newRow("nested groups") << doc("{\\dbch\\ab{\\afs32 \\u26085\\'3f}{\\loch \\u19978\\'3f}\\u26412\\'3f}\\u35486\\'3f")
                                   << runs({"日|b---||16||", "上|----||||", "本|b---||||", "語|----||||"});
    QTest::newRow("\\hich runs") << doc("{\\hich\\ab caf\\u233\\'e9}{\\hich\\ab\\dbch \\u26085\\'3f}{\\dbch\\ai\\hich \\'e9}")
                                 << runs({"café|b---||||", "日é|----||||"});
    QTest::newRow("\\plain resets them") << doc("{\\dbch\\ab\\afs40 \\u26085\\'3f\\plain \\u26412\\'3f\\dbch \\u35486\\'3f}")
                                         << runs({"日|b---||20||", "本語|----||||"});
    QTest::newRow("damaged sizes") << doc("\\fs21{\\dbch\\afs40\\afs9999999999 \\u26085\\'3f}{\\dbch\\afs0\\afs-24\\afs \\u26412\\'3f}"
                                         "{\\dbch\\afs1\\afs3277 \\u35486\\'3f}")
                                   << runs({"日|----||20||", "本語|----||10.5||"});
    QTest::newRow("underline and strike") << doc("\\ul{\\dbch\\aulnone\\astrike \\u26085\\'3f\\loch x}{\\dbch\\aul0 \\u26412\\'3f}")
                                          << runs({"日|---s||||", "x|--u-||||", "本|----||||"});
    QTest::newRow("right-to-left runs") << doc("{\\ltrch \\rtlch\\ab \\u1513\\'3f\\u1500\\'3f}{\\rtlch\\ab \\ltrch\\loch\\b\\loch abc}"
                                               "{\\rtlch\\afs40\\ai \\ltrch \\u1506\\'3f}")
                                        << runs({"שלabc|b---||||", "ע|----||||"});
    // Word writes the complex properties after \rtlch, the Japanese text's in plain words and the
    // Japanese font after \dbch, Latin text among it: that keeps \f's font.
    QTest::newRow("Word's Japanese run") << doc("\\rtlch\\fcs1 \\ab\\ai\\af0\\afs24 \\ltrch\\fcs0 \\fs21\\loch\\f0\\hich\\af0\\dbch\\af1 "
                                                "\\'93\\'fa\\'96\\'7b abc\\u26412\\'3f")
                                         << runs({"日本|----||10.5|MS Mincho|", " abc|----||10.5||", "本|----||10.5|MS Mincho|"});
    QTest::newRow("Word's bytes with \\dbch\\ab") << doc("\\loch\\f0\\hich\\af0\\dbch\\af1\\ab \\'93\\'fa\\'96\\'7b abc")
                                                   << runs({"日本|b---|||MS Mincho|", " abc|b---||||"});
    const char *cjk = "Noto Sans CJK JP|";
    QTest::newRow("LibreOffice's file") << ForeignFiles::rtfLibreOfficeJapanese()
                                        << runs({"¶", "A|----||10.5||", QByteArray("上長|b---||10.5|") + cjk, "¶",
                                                 QByteArray("斜体|-i--||10.5|") + cjk, "¶", "5,000|----||12||",
                                                 QByteArray("円|----||12|") + cjk});
}

void TstRtf::associatedPropertiesFollowTheirCharacterSet()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, runs);
    PageDocument page;
    QVERIFY(RtfReader::read(page, bytes));
    QCOMPARE(FormatRuns::describe(page.main()), runs);
}

QTEST_MAIN(TstRtf)
#include "tst_rtf.moc"
