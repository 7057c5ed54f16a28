#include "core/sbPwd.h"

#include "core/Usr.h"
#include "platform/desktop/OnTopAside.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

sbPwd::Driver &driver()
{
    static sbPwd::Driver current;
    return current;
}

sbPwd::Source &source()
{
    static sbPwd::Source current;
    return current;
}

QString trimBlanks(const QString &text)
{
    int start = 0;
    int end = text.size();
    while (start < end && text.at(start) == u' ')
        ++start;
    while (end > start && text.at(end - 1) == u' ')
        --end;
    return text.mid(start, end - start);
}

} // namespace

sbPwd::sbPwd(QWidget *parent)
    : QDialog(parent)
{
    auto *label = new QLabel(QStringLiteral("パスワードを入力して下さい"), this);
    m_txPwd = new QLineEdit(this);
    m_txPwd->setEchoMode(QLineEdit::Password);
    QFont font = m_txPwd->font();
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"),
                      QStringLiteral("monospace")});
    m_txPwd->setFont(font);
    m_txPwd->installEventFilter(this);
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    connect(m_ok, &QPushButton::clicked, this, [this] { cmOk_Click(0); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { cmOk_Click(1); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_txPwd);
    layout->addLayout(buttons);
    m_txPwd->setFocus();
}

QString sbPwd::Act(const QString &fileName)
{
    if (source())
        return trimBlanks(source()(fileName));
    QWidget *main = Usr::st().mainWindow;
    sbPwd dialog(main);
    dialog.setWindowTitle(fileName);
    if (main) {
        dialog.adjustSize();
        dialog.move(main->frameGeometry().center() - dialog.rect().center());
    }
    // At start-up the wait window stands over everything: the prompt must be seen and typed into.
    OnTopAside aside;
    if (driver())
        driver()(dialog);
    else
        dialog.exec();
    return dialog.answer();
}

void sbPwd::setDriver(Driver newDriver) { driver() = std::move(newDriver); }

void sbPwd::setSource(Source newSource) { source() = std::move(newSource); }

void sbPwd::cmOk_Click(int index)
{
    m_answer = index == 0 ? trimBlanks(m_txPwd->text()) : QString();
    if (index == 0)
        accept();
    else
        reject();
}

// Asked before the main window is shown, the prompt still comes to the front with the keys in its box.
void sbPwd::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    raise();
    activateWindow();
    m_txPwd->setFocus();
}

// Enter in the password box goes to OK first, so that a second Enter confirms.
bool sbPwd::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txPwd && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_ok->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
