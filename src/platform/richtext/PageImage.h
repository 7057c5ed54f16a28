#pragma once

#include "platform/richtext/PageSetup.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTextFormat>

#include <vector>

// A page as read from the page stream and checked, before anything is built from it: the formats by
// index and each part's content as a tree of blocks, tables and frames. PageDecoder fills it,
// PageBuilder makes the documents from it.
namespace PageImage {

struct Fragment {
    int format = 0;     // char format
    QString text;
};

struct Item;

struct Cell {
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    int format = 0;     // char format (cell)
    std::vector<Item> items;
};

struct Item {
    enum Kind { Block = 1, Table = 2, Frame = 3 };
    int kind = Block;
    // Block
    int blockFormat = 0;
    int charFormat = -1; // -1: the block follows structure, whose format it shows
    int list = -1;       // index into Part::lists
    std::vector<Fragment> fragments;
    // Table and frame
    int format = 0;
    int rows = 0;
    int columns = 0;
    std::vector<Cell> cells;  // table, in row order
    std::vector<Item> items;  // frame
};

struct Part {
    enum Kind { HeaderFooter = 0, TextFrame = 1 };
    int kind = HeaderFooter;
    int key = 0;         // part flag, or the frame's id
    int rootFormat = 0;
    QList<int> lists;    // list formats
    std::vector<Item> items;
};

struct Picture {
    QString name;
    QByteArray format;
    QByteArray bytes;
};

struct Page {
    PageSetup setup;
    QList<QTextFormat> formats;
    std::vector<Part> parts;
    std::vector<Picture> pictures;
};

} // namespace PageImage
