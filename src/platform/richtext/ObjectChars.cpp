#include "platform/richtext/ObjectChars.h"

#include "platform/richtext/TextProps.h"

#include <QTextFragment>
#include <QTextImageFormat>

using namespace TextProps;

bool ObjectChars::isObject(const QTextCharFormat &format)
{
    return format.isImageFormat() || format.objectType() == TextFrameObject;
}

QTextCharFormat ObjectChars::textFormat(QTextCharFormat format)
{
    for (int p : {int(QTextFormat::ObjectType), int(QTextFormat::ObjectIndex), int(QTextFormat::ImageName),
                  int(QTextFormat::ImageTitle), int(QTextFormat::ImageAltText), int(QTextFormat::ImageWidth),
                  int(QTextFormat::ImageHeight), int(QTextFormat::ImageQuality), int(ObjectId)})
        format.clearProperty(p);
    for (int p = PictureLayout; p <= PictureAlt; ++p)
        format.clearProperty(p);
    for (int p = FrameDistLeft; p <= FrameBackground; ++p)
        format.clearProperty(p);
    return format;
}

QList<ObjectChars::Piece> ObjectChars::pieces(const QTextFragment &fragment)
{
    const QTextCharFormat format = fragment.charFormat();
    const QString text = fragment.text();
    if (!isObject(format))
        return {Piece{text, format, false}};
    QList<Piece> out;
    const QTextCharFormat look = textFormat(format);
    qsizetype from = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != QChar::ObjectReplacementCharacter)
            continue;
        if (i > from)
            out << Piece{text.mid(from, i - from), look, false};
        if (i < text.size())
            out << Piece{QString(QChar::ObjectReplacementCharacter), format, true};
        from = i + 1;
    }
    return out;
}
