#include "mainwin/PageServices.h"

#include "platform/richtext/RichTextEdit.h"

#if __has_include("platform/richtext/PageCodec.h")
#include "platform/richtext/PageCodec.h"
#define FENWAR_HAVE_PAGE_CODEC 1
#endif

bool PageServices::loadBytes(RichTextEdit &edit, const QByteArray &bytes, int format, bool atCaret)
{
#ifdef FENWAR_HAVE_PAGE_CODEC
    edit.beginCommand();
    const bool ok = PageCodec::loadBytes(*edit.page(), edit.cursor(), bytes, format, atCaret);
    edit.endCommand();
    return ok;
#else
    return EditorServices::loadBytes(edit, bytes, format, atCaret);
#endif
}

QByteArray PageServices::saveBytes(RichTextEdit &edit, int format)
{
#ifdef FENWAR_HAVE_PAGE_CODEC
    return PageCodec::saveBytes(*edit.page(), format);
#else
    return EditorServices::saveBytes(edit, format);
#endif
}
