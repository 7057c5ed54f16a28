#pragma once

#include "platform/richtext/PageImage.h"

#include <QByteArrayView>

class ByteReader;

// Reads the page stream (PageStream.h) into a PageImage and checks everything a build relies on:
// format kinds at each place, the structure of every part, tables whose cells tile their grid, picture
// names, limits on nesting and table sizes. False for damaged, truncated, foreign or too new bytes.
class PageDecoder
{
public:
    // `sparseTable`, when given, tells whether the bytes were refused for a table whose grid is far
    // larger than its bytes describe (cells merged over much of it): the one refusal that a page of
    // well-formed content can meet.
    static bool decode(QByteArrayView bytes, PageImage::Page &page, bool *sparseTable = nullptr);

private:
    explicit PageDecoder(PageImage::Page &page);
    bool sections(ByteReader &in);
    bool setup(ByteReader in);
    bool formats(ByteReader in);
    bool part(ByteReader in);
    bool picture(ByteReader in);
    bool items(ByteReader &in, std::vector<PageImage::Item> &items, int depth);
    bool block(ByteReader &in, PageImage::Item &item);
    bool table(ByteReader &in, PageImage::Item &item, int depth);
    bool formatOf(int index, int type, int objectType = 0) const;

    PageImage::Page &m_page;
    const PageImage::Part *m_part = nullptr;
    bool m_haveFormats = false;
    bool m_sparseTable = false;
};
