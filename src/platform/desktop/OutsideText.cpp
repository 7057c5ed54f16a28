#include "platform/desktop/OutsideText.h"

#include <QLabel>
#include <QTextDocument>

QLabel *OutsideText::label(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QString OutsideText::tip(const QString &text)
{
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}
