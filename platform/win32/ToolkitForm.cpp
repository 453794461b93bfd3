// A form's window: the top-level window, its controls, menu, accelerators
// and timers, and its part of the message handling. What an event means is
// the form engine's business (platform/Form.cpp).
#include "platform/win32/ToolkitImpl.h"

#include <algorithm>

#include "platform/ToolkitRules.h"

namespace pelmor::win32 {

namespace {

// The speed button takes no focus: a click leaves the focus where it was.
// The button's own procedure is kept in its user data, which nothing else
// of a button uses.
LRESULT CALLBACK NoFocusProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto button = reinterpret_cast<WNDPROC>(text::GetLong(hwnd, GWLP_USERDATA));
    if (msg == WM_SETFOCUS) {
        HWND previous = reinterpret_cast<HWND>(wp);
        if (previous && previous != hwnd && IsWindow(previous)) {
            SetFocus(previous);
            return 0;
        }
    }
    if (msg == WM_NCDESTROY) text::Subclass(hwnd, button);
    return text::CallProc(button, hwnd, msg, wp, lp);
}

struct Frame {
    DWORD style = 0;
    DWORD exStyle = 0;
};

// The designed face when the system has it. A system without it (Wine, a
// non-Japanese Windows) gets a proportional Japanese Gothic face of the same
// kind when it has one, else whatever GDI maps for the character set.
std::string PickFace(const std::string& face, BYTE charset) {
    if (charset != SHIFTJIS_CHARSET || text::FaceInstalled(face, charset)) return face;
    for (const char* alt : {"MS PGothic", "MS UI Gothic", "IPAPGothic", "VL PGothic"}) {
        if (text::FaceInstalled(alt, charset)) return alt;
    }
    return face;
}

Frame FrameOf(const LayoutNode& form, bool mainForm) {
    Frame f;
    std::string border = form.Str("border", "sizeable");
    std::vector<std::string> icons = form.List("icons");
    auto has = [&](const char* icon) { return std::find(icons.begin(), icons.end(), icon) != icons.end(); };
    if (!form.Has("icons")) icons = {"sysmenu", "minimize", "maximize"};
    if (border == "dialog") {
        f.style = WS_POPUP | WS_CAPTION;
        f.exStyle = WS_EX_DLGMODALFRAME;
    } else {
        f.style = (mainForm ? WS_OVERLAPPED : WS_POPUP) | WS_CAPTION;
        if (border != "single") f.style |= WS_THICKFRAME;
        if (has("minimize")) f.style |= WS_MINIMIZEBOX;
        if (has("maximize")) f.style |= WS_MAXIMIZEBOX;
    }
    if (has("sysmenu")) f.style |= WS_SYSMENU;
    f.style |= WS_CLIPCHILDREN;
    f.exStyle |= WS_EX_CONTROLPARENT;
    return f;
}

}  // namespace

Form::Form(Toolkit& kit, const Layout& layout, IFormInput& input, bool mainForm, HWND owner)
    : kit_(kit), layout_(layout), input_(input), main_(mainForm) {
    const LayoutNode& f = layout_.form;
    LOGFONTA lf{};  // precision, quality, pitch and family: the defaults (0)
    lf.lfHeight = -f.Int("fontheight", 12);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = f.Str("charset") == "shiftjis" ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    font_ = text::NewFont(lf, PickFace(f.Str("font"), lf.lfCharSet));
    try {
        CreateFrame(owner);
    } catch (...) {
        if (font_) DeleteObject(font_);
        throw;
    }
}

Form::~Form() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (accel_) DestroyAcceleratorTable(accel_);
    for (HBITMAP b : glyphs_) DeleteObject(b);
    if (font_) DeleteObject(font_);
}

