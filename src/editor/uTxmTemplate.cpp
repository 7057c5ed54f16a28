// Template members: a page filled from outside through its data fields, text frames and tables,
// each addressed by its running number.
#include "editor/uTxm.h"

#include "editor/EditorServices.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/RichView.h"

#include <QStringList>

int uTxm::txNthNo(const QString &list, int i)
{
    if (list.isEmpty())
        return 0;
    const QStringList pieces = list.split(QLatin1Char(','));
    return pieces.value(qBound(1, i, int(pieces.size())) - 1).toInt();
}

void uTxm::T_Start(const QString & /*sBmp*/)
{
    m_activePart = -1;
    m_templateTables.clear();
    m_fieldList.clear();
    m_frameList.clear();
    m_edit->selectFrame(0);
    QStringList fields;
    for (int id = m_edit->nextField(0); id > 0; id = m_edit->nextField(id)) {
        m_edit->setCurrentField(id);
        if (m_edit->fieldType() == 1)
            fields.append(QString::number(id));
    }
    m_fieldList = fields.join(QLatin1Char(','));
    QStringList frames;
    const QList<int> frameIds = m_edit->objectIds(TextProps::TextFrameKind);
    for (int id : frameIds)
        frames.append(QString::number(id));
    m_frameList = frames.join(QLatin1Char(','));
    // Tables of the main text first, then those of each frame in frame order; no limit on their count.
    for (int table : m_edit->tableIds())
        m_templateTables.append({0, table});
    for (int frame : frameIds) {
        if (!m_edit->selectFrame(frame))
            continue;
        for (int table : m_edit->tableIds())
            m_templateTables.append({frame, table});
    }
    m_edit->selectFrame(0);
}

void uTxm::T_End()
{
    m_edit->selectFrame(0);
    m_edit->setSelStart(m_edit->textLength());
    syncToView();
}

bool uTxm::selectTemplateTable(int iNo, int &table)
{
    if (iNo < 1 || iNo > m_templateTables.size())
        return false;
    const QPair<int, int> entry = m_templateTables.at(iNo - 1);
    if (entry.first != m_activePart) {
        if (!m_edit->selectFrame(entry.first))
            return false;
        m_activePart = entry.first;
    }
    table = entry.second;
    return true;
}

QString uTxm::TvCelVL(int iNo, int nRw, int nCL)
{
    int table = 0;
    if (!selectTemplateTable(iNo, table))
        return QString();
    QString text = m_edit->cellText(table, nRw, nCL);
    text.remove(QLatin1Char('\r')).remove(QChar(10));
    return text;
}

void uTxm::setTvCelVL(int iNo, int nRw, int nCL, const QString &text)
{
    int table = 0;
    if (selectTemplateTable(iNo, table))
        m_edit->setCellText(table, nRw, nCL, text);
}

void uTxm::T_TxFrDt(int iTf, const QByteArray &yDt)
{
    const int frame = txNthNo(m_frameList, iTf);
    if (frame <= 0 || !m_edit->selectFrame(frame))
        return;
    m_edit->select(0, -1);
    m_services->loadBytes(*m_edit, yDt, 9, true);
    m_edit->selectFrame(0);
    m_activePart = 0;
}

void uTxm::T_TxFdTx(int iFd, const QString &sTxt)
{
    m_edit->selectFrame(0);
    m_activePart = 0;
    const int field = txNthNo(m_fieldList, iFd);
    if (field > 0 && m_edit->setCurrentField(field))
        m_edit->setFieldText(sTxt);
}

void uTxm::T_TxFdPc(int iFd, const QString &sPcFL)
{
    m_edit->selectFrame(0);
    m_activePart = 0;
    const int field = txNthNo(m_fieldList, iFd);
    if (field <= 0 || !m_edit->setCurrentField(field))
        return;
    const int start = m_edit->fieldStart() - 1;
    m_edit->setFieldText(QString());
    m_edit->setSelStart(qMax(0, start));
    if (m_edit->insertPictureFile(sPcFL) <= 0)
        return;
    m_edit->setSelStart(m_edit->textLength());
    m_edit->setSelectedText(QString(QChar(10)));
    syncToView();
}
