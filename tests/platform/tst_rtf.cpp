// RTF: page -> RTF -> page keeps text and formats; RTF as other programs write it reads; damaged and
// hostile input is refused without touching the page.
#include "platform/docx/DocumentFile.h"
#include "platform/docx/DocxReader.h"
#include "platform/docx/FlowBuilder.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "support/ForeignFiles.h"
#include "support/FormatRuns.h"
#include "support/SamplePage.h"

#include <QFile>
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
    void fieldsAndShapesAreReadOrNamed_data();
    void fieldsAndShapesAreReadOrNamed();
    void furiganaReadAsTheWordReaderReadsThem();
    void partsLeftOutAreNamedInTheNote();
};

namespace {

// A file of the RTF tests' data: documents as LibreOffice writes them.
QByteArray dataFile(const QString &name)
{
    QFile file(QFINDTESTDATA(QStringLiteral("data/rtf/") + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Furigana as Word writes them: the reading in a run of its own size, Shift_JIS bytes, `result` the
// field's result.
QByteArray wordRuby(const QByteArray &result)
{
    return QByteArray(
               R"({\rtf1\ansi\ansicpg932\deff0{\fonttbl{\f0\froman\fcharset0 Century;}{\f1\fnil\fcharset128 \'82\'6c\'82\'72 \'96\'be\'92\'a9;}})"
               R"(\pard\plain\loch\f0\hich\af0\dbch\af1 {\field{\*\fldinst {\rtlch\fcs1 \af0 \ltrch\fcs0 \hich\af1\dbch\af1\loch\f1 )"
               R"( EQ \\* jc2 \\* "Font:\'82\'6c\'82\'72 \'96\'be\'92\'a9" \\* hps10 \\o\\ad(\\s\\up 9(}{\rtlch\fcs1 \af0 \ltrch\fcs0 \fs10)"
               R"(\hich\af1\dbch\af1\loch\f1 \'82\'c5\'82\'f1\'82\'b5\'82\'e1}{\rtlch\fcs1 \af0 \ltrch\fcs0 \hich\af1\dbch\af1\loch\f1 ),)"
               R"(\'93\'64\'8e\'d4)}}{\fldrslt {\rtlch\fcs1 \af0 \ltrch\fcs0 \hich\af1\dbch\af1\loch\f1 RESULT}}}\loch\f1 \'82\'c5\par})")
        .replace("RESULT", result);
}

} // namespace

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

void TstRtf::fieldsAndShapesAreReadOrNamed_data()
{
    // What a field or shape gives the page: its text (furigana as "base（reading）"), its pictures, and
    // the pictures and parts the read names in its note.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<QStringList>("unreadPictures");
    QTest::addColumn<QStringList>("parts");
    const QString object(QChar::ObjectReplacementCharacter);
    auto field = [](const QByteArray &instruction, const QByteArray &result = "{}") {
        return "{\\rtf1\\ansi a{\\field{\\*\\fldinst " + instruction + "}{\\fldrslt " + result + "}}b\\par}";
    };
    QTest::newRow("LibreOffice's ruby") << dataFile(QStringLiteral("libreoffice-ruby.rtf"))
                                        << QStringLiteral("電車（でんしゃ）で学校に行きます。\n下に漢字（かんじ）とA,B(C)（x,y(z)）。") << 0
                                        << QStringList() << QStringList();
    QTest::newRow("Word's ruby") << wordRuby("") << QStringLiteral("電車（でんしゃ）で") << 0 << QStringList() << QStringList();
    QTest::newRow("Word's ruby, the base as its result") << wordRuby(R"(\'93\'64\'8e\'d4)")
                                                         << QStringLiteral("電車（でんしゃ）で") << 0 << QStringList() << QStringList();
    QTest::newRow("reading below") << field(R"(EQ \\o\\ac(\\s\\do 4(\u12363?\u12435?\u12376?),\u28450?\u23383?))")
                                   << QStringLiteral("a漢字（かんじ）b") << 0 << QStringList() << QStringList();
    QTest::newRow("escaped commas and parentheses") << field(R"(EQ \\o\\al(\\s\\up 10(x\\,y),A\\(1\\)))")
                                                    << QStringLiteral("aA(1)（x,y）b") << 0 << QStringList() << QStringList();
    QTest::newRow("raised text alone") << field(R"(EQ x\\s\\up 8(2))") << QStringLiteral("ax2b") << 0 << QStringList() << QStringList();
    QTest::newRow("unknown field, empty result") << field(R"(TOC \\o "1-3" \\h)", "")
                                                 << QStringLiteral("ab") << 0 << QStringList()
                                                 << QStringList{RtfReader::fieldName(QStringLiteral(R"(TOC \o "1-3" \h)"))};
    QTest::newRow("unknown field, no result") << QByteArray(R"({\rtf1 a{\field{\*\fldinst { FORMCHECKBOX }}}b\par})")
                                              << QStringLiteral("ab") << 0 << QStringList() << QStringList{RtfReader::fieldName(QStringLiteral("FORMCHECKBOX"))};
    QTest::newRow("field with a result") << field("PAGE", "7") << QStringLiteral("a7b") << 0 << QStringList() << QStringList();
    QTest::newRow("fields that show nothing") << QByteArray(R"({\rtf1 a{\field{\*\fldinst XE "entry"}{\fldrslt }}{\field{\*\fldinst HYPERLINK "https://example.com/"}{\fldrslt }}b\par})")
                                              << QStringLiteral("ab") << 0 << QStringList() << QStringList();
    // Damaged EQ fields: what they hold is read where it can be, else the field is named.
    QTest::newRow("EQ without its last parenthesis") << field(R"(EQ \\o\\al(\\s\\up 10(\u12391?\u12435?),\u38651?\u36554?)")
                                                     << QStringLiteral("a電車（でん）b") << 0 << QStringList() << QStringList();
    for (const char *eq : {R"(EQ \\o\\al(\\s\\up 10(abc)))", R"(EQ \\f(1,2))", R"(EQ \\o\\al)", R"(EQ \\o(\\s\\up 5(a\\)", "EQ"}) {
        QString name = QString::fromUtf8(eq);
        QTest::newRow(eq) << field(eq) << QStringLiteral("ab") << 0 << QStringList()
                          << QStringList{RtfReader::fieldName(name.replace(QStringLiteral("\\\\"), QStringLiteral("\\")))};
    }
    const QByteArray deep = "EQ " + QByteArray("\\\\o(").repeated(40) + "x" + QByteArray(40, ')');
    QTest::newRow("EQ nested too deep") << field(deep) << QStringLiteral("ab") << 0 << QStringList()
                                        << QStringList{RtfReader::fieldName(QString::fromLatin1(QByteArray(deep).replace("\\\\", "\\")))};
    // Pictures as LibreOffice anchors them: to a character or paragraph (a shape), as a character (a
    // picture and its copy for other readers).
    QTest::newRow("PNG anchored to a character") << dataFile(QStringLiteral("libreoffice-anchor-character.rtf"))
                                                 << QStringLiteral("前 ") + object + QStringLiteral("後") << 1 << QStringList() << QStringList();
    QTest::newRow("JPEG anchored to a paragraph") << dataFile(QStringLiteral("libreoffice-anchor-paragraph.rtf"))
                                                  << object + QStringLiteral("段落の写真") << 1 << QStringList() << QStringList();
    QTest::newRow("picture as a character, read once") << dataFile(QStringLiteral("libreoffice-anchor-as-character.rtf"))
                                                       << QStringLiteral("文字として ") + object + QStringLiteral(" おわり") << 1 << QStringList()
                                                       << QStringList();
    QTest::newRow("text box and drawing shape") << dataFile(QStringLiteral("libreoffice-shapes.rtf")) << QStringLiteral("枠 と図形 。") << 0
                                                << QStringList() << QStringList{RtfReader::shapeName(1, true), RtfReader::shapeName(2, false)};
    const QByteArray hex = ForeignFiles::png(8, 6).toHex();
    QTest::newRow("Word's floating picture, its result read once")
        << "{\\rtf1 a{\\shp{\\*\\shpinst\\shpleft0{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn pib}{\\sv {\\pict\\pngblip " + hex
               + "}}}}{\\shprslt\\par\\pard{\\pict\\wmetafile8 0100090000}}}b\\par}"
        << QStringLiteral("a") + object + QStringLiteral("b") << 1 << QStringList() << QStringList();
    QTest::newRow("shape without a picture") << QByteArray(R"({\rtf1 a{\shp{\*\shpinst{\sp{\sn shapeType}{\sv 1}}{\sp{\sn fillColor}{\sv 255}}}}b\par})")
                                             << QStringLiteral("ab") << 0 << QStringList() << QStringList{RtfReader::shapeName(1, false)};
    QTest::newRow("picture shape the door refuses") << QByteArray(R"({\rtf1 a{\shp{\*\shpinst{\sp{\sn pib}{\sv {\pict\pngblip 00112233}}}}}b\par})")
                                                    << QStringLiteral("ab") << 0 << QStringList{RtfReader::pictureName(1)} << QStringList();
    QTest::newRow("group of a picture and a drawing shape")
        << "{\\rtf1 a{\\shpgrp{\\*\\shpinst{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv{\\pict\\pngblip " + hex
               + "}}}}}{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 1}}}}}}b\\par}"
        << QStringLiteral("a") + object + QStringLiteral("b") << 1 << QStringList() << QStringList{RtfReader::shapeName(3, false)};
}

void TstRtf::fieldsAndShapesAreReadOrNamed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, pictures);
    QFETCH(QStringList, unreadPictures);
    QFETCH(QStringList, parts);
    QVERIFY(!bytes.isEmpty());
    PageDocument page;
    QStringList unread{QStringLiteral("from before")};
    QStringList unreadParts{QStringLiteral("from before")};
    QVERIFY(RtfReader::read(page, bytes, nullptr, &unread, &unreadParts));
    QCOMPARE(SamplePage::paragraphText(page.main()), text);
    QCOMPARE(page.usedPictureNames().size(), pictures);
    QCOMPARE(unread, unreadPictures);
    QCOMPARE(unreadParts, parts);
}

void TstRtf::furiganaReadAsTheWordReaderReadsThem()
{
    // LibreOffice's file in both forms: text and reading alike, the reading in its own formats.
    PageDocument rtf;
    QVERIFY(RtfReader::read(rtf, dataFile(QStringLiteral("libreoffice-ruby.rtf"))));
    PageDocument docx;
    QVERIFY(DocxReader::read(docx, dataFile(QStringLiteral("libreoffice-ruby.docx"))));
    QCOMPARE(SamplePage::paragraphText(rtf.main()), SamplePage::paragraphText(docx.main()));
    PageDocument word;
    QVERIFY(RtfReader::read(word, wordRuby("")));
    QCOMPARE(FormatRuns::describe(word.main()), (QStringList{QStringLiteral("¶"), QStringLiteral("電車|----|||ＭＳ 明朝|"),
                                                             QStringLiteral("（でんしゃ）|----||5|ＭＳ 明朝|"), QStringLiteral("で|----|||ＭＳ 明朝|")}));
}

void TstRtf::partsLeftOutAreNamedInTheNote()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shapes.rtf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(dataFile(QStringLiteral("libreoffice-shapes.rtf")));
    file.close();
    PageDocument page;
    QString note;
    QCOMPARE(DocumentFile::read(page, path, DocumentFile::Rtf, nullptr, &note), DocumentFile::Ok);
    QCOMPARE(note, RtfReader::partsNote({RtfReader::shapeName(1, true), RtfReader::shapeName(2, false)}));
    QVERIFY(note.contains(QStringLiteral("\n  2 番目の図形")));
}

QTEST_MAIN(TstRtf)
#include "tst_rtf.moc"
