#include "platform/richtext/PartDocument.h"

#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextFrameHandler.h"
#include "platform/richtext/TextProps.h"

#include <QAbstractTextDocumentLayout>
#include <QUrl>

PartDocument::PartDocument(PageDocument *page, int partFlag, int frameId)
    : QTextDocument(page), m_page(page), m_partFlag(partFlag), m_frameId(frameId)
{
    setUndoRedoEnabled(true);
    documentLayout()->registerHandler(TextProps::TextFrameObject, page->frameHandler());
}

QVariant PartDocument::loadResource(int type, const QUrl &name)
{
    if (type != QTextDocument::ImageResource)
        return QVariant();
    const QImage image = m_page->pictureImage(name.toString());
    return image.isNull() ? QVariant() : QVariant(image);
}
