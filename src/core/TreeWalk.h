#pragma once

// The bounds of the walks that lay out a whole tree (the site and its map, the book, the outputs'
// ranges). They lay a page out under every placement that leads to it, and a database from
// elsewhere may hold what nobody builds by hand: a chain of pages many thousands deep, which a walk
// going down one call per level would follow until the stack is exhausted, or link placements
// crossing between the levels, which multiply the layout beyond any memory. What lies past these
// bounds is left out of the layout.
namespace TreeWalk {
// Levels below the top.
constexpr int MaxDepth = 1000;
// Placements laid out in one walk.
constexpr int MaxNodes = 100000;
} // namespace TreeWalk
