#include "platform/desktop/WidgetPrompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
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
    bool accepted = false;
    const QString value = QInputDialog::getText(parentWindow(), title, text, QLineEdit::Normal,
                                                defaultValue, &accepted);
    if (ok)
        *ok = accepted;
    return accepted ? value : QString();
}

QString WidgetPrompt::openFile(const QString &title, const QString &dir, const QString &filter)
{
    return openFileWith(title, dir, filter, QString());
}

QString WidgetPrompt::openFileWith(const QString &title, const QString &dir, const QString &filter,
                                   const QString &selected)
{
    QString chosen = selected;
    return QFileDialog::getOpenFileName(parentWindow(), title, dir, filter, selected.isEmpty() ? nullptr : &chosen);
}

QString WidgetPrompt::saveFile(const QString &title, const QString &dir, const QString &filter)
{
    return QFileDialog::getSaveFileName(parentWindow(), title, dir, filter);
}

QString WidgetPrompt::chooseFolder(const QString &title, const QString &dir)
{
    return QFileDialog::getExistingDirectory(parentWindow(), title, dir);
}
