// Window-system-neutral rules the toolkits share: how layout values turn
// into shortcuts, file filters, tab order, status-bar part edges and which
// picture of an icon file to show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Layout.h"

namespace pelmor::toolkit {

struct Shortcut {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    unsigned key = 0;  // virtual-key code: 'A'..'Z', '0'..'9', F1..F24 from 0x70
};

// "Ctrl+S", "Shift+Ctrl+F5", "Alt+X": modifiers in any order, then one key.
// Returns false for anything else (no key, unknown key or modifier).
bool ParseShortcut(std::string_view text, Shortcut& out);

// "Name|*.ext|Other|*.a;*.b" -> "Name\0*.ext\0Other\0*.a;*.b\0\0", the list a
// file dialog takes. A name without a pattern gets "*.*"; an empty filter
// gives an empty list (two zeros).
std::string FilterList(std::string_view filter);

// The controls that take focus, in tab order: the nodes with tab=, by tab
// index, equal indexes in layout order.
std::vector<const LayoutNode*> TabOrder(const Layout& layout);

// Right edges of status-bar parts from the panel widths. The last panel
// reaches to the bar's right end (-1), so a long text in it stays readable.
std::vector<int> PanelEdges(const std::vector<int>& widths);

// One picture inside the bytes of an .ico file.
struct IconPicture {
    std::size_t offset = 0;
    std::size_t size = 0;
    int width = 0;
    int height = 0;
    int bitCount = 0;
};

// The picture of an .ico file closest to size x size (an exact size first,
// then the nearest larger, then the largest), more colours preferred among
// equal sizes. False when the bytes are not an icon file or a picture lies
// outside them.
bool PickIconPicture(std::string_view ico, int size, IconPicture& out);

}  // namespace pelmor::toolkit
