#pragma once

#include "platform/richtext/PageDocument.h"

#include <QByteArray>
#include <QString>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdlib>

// What every reader of other programs' documents holds for any bytes: a refusal leaves the page as it
// was and names its reason; a page that was read writes to bytes that read again. Anything else aborts,
// which the fuzzer reports. `read` is (page, bytes, problem) -> bool, `write` page -> bytes.
template <typename Read, typename Write>
void checkReader(const QByteArray &bytes, Read read, Write write)
{
    // Without layout, as the readers' own pages and the editor's batch work are made.
    PageDocument page(PageDocument::WithoutLayout);
    QTextCursor(page.main()).insertText(QStringLiteral("keep"));
    QString problem;
    if (!read(page, bytes, &problem)) {
        if (page.main()->toPlainText() != QStringLiteral("keep") || problem.isEmpty())
            std::abort();
        return;
    }
    PageDocument again(PageDocument::WithoutLayout);
    if (!read(again, write(page), nullptr))
        std::abort();
}