void Form::CreateFrame(HWND owner) {
    const LayoutNode& f = layout_.form;
    Frame frame = FrameOf(f, main_);
    auto [cw, ch] = f.Pair("client", 0);
    const bool menu = f.Has("menu") && layout_.Find(f.Str("menu"));

    RECT rc{0, 0, cw, ch};
    AdjustWindowRectEx(&rc, frame.style, menu, frame.exStyle);
    int w = frameWidth_ = rc.right - rc.left, h = frameHeight_ = rc.bottom - rc.top;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    if (f.Flag("centered")) {
        x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    } else if (f.Has("position")) {
        std::tie(x, y) = f.Pair("position");
    }

    hwnd_ = text::NewWindow(frame.exStyle, kit_.FormClass(f.Str("class", f.name)), f.Str("caption"),
                            frame.style, x, y, w, h, main_ ? nullptr : owner, nullptr,
                            kit_.instance, this);
    if (!hwnd_) throw Exception("cannot create the window " + f.name);
}

// The menu is in place: the menu bar may wrap, and frames differ between
// systems, so the client area is made exactly the designed size.
void Form::MenuDone() {
    if (!hwnd_) return;
    if (bar_) {
        SetMenu(hwnd_, bar_);
        if (!accels_.empty()) accel_ = text::CreateAccel(accels_.data(), static_cast<int>(accels_.size()));
    }
    auto [cw, ch] = layout_.form.Pair("client", 0);
    RECT client;
    GetClientRect(hwnd_, &client);
    int dw = cw - (client.right - client.left), dh = ch - (client.bottom - client.top);
    if (dw != 0 || dh != 0) {
        SetWindowPos(hwnd_, nullptr, 0, 0, frameWidth_ + dw, frameHeight_ + dh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HWND Form::Child(const LayoutNode& node, int id, const char* cls, DWORD style, DWORD exStyle,
                 const std::string& caption) {
    auto [x, y] = node.Pair("at");
    auto [w, h] = node.Pair("size");
    style |= WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    HWND hwnd = text::NewWindow(exStyle, cls, caption, style, x, y, w, h, hwnd_,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), kit_.instance,
                                nullptr);
    if (!hwnd) throw Exception("cannot create the control " + node.name);
    text::Send(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (node.Has("hint")) {
        if (!tooltip_) {
            tooltip_ = text::NewWindow(0, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                       hwnd_, nullptr, kit_.instance, nullptr);
        }
        if (tooltip_) text::AddTool(tooltip_, hwnd_, hwnd, node.Str("hint"));
    }
    return hwnd;
}

std::unique_ptr<IControl> Form::CreateControl(const LayoutNode& node, int id) {
    const std::string& k = node.kind;
    DWORD style = node.Has("tab") ? WS_TABSTOP : 0;
    DWORD exStyle = 0;
    const char* cls = "BUTTON";
    std::string caption = node.Str("caption", node.Str("text"));
    if (k == "label") {
        cls = "STATIC";
        style |= SS_LEFTNOWORDWRAP;
    } else if (k == "edit") {
        cls = "EDIT";
        style |= ES_LEFT | ES_AUTOHSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
    } else if (k == "memo") {
        cls = "EDIT";
        // No scroll bar: the text scrolls itself (ES_AUTOVSCROLL). A themed
        // scroll bar is redrawn in full on every typed character, which made
        // the keystroke load cost many times what the typing itself does.
        style |= ES_LEFT | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
    } else if (k == "checkbox") {
        style |= BS_AUTOCHECKBOX;
    } else if (k == "listbox") {
        cls = "LISTBOX";
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
    } else if (k == "button") {
        style |= node.Flag("default") ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    } else if (k == "speedbutton") {
        style &= ~static_cast<DWORD>(WS_TABSTOP);
        style |= BS_PUSHBUTTON | BS_BITMAP;
        if (node.Flag("flat")) style |= BS_FLAT;
        // The glyph shows; the hint names the button for screen readers.
        if (caption.empty()) caption = node.Str("hint");
    } else {  // bevel: drawn by the form (WM_DRAWITEM), so it keeps its designed size
        cls = "STATIC";
        style |= SS_OWNERDRAW;
    }
    HWND hwnd = Child(node, id, cls, style, exStyle, caption);
    auto [w, h] = node.Pair("size");
    if (k == "label") FitLabel(hwnd, caption, w, h);

    auto widget = std::make_unique<Widget>(k, hwnd);
    if (k == "checkbox" && node.Flag("checked")) text::Send(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    if (k == "listbox" && node.Has("itemheight"))
        text::Send(hwnd, LB_SETITEMHEIGHT, 0, MAKELPARAM(node.Int("itemheight"), 0));
    if (k == "bevel") {
        std::string shape = node.Str("shape", "box");
        bevelEdges_[id] = shape == "topline"      ? BF_TOP
                          : shape == "bottomline" ? BF_BOTTOM
                          : shape == "leftline"   ? BF_LEFT
                          : shape == "rightline"  ? BF_RIGHT
                                                  : BF_RECT;
    }
    if (k == "button" && node.Flag("default")) defaultButton_ = widget.get();
    if (k == "speedbutton") {
        text::SetLong(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(text::Subclass(hwnd, NoFocusProc)));
        if (HBITMAP glyph = kit_.LoadGlyph(node.Str("glyph"))) {
            glyphs_.push_back(glyph);
            text::Send(hwnd, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph));
        }
    }
    widgetById_[static_cast<UINT>(id)] = widget.get();
    return widget;
}

std::unique_ptr<IStatusBar> Form::CreateStatusBar(const LayoutNode& node, int id) {
    HWND hwnd = Child(node, id, STATUSCLASSNAMEA, CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, 0, "");
    std::vector<int> edges = toolkit::PanelEdges(node.Ints("panels"));
    if (!edges.empty()) text::Send(hwnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    text::Send(hwnd, SB_SIMPLE, FALSE, 0);
    auto bar = std::make_unique<StatusBarImpl>(hwnd);
    statusBars_.push_back(bar.get());
    return bar;
}

std::unique_ptr<IImage> Form::CreateImage(const LayoutNode& node, int id) {
    HWND hwnd = Child(node, id, kImageClass, 0, 0, "");
    auto [w, h] = node.Pair("size");
    HICON icon = node.Has("icon") ? kit_.LoadIconResource(node.Str("icon"), std::min(w, h)) : nullptr;
    auto image = std::make_unique<ImageImpl>(hwnd, w, h, icon);
    text::SetLong(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(image.get()));
    images_.push_back(image.get());
    return image;
}

std::unique_ptr<IOpenDialog> Form::CreateOpenDialog(const LayoutNode& node) {
    return std::make_unique<OpenDialogImpl>(*this, node);
}

// A label shows its whole text on one line: one laid out for the designed
// font grows when the font in use is wider.
void Form::FitLabel(HWND label, const std::string& caption, int width, int height) {
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, font_);
    SIZE extent = text::TextExtent(dc, caption);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    if (extent.cx > width || extent.cy > height) {
        SetWindowPos(label, nullptr, 0, 0, std::max<int>(width, extent.cx), std::max<int>(height, extent.cy),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Form::AddMenuItem(int parent, int id, const LayoutNode& item, MenuEntry entry,
                       const toolkit::Shortcut* shortcut) {
    if (!bar_) bar_ = CreateMenu();
    HMENU menu = parent ? submenus_.at(parent) : bar_;
    const std::string caption = item.Str("caption");
    if (entry == MenuEntry::Separator) {
        text::AppendMenuItem(menu, MF_SEPARATOR, 0, {});
    } else if (entry == MenuEntry::Submenu) {
        HMENU sub = submenus_[id] = CreatePopupMenu();
        text::AppendMenuItem(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), caption);
    } else {
        text::AppendMenuItem(menu, MF_STRING, static_cast<UINT_PTR>(id), caption);
        if (shortcut) {
            ACCEL a{};
            a.fVirt = FVIRTKEY | (shortcut->ctrl ? FCONTROL : 0) | (shortcut->shift ? FSHIFT : 0) |
                      (shortcut->alt ? FALT : 0);
            a.key = static_cast<WORD>(shortcut->key);
            a.cmd = static_cast<WORD>(id);
            accels_.push_back(a);
        }
    }
    menuSlots_[id] = {menu, menuCounts_[menu]++};
}

void Form::SetMenuItem(int id, std::string_view caption, bool enabled) {
    auto it = menuSlots_.find(id);
    if (!hwnd_ || it == menuSlots_.end() || !IsMenu(it->second.parent)) return;
    auto [menu, position] = it->second;
    if (GetMenuState(menu, position, MF_BYPOSITION) == static_cast<UINT>(-1)) return;
    text::SetMenuText(menu, position, caption);
    EnableMenuItem(menu, position, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    if (GetMenu(hwnd_) == menu) DrawMenuBar(hwnd_);
}

// Controls with a tab index come first in the Z-order, in tab order, so the
// dialog keys move between them in that order; the others follow as created.
void Form::SetTabOrder(const std::vector<int>& ids) {
    tabOrder_ = ids;
    HWND after = HWND_TOP;
    for (int id : ids) {
        auto it = widgetById_.find(static_cast<UINT>(id));
        if (it == widgetById_.end() || !it->second->hwnd) continue;
        HWND w = it->second->hwnd;
        SetWindowPos(w, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = w;
    }
}

HWND Form::FirstTabStop() const {
    for (int id : tabOrder_) {
        auto it = widgetById_.find(static_cast<UINT>(id));
        if (it == widgetById_.end()) continue;
        HWND w = it->second->hwnd;
        if (w && IsWindowEnabled(w) && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// Back to the control that had the focus, or the first in tab order; an
// edit that gets it that way shows its text selected, as in a dialog.
void Form::RestoreFocus() {
    HWND target = focus_;
    if (target && IsWindow(target) && IsChild(hwnd_, target) && IsWindowEnabled(target)) {
        SetFocus(target);
        return;
    }
    target = FirstTabStop();
    if (!target) return;
    SetFocus(target);
    auto it = widgetById_.find(static_cast<UINT>(GetDlgCtrlID(target)));
    if (it != widgetById_.end() && it->second->kind == "edit") {
        text::Send(target, EM_SETSEL, 0, -1);
    }
}

// Windows keeps at most USER_TIMER_MAXIMUM; SetTimer on a running timer
// starts it afresh.
void Form::StartTimer(int id, std::uint32_t ms) {
    if (!hwnd_) return;
    KillTimer(hwnd_, static_cast<UINT_PTR>(id));
    SetTimer(hwnd_, static_cast<UINT_PTR>(id), std::min<std::uint32_t>(ms, USER_TIMER_MAXIMUM), nullptr);
}

void Form::RunModal() {
    modalEnded_ = false;
    ShowWindow(hwnd_, SW_SHOW);
    SetActiveWindow(hwnd_);
    RestoreFocus();
    while (!modalEnded_ && hwnd_) {
        if (!kit_.PumpMessage()) {
            // The program is ending: leave the quit for the outer loop.
            PostQuitMessage(kit_.quitCode);
            break;
        }
    }
}

void Form::ModalDone() {
    if (!hwnd_) return;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    ShowWindow(hwnd_, SW_HIDE);
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
}

void Form::EndMain() {
    if (hwnd_) DestroyWindow(hwnd_);
    PostQuitMessage(0);
}

void Form::Command(UINT id, UINT code, HWND control) {
    if (control) {
        auto it = widgetById_.find(id);
        if (it != widgetById_.end() && it->second->hwnd == control && code == BN_CLICKED) {
            input_.Clicked(static_cast<int>(id));
        }
        return;
    }
    // Menus (code 0), accelerators (code 1), and the dialog keys: Esc sends
    // IDCANCEL, Enter sends IDOK when the form has no default button.
    if (id == IDCANCEL) {
        input_.CancelKey();
    } else if (id != IDOK) {
        input_.MenuCommand(static_cast<int>(id));
    }
}

bool Form::PreTranslate(MSG& msg) {
    if (!hwnd_) return false;
    if (accel_ && IsWindowEnabled(hwnd_) && text::TranslateAccel(hwnd_, accel_, &msg)) return true;
    return text::DialogMessage(hwnd_, &msg) != FALSE;
}

void Form::Gone() {
    kit_.Unregister(hwnd_);
    hwnd_ = nullptr;
    bar_ = nullptr;  // destroyed with the window
    tooltip_ = nullptr;
    focus_ = nullptr;
    for (auto& [id, w] : widgetById_) w->hwnd = nullptr;
    for (StatusBarImpl* s : statusBars_) s->hwnd = nullptr;
    for (ImageImpl* i : images_) i->hwnd = nullptr;
}

LRESULT CALLBACK Form::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        // CREATESTRUCTA and CREATESTRUCTW begin alike.
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        auto* form = static_cast<Form*>(cs->lpCreateParams);
        text::SetLong(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->hwnd_ = hwnd;
        form->kit_.Register(hwnd, form);
    }
    auto* form = reinterpret_cast<Form*>(text::GetLong(hwnd, GWLP_USERDATA));
    if (!form) return text::DefProc(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        text::SetLong(hwnd, GWLP_USERDATA, 0);
        form->Gone();
        return text::DefProc(hwnd, msg, wp, lp);
    }
    return form->WndProc(msg, wp, lp);
}

LRESULT Form::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    HWND self = hwnd_;
    switch (msg) {
        case WM_COMMAND:
            Command(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case WM_TIMER:
            input_.TimerDue(static_cast<int>(wp));
            return 0;
        case WM_DRAWITEM: {
            auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            auto it = bevelEdges_.find(item->CtlID);
            if (it == bevelEdges_.end()) break;
            RECT rc = item->rcItem;
            FillRect(item->hDC, &rc, GetSysColorBrush(COLOR_BTNFACE));
            DrawEdge(item->hDC, &rc, EDGE_ETCHED, it->second);
            return TRUE;
        }
        case DM_GETDEFID:
            if (defaultButton_ && defaultButton_->hwnd) {
                return MAKELRESULT(GetDlgCtrlID(defaultButton_->hwnd), DC_HASDEFID);
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND f = GetFocus();
                if (f && IsChild(self, f)) focus_ = f;
            } else if (!HIWORD(wp)) {
                RestoreFocus();
                return 0;
            }
            break;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_CLOSE:
            input_.CloseRequest();
            return 0;
        case WM_ENABLE:
            if (wp) input_.Enabled();
            break;
        case WM_QUERYENDSESSION:
            input_.QueryEndSession();
            return TRUE;
        case WM_ENDSESSION:
            input_.EndSession();
            return 0;
        case WM_POWERBROADCAST:
            // One resume for each suspend: the system sends the automatic
            // resume and, when a user is there, the resume from suspend too.
            // A critical suspend is announced only by its resume.
            if (wp == PBT_APMSUSPEND) {
                asleep_ = true;
                input_.Suspending();
            } else if ((wp == PBT_APMRESUMESUSPEND || wp == PBT_APMRESUMEAUTOMATIC) && asleep_) {
                asleep_ = false;
                input_.Resumed();
            } else if (wp == PBT_APMRESUMECRITICAL) {
                asleep_ = false;
                input_.Resumed();
            }
            break;
        default:
            break;
    }
    return text::DefProc(self, msg, wp, lp);
}

}  // namespace pelmor::win32
