#pragma once

// How many levels below the top the walks that lay out a whole tree (the site and its map, the
// book, the outputs' ranges) go. Nobody builds a deeper tree by hand; a database from elsewhere may
// hold a chain of pages many thousands deep, and a walk that goes down it one call per level would
// exhaust the stack. Pages below this level are left out of what those walks lay out.
namespace TreeDepth {
constexpr int Max = 1000;
} // namespace TreeDepth
