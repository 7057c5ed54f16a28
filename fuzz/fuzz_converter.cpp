// libFuzzer target: random text in the editor's HTML dialect through the whole page converter of
// every document type. No crash, no hang, and the written body closes every element it opens, in order.
#include "FuzzApp.h"
#include "publish/converter/yHtm.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

// The elements of the body, opened and closed in order (names compared in any case).
bool balanced(const QString &page)
{
    static const QRegularExpression tag(QStringLiteral("<(/?)([^\\s>/]+)[^>]*>"));
    static const QStringList voids = {QStringLiteral("br"), QStringLiteral("img"), QStringLiteral("col"),
                                      QStringLiteral("meta"), QStringLiteral("link"), QStringLiteral("area"),
                                      QStringLiteral("!doctype"), QStringLiteral("?xml")};
    const qsizetype start = page.indexOf(QStringLiteral("<body>"));
    if (start < 0)
        return true;
    QStringList stack;
    for (auto it = tag.globalMatch(page.mid(start)); it.hasNext();) {
        const auto m = it.next();
        const QString name = m.captured(2).toLower();
        const bool closing = !m.captured(1).isEmpty();
        // Void elements by name; any other tag, "/>" or not, was opened by the writer as an element.
        if (voids.contains(name))
            continue;
        if (!closing)
            stack << name;
        else if (!stack.isEmpty() && stack.takeLast() != name)
            return false;
        // A closing tag that matched nothing comes after everything was closed: it is text.
    }
    return stack.isEmpty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    startFuzzApp();
    static const QString folder = QDir::tempPath() + QStringLiteral("/fuzz_converter/");
    static const bool made = QDir().mkpath(folder);
    Q_UNUSED(made);
    if (size < 1)
        return 0;
    // Script frames carry the user's own markup, written as it stands: leave them out of the check.
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    text.replace(QStringLiteral("[Script:"), QStringLiteral("[Scrpt:"), Qt::CaseInsensitive);
    if (!text.contains(QStringLiteral("<body"), Qt::CaseInsensitive))
        text = QStringLiteral("<html><head></head><body style=\"font-family:'Arial';\">") + text
               + QStringLiteral("</body></html>");
    yHtm converter;
    yHtm::Context context;
    context.dbName = QStringLiteral("db");
    converter.setContext(context);
    const int type = data[0] % 5;
    converter.setDocumentType(type);
    converter.E_Opt(data[0] & 8 ? 1 : 0, data[0] & 16 ? 1 : 0);
    const QString page = converter.convertExport(text, folder + QStringLiteral("p.htm"),
                                                 QStringLiteral("a\tb\r"), QStringLiteral("t"), (data[0] >> 5) % 3);
    if (!balanced(page))
        std::abort();
    return 0;
}
