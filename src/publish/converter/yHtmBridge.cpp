#include "publish/converter/yHtmBridge.h"

#include "publish/converter/yHtm.h"

void yHtmBridge::install()
{
    static yHtmBridge bridge;
    HtmlBridge::install(&bridge);
}

QString yHtmBridge::HsFName(const QString &parent, QString &child, int link, bool keepHtml)
{
    // The custom names of the open database, not those of the last conversion.
    yHtm::instance().refresh();
    return yHtm::instance().HsFName(parent, child, link, keepHtml);
}

void yHtmBridge::cSaveHtm(const PageDocument &page, bool png, const QString &file, const QString &tips,
                          const QString &title, int job, bool &ok)
{
    yHtm::instance().cSaveHtm(page, png, file, tips, title, job, ok);
}

void yHtmBridge::cGetHtm(const PageDocument &page, const QString &file, const QString &tips, QString &css,
                         QString &body, bool &ok)
{
    yHtm::instance().cGetHtm(page, file, tips, css, body, ok);
}

void yHtmBridge::CnvHtml(const PageDocument &page, const QString &file, QString &head, QString &body,
                         const QString &tips, bool &ok)
{
    yHtm &converter = yHtm::instance();
    converter.CnvHtml(page, file, head, body, tips, ok);
    if (ok)
        ok = converter.writeUtf8(file, head + body);
}

void yHtmBridge::cOn(const QString &workFolder)
{
    yHtm::instance().cOn(workFolder);
}

void yHtmBridge::cOff()
{
    yHtm::instance().cOff();
}
