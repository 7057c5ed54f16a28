#include "platform/desktop/WidgetPrompt.h"

#include "platform/desktop/OnTopAside.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>

namespace {

struct ButtonChoice { QMessageBox::StandardButton button; int answer; };

QList<ButtonChoice> buttonsFor(int style)
{
    switch (style & 7) {
    case Prompt::OkCancel: return {{QMessageBox::Ok, Prompt::Ok}, {QMessageBox::Cancel, Prompt::Cancel}};
    case Prompt::AbortRetryIgnore:
        return {{QMessageBox::Abort, Prompt::Abort}, {QMessageBox::Retry, Prompt::Retry},
                {QMessageBox::Ignore, Prompt::Ignore}};
    case Prompt::YesNoCancel:
        return {{QMessageBox::Yes, Prompt::Yes}, {QMessageBox::No, Prompt::No},
                {QMessageBox::Cancel, Prompt::Cancel}};
    case Prompt::YesNo: return {{QMessageBox::Yes, Prompt::Yes}, {QMessageBox::No, Prompt::No}};
    case Prompt::RetryCancel: return {{QMessageBox::Retry, Prompt::Retry}, {QMessageBox::Cancel, Prompt::Cancel}};
    default: return {{QMessageBox::Ok, Prompt::Ok}};
    }
}

QMessageBox::Icon iconFor(int style)
{
    switch (style & 0x70) {
    case Prompt::Critical: return QMessageBox::Critical;
    case Prompt::Question: return QMessageBox::Question;
    case Prompt::Exclamation: return QMessageBox::Warning;
    case Prompt::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// Icons and kinds of files told by their names alone. Guessing a kind from a
// file's first bytes opens and closes the file, and closing any descriptor of
// a file drops every lock the process holds on it: the open database would
// lose SQLite's locks, and another program could then remove its log under it.
class NameOnlyIcons : public QFileIconProvider
{
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QFileIconProvider::icon(Folder);
        const QIcon themed = QIcon::fromTheme(byName(info).iconName());
        return themed.isNull() ? QFileIconProvider::icon(File) : themed;
    }
    QString type(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QFileIconProvider::type(info);
        const QMimeType mime = byName(info);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    static QMimeType byName(const QFileInfo &info)
    {
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    }
};

// Qt's own dialog with the icons above: a desktop's native dialog reads the
// files it lists, and so would the default icons.
QString runFileDialog(QWidget *parent, const QString &title, const QString &dir, const QString &filter,
                      QFileDialog::AcceptMode accept, QFileDialog::FileMode mode, const QString &selected = QString(),
                      bool askOverwrite = true)
{
    NameOnlyIcons icons;
    QFileDialog dialog(parent, title, dir, filter);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !askOverwrite);
    if (!selected.isEmpty())
        dialog.selectNameFilter(selected);
    OnTopAside aside;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(accept);
    dialog.setFileMode(mode);
    if (mode == QFileDialog::Directory)
        dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

// A prompt's text is the text itself: a title "<b>x</b>" is shown as typed, and line feeds break lines.
void showPlain(QWidget *dialog)
{
    for (QLabel *label : dialog->findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
}

// Qt leaves room for a title and a little more; a desktop's frame puts its icon and buttons beside
// the title too, and a short text made a box whose title was cut.
void fitTitle(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    const int frame = 160;
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
    grid->addItem(new QSpacerItem(title.horizontalAdvance(box.windowTitle()) + frame, 0, QSizePolicy::Minimum,
                                  QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

int WidgetPrompt::message(const QString &text, int style, const QString &title)
{
    QMessageBox box(iconFor(style), title.isEmpty() ? QApplication::applicationDisplayName() : title,
                    text, QMessageBox::NoButton, parentWindow());
    const QList<ButtonChoice> choices = buttonsFor(style);
    for (const ButtonChoice &choice : choices)
        box.addButton(choice.button);
    const int defaultIndex = (style & DefaultButton3) ? 2 : (style & DefaultButton2) ? 1 : 0;
    box.setDefaultButton(choices.value(defaultIndex, choices.first()).button);
    box.setTextFormat(Qt::PlainText);
    fitTitle(box);
    OnTopAside aside;
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const ButtonChoice &choice : choices) {
        if (choice.button == pressed)
            return choice.answer;
    }
    // Closed by its frame: Cancel where offered, otherwise the last button.
    for (const ButtonChoice &choice : choices) {
        if (choice.answer == Cancel)
            return Cancel;
    }
    return choices.last().answer;
}

QString WidgetPrompt::input(const QString &text, const QString &title, const QString &defaultValue, bool *ok)
{
    QInputDialog dialog(parentWindow());
    dialog.setWindowTitle(title);
    dialog.setLabelText(text);
    dialog.setTextValue(defaultValue);
    showPlain(&dialog);
    OnTopAside aside;
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (ok)
        *ok = accepted;
    return accepted ? dialog.textValue() : QString();
}

QString WidgetPrompt::openFile(const QString &title, const QString &dir, const QString &filter)
{
    return openFileWith(title, dir, filter, QString());
}

QString WidgetPrompt::openFileWith(const QString &title, const QString &dir, const QString &filter,
                                   const QString &selected)
{
    return runFileDialog(parentWindow(), title, dir, filter, QFileDialog::AcceptOpen, QFileDialog::ExistingFile,
                         selected);
}

QString WidgetPrompt::saveFile(const QString &title, const QString &dir, const QString &filter)
{
    return runFileDialog(parentWindow(), title, dir, filter, QFileDialog::AcceptSave, QFileDialog::AnyFile);
}

QString WidgetPrompt::saveFileUnasked(const QString &title, const QString &dir, const QString &filter)
{
    return runFileDialog(parentWindow(), title, dir, filter, QFileDialog::AcceptSave, QFileDialog::AnyFile, QString(),
                         false);
}

QString WidgetPrompt::chooseFolder(const QString &title, const QString &dir)
{
    return runFileDialog(parentWindow(), title, dir, QString(), QFileDialog::AcceptOpen, QFileDialog::Directory);
}
