#include "editor/TxmTemplateJobs.h"

#include "editor/EditorServices.h"
#include "editor/uTxm.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"

void TxmTemplateJobs::txTlLabelCells(RichTextEdit &target)
{
    int number = 0;
    for (int table : target.tableIds()) {
        ++number;
        const int rows = target.tableRows(table);
        const int columns = target.tableColumns(table);
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= columns; ++c) {
                if (target.cellText(table, r, c).trimmed().isEmpty())
                    target.setCellText(table, r, c, QStringLiteral("TB:%1-%2-%3").arg(number).arg(r).arg(c));
            }
        }
    }
}

QByteArray TxmTemplateJobs::labelledCopy(uTxm &editor)
{
    EditorServices &services = editor.services();
    const QByteArray bytes = services.saveBytes(editor.edit(), 3);
    PageDocument page;
    RichTextEdit copy(&page);
    if (bytes.isEmpty() || !services.loadBytes(copy, bytes, 3, false))
        return QByteArray();
    page.setPageSetup(editor.page().pageSetup());
    int fields = 0;
    for (int id = copy.nextField(0); id > 0; id = copy.nextField(id)) {
        copy.setCurrentField(id);
        if (copy.fieldType() == 1)
            copy.setFieldText(QStringLiteral("FD:") + QString::number(++fields));
    }
    txTlLabelCells(copy);
    int frames = 0;
    for (int id : copy.objectIds(TextProps::TextFrameKind)) {
        if (!copy.selectFrame(id))
            continue;
        copy.setText(QStringLiteral("TF:") + QString::number(++frames));
        txTlLabelCells(copy);
    }
    copy.selectFrame(0);
    return services.saveBytes(copy, 3);
}

void TxmTemplateJobs::txTlView(uTxm &editor)
{
    const QByteArray bytes = labelledCopy(editor);
    if (bytes.isEmpty())
        return;
    // The labelled copy is shown in the page view window, never stored.
    PageDocument page;
    RichTextEdit copy(&page);
    if (!editor.services().loadBytes(copy, bytes, 3, false))
        return;
    page.setPageSetup(editor.page().pageSetup());
    EditorServices::viewPage(page);
}

bool TxmTemplateJobs::txTlFrames(uTxm &editor, int parts)
{
    RichTextEdit &e = editor.edit();
    const PageSetup &setup = editor.page().pageSetup();
    const int width = setup.width - setup.marginLeft - setup.marginRight;
    const int height = (parts > 0 ? setup.height / parts : 0) - setup.marginTop - setup.marginBottom;
    if (width <= 0 || height <= 0) {
        Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞが余白に対して小さいため､ﾃｷｽﾄﾌﾚｰﾑを配置できません"),
                                  Prompt::OkOnly | Prompt::Exclamation);
        return false;
    }
    if (!e.text().trimmed().isEmpty()
        && Prompt::current().message(QStringLiteral("文書は初期化されますが良いですか"), Prompt::OkCancel) != Prompt::Ok)
        return false;
    e.beginCommand();
    e.selectFrame(0);
    e.clearText();
    RichTextEdit::FrameArgs args;
    args.width = width;
    args.height = height;
    e.insertTextFrame(args);
    if (parts == 3) {
        args.y = 2 * height + setup.marginTop + setup.marginBottom;
        e.select(e.textLength(), 0);
        e.insertTextFrame(args);
    }
    e.endCommand();
    return true;
}
