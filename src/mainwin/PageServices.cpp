#include "mainwin/PageServices.h"

#include "platform/richtext/PageCodec.h"
#include "platform/richtext/RichTextEdit.h"

bool PageServices::loadBytes(RichTextEdit &edit, const QByteArray &bytes, int format, bool atCaret)
{
    edit.beginCommand();
    const bool ok = PageCodec::loadBytes(*edit.page(), edit.cursor(), bytes, format, atCaret);
    edit.endCommand();
    return ok;
}

QByteArray PageServices::saveBytes(RichTextEdit &edit, int format)
{
    return PageCodec::saveBytes(*edit.page(), format);
}
