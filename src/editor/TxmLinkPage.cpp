#include "editor/TxmLinkPage.h"

#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zClt.h"
#include "platform/desktop/Prompt.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStandardPaths>
#include <QToolButton>

TxmLinkPage::TxmLinkPage(uTxm &editor, QWidget *parent)
    : TxmModePage(editor, parent)
{
    auto *grid = new QGridLayout(this);
    lbCaption = new QLabel(QStringLiteral("ｷｬﾌﾟｼｮﾝ"), this);
    txCaption = new QLineEdit(this);
    txCaption->setObjectName(QStringLiteral("txLnk1"));
    chLnkHg = new QCheckBox(QStringLiteral("SelText"), this);
    txTarget = new QLineEdit(this);
    txTarget->setObjectName(QStringLiteral("txLnk0"));
    grid->addWidget(lbCaption, 0, 0);
    grid->addWidget(txCaption, 0, 1);
    grid->addWidget(chLnkHg, 0, 2, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("ﾘﾝｸ先"), this), 1, 0);
    grid->addWidget(txTarget, 1, 1);
    const char *const tips[3] = {"ﾌｧｲﾙを参照します", "お気に入りから URLを参照します", "IEの検索ﾍﾟｰｼﾞから指定"};
    const char *const texts[3] = {"...", "URL", "IE"};
    for (int i = 0; i < 3; ++i) {
        cmLnk[i] = new QToolButton(this);
        cmLnk[i]->setText(QString::fromUtf8(texts[i]));
        cmLnk[i]->setToolTip(QString::fromUtf8(tips[i]));
        grid->addWidget(cmLnk[i], 1, 2 + i);
        connect(cmLnk[i], &QToolButton::clicked, this, [this, i] { browse(i); });
    }
    lbMsg = new QLabel(this);
    grid->addWidget(lbMsg, 2, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    connect(chLnkHg, &QCheckBox::clicked, this, [this] { switchRule(); });
}

void TxmLinkPage::setObjectLink(bool objectLink)
{
    txCaption->setEnabled(!objectLink);
    lbCaption->setVisible(!objectLink);
    txCaption->setVisible(!objectLink);
    chLnkHg->setVisible(!objectLink);
}

void TxmLinkPage::switchRule()
{
    if (chLnkHg->isChecked()) {
        txCaption->setText(m_given);
        txCaption->setEnabled(false);
    } else {
        txCaption->setText(m_browsed);
        txCaption->setEnabled(true);
    }
}

void TxmLinkPage::load(const QString &answerIn)
{
    const bool captionInUse = txCaption->isEnabled();
    cmLnk[0]->setEnabled(Usr::FbChkPub(0));
    QString given;
    QString target;
    zClt::instance().T_SpltWd(answerIn, QStringLiteral("\t"), given, target);
    given = given.remove(QChar(1)).trimmed();
    target = target.trimmed();
    txTarget->setText(target);
    if (!captionInUse)
        given = QStringLiteral(" ");
    m_given = given;
    txCaption->setText(given);
    lbMsg->clear();
    chLnkHg->setChecked(!given.isEmpty());
    chLnkHg->setEnabled(!given.isEmpty());
    if (captionInUse) {
        switchRule();
        if (txCaption->isEnabled())
            lbMsg->setText(QStringLiteral("ﾘﾝｸ先を指定して下さい"));
    }
}

QString TxmLinkPage::fileCaption(const QString &path)
{
    const QFileInfo info(path);
    const qint64 kb = qRound64(double(info.size()) / 1000.0);
    const QString size = kb == 0 ? QString() : QLocale(QLocale::English).toString(kb);
    return info.fileName() + QStringLiteral(" (") + size + QStringLiteral(" KB)");
}

QString TxmLinkPage::shortcutAddress(const QString &text)
{
    const qsizetype at = text.indexOf(QStringLiteral("URL="), 0, Qt::CaseInsensitive);
    if (at < 0)
        return QString();
    const qsizetype from = at + 4;
    qsizetype end = text.indexOf(QLatin1Char('\r'), from);
    const qsizetype lineFeed = text.indexOf(QLatin1Char('\n'), from);
    if (end < 0 || (lineFeed >= 0 && lineFeed < end))
        end = lineFeed;
    return (end < 0 ? text.mid(from) : text.mid(from, end - from)).trimmed();
}

void TxmLinkPage::browse(int index)
{
    if (index == 2) {
        zClt::instance().A_ViewIE(QStringLiteral("https://www.google.com/"));
        return;
    }
    QString file;
    if (index == 0) {
        const QString start = !m_folder.isEmpty() ? m_folder
                                                  : Usr::st().userData + QStringLiteral("Site/") + Usr::st().dbName;
        file = Prompt::current().openFile(QStringLiteral("ﾘﾝｸ先のﾄﾞｷｭﾒﾝﾄ"), start, QStringLiteral("全てのﾌｧｲﾙ (*)"));
    } else {
        // Saved internet shortcuts: Windows "*.url" files or desktop link entries, kept in the
        // documents folder when there is no favourites folder.
        QString start = yIni::instance().FsGtSpFld(6);
        if (start.isEmpty())
            start = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        file = Prompt::current().openFile(QStringLiteral("お気に入り"), start,
                                          QStringLiteral("ｲﾝﾀｰﾈｯﾄｼｮｰﾄｶｯﾄ (*.url *.desktop)"));
    }
    if (file.isEmpty()) {
        txTarget->clear();
        return;
    }
    const QFileInfo info(file);
    if (index == 0) {
        txTarget->setText(QDir::toNativeSeparators(info.absoluteFilePath()));
        m_folder = info.absolutePath();
        m_browsed = fileCaption(file);
    } else {
        txTarget->setText(shortcutAddress(zClt::instance().FsGtText(file)));
        m_browsed = info.fileName().left(info.fileName().lastIndexOf(QLatin1Char('.')));
    }
    if (chLnkHg->isChecked())
        emit okRequested();
    else
        txCaption->setText(m_browsed);
}

bool TxmLinkPage::apply(QString &answer)
{
    const QString caption = txCaption->text().trimmed();
    const QString target = txTarget->text().trimmed();
    if (target.isEmpty()) {
        Prompt::current().message(QStringLiteral("ﾘﾝｸ先が指定されていません"), Prompt::OkOnly);
        txTarget->setFocus();
        return false;
    }
    if (txCaption->isEnabled() && caption.isEmpty()) {
        Prompt::current().message(QStringLiteral("ｷｬﾌﾟｼｮﾝが指定されていません"), Prompt::OkOnly);
        txCaption->setFocus();
        return false;
    }
    answer = caption + QLatin1Char('\t') + target;
    return true;
}

QWidget *TxmLinkPage::firstFocus()
{
    return txTarget;
}
