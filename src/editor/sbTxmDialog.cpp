#include "editor/sbTxmDialog.h"

#include "core/Twips.h"
#include "core/Usr.h"
#include "editor/TxmDisplayPage.h"
#include "editor/TxmFindPage.h"
#include "editor/TxmLinkPage.h"
#include "editor/TxmModePage.h"
#include "editor/TxmPageSetup.h"
#include "editor/TxmPicturePage.h"
#include "editor/TxmStartPage.h"
#include "editor/TxmTablePage.h"
#include "editor/TxmUserStyles.h"
#include "editor/sbTxm.h"
#include "editor/uTxm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr int BaseWidth = 7300; // twips
constexpr int BaseHeight = 2700;

} // namespace

sbTxmDialog::sbTxmDialog(uTxm &editor)
    : QDialog(&editor.companion()), m_editor(editor)
{
    setObjectName(QStringLiteral("sbTxmDialog"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    m_stack = new QStackedWidget(this);
    layout->addWidget(m_stack, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    m_ok->setObjectName(QStringLiteral("cmOk0"));
    m_cancel->setObjectName(QStringLiteral("cmOk1"));
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (okClicked())
            accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

sbTxmDialog &sbTxmDialog::of(uTxm &editor)
{
    sbTxm &form = editor.companion();
    if (auto *dialog = form.findChild<sbTxmDialog *>(QString(), Qt::FindDirectChildrenOnly))
        return *dialog;
    return *new sbTxmDialog(editor);
}

TxmModePage *sbTxmDialog::pageFor(const QString &mode)
{
    if (TxmModePage *page = m_pages.value(mode))
        return page;
    TxmModePage *page = nullptr;
    if (mode == QLatin1String("TB"))
        page = new TxmTablePage(m_editor, m_stack);
    else if (mode == QLatin1String("PG"))
        page = new TxmPageSetup(m_editor, m_stack);
    else if (mode == QLatin1String("US"))
        page = new TxmUserStyles(m_editor, m_stack);
    else if (mode == QLatin1String("DP"))
        page = new TxmDisplayPage(m_editor, m_stack);
    else if (mode == QLatin1String("LK"))
        page = new TxmLinkPage(m_editor, m_stack);
    else if (mode == QLatin1String("IM"))
        page = new TxmStartPage(m_editor, m_stack);
    else if (mode == QLatin1String("TF"))
        page = new TxmPicturePage(m_editor, m_stack);
    else if (mode == QLatin1String("FD"))
        page = new TxmFindPage(m_editor, m_stack);
    if (!page)
        return nullptr;
    m_stack->addWidget(page);
    m_pages.insert(mode, page);
    connect(page, &TxmModePage::okAllowed, m_ok, &QPushButton::setEnabled);
    connect(page, &TxmModePage::okRequested, this, [this] {
        if (okClicked())
            accept();
    });
    return page;
}

bool sbTxmDialog::prepare(const QString &modeIn, const QString &answerIn)
{
    // Every call starts without an answer: a cancel must never hand back an earlier one.
    m_answer.clear();
    m_replace = modeIn == QLatin1String("RP");
    QString mode = modeIn;
    const bool objectLink = mode == QLatin1String("LK_OBJ");
    if (objectLink)
        mode = QStringLiteral("LK");
    if (m_replace)
        mode = QStringLiteral("FD");
    m_mode = mode;
    TxmModePage *page = pageFor(mode);
    if (!page)
        return false;
    // Only the shown page counts for the dialog's size: the pages of earlier modes must not widen it.
    for (TxmModePage *other : std::as_const(m_pages))
        other->setSizePolicy(other == page ? QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred)
                                           : QSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored));
    m_stack->setCurrentWidget(page);
    setWindowTitle(page->caption());
    m_cancel->setEnabled(true);
    m_ok->setVisible(!page->ownButtons());
    m_cancel->setVisible(!page->ownButtons());
    // Enter in a mode's box means OK, not whichever of the mode's own buttons comes first.
    m_ok->setDefault(!page->ownButtons());
    if (auto *link = qobject_cast<TxmLinkPage *>(page))
        link->setObjectLink(objectLink);
    if (auto *find = qobject_cast<TxmFindPage *>(page))
        find->setReplace(m_replace);
    page->load(answerIn);
    m_ok->setEnabled(true);
    return true;
}

bool sbTxmDialog::okClicked()
{
    TxmModePage *page = m_pages.value(m_mode);
    if (!page)
        return true;
    QString answer;
    if (!page->apply(answer))
        return false;
    m_answer = answer;
    return true;
}

void sbTxmDialog::cancelClicked()
{
    m_answer.clear();
}

void sbTxmDialog::Act(const QString &mode, QString &answer)
{
    const QString in = answer;
    if (!prepare(mode, in)) {
        answer.clear();
        return;
    }
    place();
    // Its owner, the editor's companion, is never shown: the window the editor sits in takes the
    // keyboard back when the dialog closes, at once and not when the desktop gets to it.
    winId();
    if (QWidget *window = m_editor.window(); window && window->windowHandle() && windowHandle())
        windowHandle()->setTransientParent(window->windowHandle());
    exec();
    answer = m_answer;
}

void sbTxmDialog::place()
{
    // The layouts keep their last sizes until the event loop runs: ask them anew for this mode.
    m_stack->updateGeometry();
    layout()->invalidate();
    layout()->activate();
    const QSize hint = minimumSizeHint().expandedTo(sizeHint());
    resize(qMax(hint.width(), Twips::toPx(*this, BaseWidth, true)),
           qMax(hint.height(), Twips::toPx(*this, BaseHeight, false)));
    // Centred on the main window every time; the place is not remembered.
    if (QWidget *main = Usr::st().mainWindow ? Usr::st().mainWindow : m_editor.window()) {
        const QRect area = main->frameGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
}

void sbTxmDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (TxmModePage *page = m_pages.value(m_mode)) {
        if (QWidget *focus = page->firstFocus())
            focus->setFocus();
    }
}

void sbTxmDialog::reject()
{
    cancelClicked();
    QDialog::reject();
}
