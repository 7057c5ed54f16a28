#pragma once

#include <QValidator>

// The page title is one line of plain text, whatever is typed or pasted into its box: the lines of a
// pasted text are joined by a blank, and a tab or any other control character never reaches the
// title of the page and its placements.
class TitleValidator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override;
    static QString oneLine(const QString &text);
};
