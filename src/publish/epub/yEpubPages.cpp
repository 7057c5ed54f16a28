// The page files of the book: each page's document converted into an XHTML
// page, on all cores, while the wait window shows how far the run is.
#include "publish/epub/yEpub.h"

#include "core/sbWait.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "publish/converter/ConvText.h"
#include "publish/converter/FailedPages.h"
#include "publish/converter/PageThreads.h"
#include "publish/converter/yHtm.h"

#include <QTextCursor>
#include <QTextDocument>
#include <mutex>

namespace
{
// The page's plain text in place of a document it does not have (or that
// cannot be read), so that its navigation point leads to its words.
void fillFromText(PageDocument &doc, const QString &text)
{
    doc.clear();
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(u'\r', u'\n');
    QStringList lines = plain.split(u'\n');
    for (QString &line : lines)
        line = yEpub::XmlText(line);
    QTextCursor cursor(doc.main());
    cursor.insertText(lines.join(QChar::ParagraphSeparator));
}

// Links to the page's visible child pages at the end of its text, as tag
// links, so that the converter sends them to the child's file in the book or,
// for a child outside it, to its web address (or to no address at all).
void appendLinks(PageDocument &doc, qint64 page, const QList<yEpub::Placement> &children)
{
    RichTextEdit e(&doc);
    auto toEnd = [&] {
        e.setSelStart(e.text().size());
        e.setSelLength(0);
    };
    toEnd();
    e.typeText(QString(QChar(10)));
    for (const yEpub::Placement &p : children) {
        toEnd();
        const int id = e.insertField(yEpub::XmlText(p.title).isEmpty() ? QString::number(p.child) : yEpub::XmlText(p.title));
        if (id && e.setCurrentField(id)) {
            e.setFieldType(2);
            e.setFieldData(QStringLiteral("TG_") + (p.link ? QString::number(page) + u'_' : QString())
                           + QString::number(p.child));
        }
        toEnd();
        e.typeText(QStringLiteral("・"));
    }
}

bool writeOne(yHtm &converter, yEpub::PageJob &job)
{
    // The converter reads the page's text and formats only: nothing is ever shown, so nothing is laid out.
    PageDocument doc(PageDocument::WithoutLayout);
    job.damaged = !job.bytes.isEmpty() && !PageCodec::load(doc, job.bytes);
    if (job.bytes.isEmpty() || job.damaged)
        fillFromText(doc, job.text);
    if (!job.links.isEmpty())
        appendLinks(doc, job.no, job.links);
    bool ok = false;
    converter.cSaveHtm(doc, job.png, job.file, QString(), job.title, 2, ok);
    return ok;
}
} // namespace

bool yEpub::WritePages(QString &why)
{
    yHtm::Context context = yHtm::programContext();
    if (m_noHome)
        context.homeKind = 0;
    const int total = int(m_pages.size());
    std::mutex failedMutex;
    QString failedFile;
    const bool written = PageThreads::run(
        total,
        [&](yHtm &converter) {
            converter.setContext(context);
            // The pages are packed into the book, which alone replaces an older one.
            converter.setWorkFolderRun(true);
            converter.E_Opt(m_fitTables, m_noItalic);
        },
        [&](int i, yHtm &converter) {
            const bool ok = writeOne(converter, m_pages[i]);
            m_pages[i].bytes.clear();
            if (!ok) {
                std::lock_guard<std::mutex> lock(failedMutex);
                if (failedFile.isEmpty())
                    failedFile = m_pages[i].file;
            }
            return ok;
        },
        [total](int done, int) { sbWait::cProgress(done, total); });
    if (!written) {
        why = QStringLiteral("ﾌｧｲﾙを書けません: ") + failedFile;
        return false;
    }
    return true;
}

QString yEpub::damagedNote() const
{
    QStringList pages;
    for (const PageJob &job : m_pages) {
        if (job.damaged)
            pages << FailedPages::entry(job.title, job.no);
    }
    if (pages.isEmpty())
        return QString();
    return QStringLiteral("次のﾍﾟｰｼﾞは文書を読めなかったので、ﾃｷｽﾄだけを出力しました") + FailedPages::lines(pages);
}

QString yEpub::XmlText(const QString &text)
{
    return TextChars::oneLine(text);
}
