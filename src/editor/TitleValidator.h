#pragma once

#include <QValidator>

// The page title is one line of plain text, whatever is typed or pasted into its box
// (HtmMoji::oneLine).
class TitleValidator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override;
};
