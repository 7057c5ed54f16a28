#pragma once

#include "editor/HtmlBridge.h"

// The program's converter as the page editor reaches it.
class yHtmBridge : public HtmlBridge
{
public:
    // Installs the one bridge over yHtm::instance() (again is harmless).
    static void install();

    QString HsFName(const QString &parent, QString &child, int link, bool keepHtml) override;
    void cSaveHtm(const PageDocument &page, bool png, const QString &file, const QString &tips, const QString &title,
                  int job, bool &ok) override;
    void cGetHtm(const PageDocument &page, const QString &file, const QString &tips, QString &css, QString &body,
                 bool &ok) override;
    void CnvHtml(const PageDocument &page, const QString &file, QString &head, QString &body, const QString &tips,
                 bool &ok) override;
    void cOn(const QString &workFolder) override;
    void cOff() override;
};
