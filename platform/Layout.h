// Form layouts are data: one text file beside each form's source, read by
// every toolkit. A line is "kind name key=value ...", values optionally in
// double quotes (\" and \\ escape); indentation nests (menu items).
// Lines starting with '#' are comments. The first node is the form itself.
//
// Vocabulary (sizes in client pixels):
//   form NAME class= caption= client=W,H position=X,Y (or centered=1)
//        border=single|dialog icons=sysmenu,minimize,maximize font= fontheight=
//        charset=shiftjis color=btnface menu=MENU OnCloseQuery=HANDLER
//   label | edit | memo | checkbox | listbox | button | speedbutton | image |
//   bevel | statusbar NAME at=X,Y size=W,H
//        caption= (label, checkbox, button)  hint= (tooltip)  tab=N (tab order;
//        controls without it take no focus)  default=1 / cancel=1 (button:
//        Enter / Esc)  itemheight= (listbox)  panels=W,W,... (statusbar)
//        align=top shape=topline (bevel)  glyph=RESOURCE (speedbutton)
//        icon=RESOURCE (image)  OnClick=HANDLER (button, speedbutton)
//   timer NAME interval=MS enabled=0|1 OnTimer=HANDLER
//   menu NAME, with nested "item NAME caption= shortcut=Ctrl+X OnClick=HANDLER";
//        a caption of "-" is a separator
//   opendialog NAME title= filter="Text|*.ext" defaultext=
//   ddeclient NAME (no window)
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelmor {

struct LayoutNode {
    std::string kind;
    std::string name;
    std::vector<std::pair<std::string, std::string>> attrs;  // file order
    std::vector<LayoutNode> children;

    bool Has(std::string_view key) const;
    std::string Str(std::string_view key, std::string_view def = {}) const;
    int Int(std::string_view key, int def = 0) const;
    // "a,b" -> {a, b}; missing -> {def, def}
    std::pair<int, int> Pair(std::string_view key, int def = 0) const;
    // "a,b,c" -> {a, b, c}
    std::vector<int> Ints(std::string_view key) const;
    // "x,y,z" -> {"x","y","z"}
    std::vector<std::string> List(std::string_view key) const;
    bool Flag(std::string_view key) const;  // value "1"/"true" or listed in a comma list
};

struct Layout {
    LayoutNode form;                 // kind "form"
    std::vector<LayoutNode> nodes;   // controls, timers, menus, dialogs: creation order

    const LayoutNode* Find(std::string_view name) const;  // searches nested nodes too
    static Layout Parse(std::string_view text);         // throws Exception on bad syntax
};

}  // namespace pelmor
