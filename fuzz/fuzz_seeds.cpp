// Writes seed pages for the fuzzer into the folder given: a page with every construct and an empty one.
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "support/SamplePage.h"

#include <QDir>
#include <QGuiApplication>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    PageDocument empty;
    PageDocument full;
    SamplePage::fillEveryConstruct(full);
    return PageCodec::saveFile(empty, dir.filePath(QStringLiteral("empty.page")))
            && PageCodec::saveFile(full, dir.filePath(QStringLiteral("full.page")))
        ? 0 : 1;
}
