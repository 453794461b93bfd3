// A form: a top-level window built from its layout, its controls, menu,
// accelerators and timers, and its part of the message handling.
#include "platform/win32/ToolkitImpl.h"

#include <algorithm>

#include "platform/ToolkitRules.h"

namespace pelmor::win32 {

namespace {

constexpr int kModalCancel = 2;  // what ShowModal gives after Close()

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

Form::Form(Toolkit& kit, const Layout& layout, IFormEvents& events, bool mainForm, HWND owner)
    : kit_(kit), layout_(layout), events_(events), main_(mainForm) {
    const LayoutNode& f = layout_.form;
    LOGFONTA lf{};
    lf.lfHeight = -f.Int("fontheight", 12);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = f.Str("charset") == "shiftjis" ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    font_ = text::NewFont(lf, PickFace(f.Str("font"), lf.lfCharSet));

    NumberNodes(layout_.nodes);
    try {
        CreateFrame(owner);
        CreateChildren();
    } catch (...) {
        if (hwnd_) DestroyWindow(hwnd_);
        if (accel_) DestroyAcceleratorTable(accel_);
        for (HBITMAP b : glyphs_) DeleteObject(b);
        if (font_) DeleteObject(font_);
        throw;
    }
}

Form::~Form() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (accel_) DestroyAcceleratorTable(accel_);
    for (HBITMAP b : glyphs_) DeleteObject(b);
    if (font_) DeleteObject(font_);
    if (kit_.main == this) kit_.main = nullptr;
}

// Controls, timers and menu items are numbered in the order of the layout,
// so a control's id tells its place there.
void Form::NumberNodes(const std::vector<LayoutNode>& nodes) {
    for (const LayoutNode& node : nodes) {
        ids_[&node] = static_cast<UINT>(100 + ids_.size());
        NumberNodes(node.children);
    }
}

void Form::CreateFrame(HWND owner) {
    const LayoutNode& f = layout_.form;
    Frame frame = FrameOf(f, main_);
    auto [cw, ch] = f.Pair("client", 0);
    const LayoutNode* menu = f.Has("menu") ? layout_.Find(f.Str("menu")) : nullptr;

    RECT rc{0, 0, cw, ch};
    AdjustWindowRectEx(&rc, frame.style, menu != nullptr, frame.exStyle);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
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
    if (menu) BuildMenu(*menu);

    // The menu bar may wrap, and frames differ between systems: make the
    // client area exactly the designed size.
    RECT client;
    GetClientRect(hwnd_, &client);
    int dw = cw - (client.right - client.left), dh = ch - (client.bottom - client.top);
    if (dw != 0 || dh != 0) {
        SetWindowPos(hwnd_, nullptr, 0, 0, w + dw, h + dh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Form::CreateChildren() {
    for (const LayoutNode& node : layout_.nodes) CreateControl(node);
    ArrangeTabOrder();
}

void Form::CreateControl(const LayoutNode& node) {
    const std::string& k = node.kind;
    if (k == "menu") return;  // built with the frame; its items took their ids there
    if (k == "ddeclient") return;
    UINT id = ids_.at(&node);
    if (k == "timer") {
        auto timer = std::make_unique<TimerImpl>(*this, id, static_cast<std::uint32_t>(node.Int("interval", 1000)),
                                                 node.Has("enabled") ? node.Flag("enabled") : true,
                                                 node.Str("OnTimer"));
        timerById_[id] = timer.get();
        timer->Arm();
        timers_.emplace(node.name, std::move(timer));
        return;
    }
    if (k == "opendialog") {
        openDialogs_.emplace(node.name, std::make_unique<OpenDialogImpl>(
                                            *this, node.Str("title"), node.Str("filter"),
                                            node.Str("defaultext")));
        return;
    }

    auto [x, y] = node.Pair("at");
    auto [w, h] = node.Pair("size");
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    if (node.Has("tab")) style |= WS_TABSTOP;
    const char* cls = nullptr;
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
        cls = "BUTTON";
        style |= BS_AUTOCHECKBOX;
    } else if (k == "listbox") {
        cls = "LISTBOX";
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
    } else if (k == "button") {
        cls = "BUTTON";
        style |= node.Flag("default") ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    } else if (k == "speedbutton") {
        cls = "BUTTON";
        style &= ~static_cast<DWORD>(WS_TABSTOP);
        style |= BS_PUSHBUTTON | BS_BITMAP;
        if (node.Flag("flat")) style |= BS_FLAT;
        // The glyph shows; the hint names the button for screen readers.
        if (caption.empty()) caption = node.Str("hint");
    } else if (k == "bevel") {
        // Drawn by the form (WM_DRAWITEM), so it keeps its designed size.
        cls = "STATIC";
        style |= SS_OWNERDRAW;
    } else if (k == "statusbar") {
        cls = STATUSCLASSNAMEA;
        style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    } else if (k == "image") {
        cls = kImageClass;
    } else {
        throw Exception("layout: unknown kind " + k + " for " + node.name);
    }

    HWND hwnd = text::NewWindow(exStyle, cls, caption, style, x, y, w, h, hwnd_,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), kit_.instance,
                                nullptr);
    if (!hwnd) throw Exception("cannot create the control " + node.name);
    text::Send(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (k == "label") FitLabel(hwnd, caption, w, h);

    if (k == "statusbar") {
        std::vector<int> edges = toolkit::PanelEdges(node.Ints("panels"));
        if (!edges.empty()) {
            text::Send(hwnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
        }
        text::Send(hwnd, SB_SIMPLE, FALSE, 0);
        statusBars_.emplace(node.name,
                            std::make_unique<StatusBarImpl>(hwnd, static_cast<int>(edges.size())));
    } else if (k == "image") {
        HICON icon = node.Has("icon") ? kit_.LoadIconResource(node.Str("icon"), std::min(w, h)) : nullptr;
        auto image = std::make_unique<ImageImpl>(hwnd, w, h, icon);
        text::SetLong(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(image.get()));
        images_.emplace(node.name, std::move(image));
    } else {
        std::unique_ptr<Widget> widget;
        if (k == "checkbox") {
            auto box = std::make_unique<CheckBoxWidget>(k, hwnd);
            if (node.Flag("checked")) box->SetChecked(true);
            widget = std::move(box);
        } else if (k == "memo") {
            widget = std::make_unique<MemoWidget>(k, hwnd);
        } else if (k == "listbox") {
            if (node.Has("itemheight"))
                text::Send(hwnd, LB_SETITEMHEIGHT, 0, MAKELPARAM(node.Int("itemheight"), 0));
            widget = std::make_unique<ListBoxWidget>(k, hwnd);
        } else {
            widget = std::make_unique<Widget>(k, hwnd);
        }
        widget->onClick = node.Str("OnClick");
        if (k == "bevel") {
            std::string shape = node.Str("shape", "box");
            bevelEdges_[id] = shape == "topline"      ? BF_TOP
                              : shape == "bottomline" ? BF_BOTTOM
                              : shape == "leftline"   ? BF_LEFT
                              : shape == "rightline"  ? BF_RIGHT
                                                      : BF_RECT;
        }
        if (k == "button" && node.Flag("default")) defaultButton_ = widget.get();
        if (k == "button" && node.Flag("cancel")) cancelButton_ = widget.get();
        if (k == "speedbutton") {
            text::SetLong(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(text::Subclass(hwnd, NoFocusProc)));
            if (HBITMAP glyph = kit_.LoadGlyph(node.Str("glyph"))) {
                glyphs_.push_back(glyph);
                text::Send(hwnd, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph));
            }
        }
        widgetById_[id] = widget.get();
        widgets_.emplace(node.name, std::move(widget));
    }

    if (node.Has("hint")) {
        if (!tooltip_) {
            tooltip_ = text::NewWindow(0, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                       hwnd_, nullptr, kit_.instance, nullptr);
        }
        if (tooltip_) text::AddTool(tooltip_, hwnd_, hwnd, node.Str("hint"));
    }
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

void Form::BuildMenu(const LayoutNode& menu) {
    HMENU bar = CreateMenu();
    std::vector<ACCEL> accels;
    AddMenuItems(bar, menu, accels);
    SetMenu(hwnd_, bar);
    if (!accels.empty()) {
        accel_ = text::CreateAccel(accels.data(), static_cast<int>(accels.size()));
    }
}

void Form::AddMenuItems(HMENU parent, const LayoutNode& node, std::vector<ACCEL>& accels) {
    UINT position = 0;
    for (const LayoutNode& item : node.children) {
        std::string caption = item.Str("caption");
        UINT id = 0;
        if (caption == "-") {
            text::AppendMenuItem(parent, MF_SEPARATOR, 0, {});
        } else if (!item.children.empty()) {
            HMENU sub = CreatePopupMenu();
            AddMenuItems(sub, item, accels);
            text::AppendMenuItem(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), caption);
        } else {
            id = ids_.at(&item);
            text::AppendMenuItem(parent, MF_STRING, id, caption);
            toolkit::Shortcut shortcut;
            if (item.Has("shortcut")) {
                if (!toolkit::ParseShortcut(item.Str("shortcut"), shortcut)) {
                    throw Exception("layout: bad shortcut " + item.Str("shortcut"));
                }
                ACCEL a{};
                a.fVirt = FVIRTKEY | (shortcut.ctrl ? FCONTROL : 0) | (shortcut.shift ? FSHIFT : 0) |
                          (shortcut.alt ? FALT : 0);
                a.key = static_cast<WORD>(shortcut.key);
                a.cmd = static_cast<WORD>(id);
                accels.push_back(a);
            }
        }
        auto mi = std::make_unique<MenuItemImpl>(*this, parent, position, id, caption, item.Str("OnClick"));
        if (item.Has("enabled") && !item.Flag("enabled")) mi->SetEnabled(false);
        if (id) menuById_[id] = mi.get();
        menuItems_.emplace(item.name, std::move(mi));
        ++position;
    }
}

// Controls with a tab index come first in the Z-order, in tab order, so the
// dialog keys move between them in that order; the others follow as created.
void Form::ArrangeTabOrder() {
    HWND after = HWND_TOP;
    for (const LayoutNode* node : toolkit::TabOrder(layout_)) {
        auto it = widgets_.find(node->name);
        if (it == widgets_.end() || !it->second->hwnd) continue;
        HWND w = it->second->hwnd;
        SetWindowPos(w, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = w;
    }
}

HWND Form::FirstTabStop() const {
    for (const LayoutNode* node : toolkit::TabOrder(layout_)) {
        auto it = widgets_.find(node->name);
        if (it == widgets_.end()) continue;
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

void Form::Show() {
    if (!hwnd_) return;
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

int Form::ShowModal() {
    if (!hwnd_ || modal_) return 0;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    bool disabledOwner = owner && IsWindowEnabled(owner);
    if (disabledOwner) EnableWindow(owner, FALSE);
    modal_ = true;
    modalResult_ = 0;
    kit_.PushModal(this);
    ShowWindow(hwnd_, SW_SHOW);
    SetActiveWindow(hwnd_);
    RestoreFocus();
    while (modalResult_ == 0 && hwnd_) {
        if (!kit_.PumpMessage()) {
            // The program is ending: leave the quit for the outer loop.
            PostQuitMessage(kit_.quitCode);
            if (modalResult_ == 0) modalResult_ = kModalCancel;
            break;
        }
    }
    kit_.PopModal();
    // The owner comes back first, so activation returns to it when the
    // dialog goes.
    if (disabledOwner && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (hwnd_) {
        ShowWindow(hwnd_, SW_HIDE);
        if (owner && IsWindow(owner)) SetActiveWindow(owner);
    }
    modal_ = false;
    return modalResult_ ? modalResult_ : kModalCancel;
}

bool Form::RunCloseQuery() {
    inCloseQuery_ = true;
    const bool canClose = pelmor::RunCloseQuery(kit_, events_, layout_);
    inCloseQuery_ = false;
    return canClose;
}

void Form::Close() {
    if (!hwnd_ || inCloseQuery_ || ended_) return;
    if (!(main_ && closeQueryDone_)) {
        if (!RunCloseQuery()) return;
        if (main_) closeQueryDone_ = true;
    }
    if (!hwnd_) return;  // the query's work ended the window
    if (modal_) {
        modalResult_ = kModalCancel;
        text::Post(hwnd_, WM_NULL, 0, 0);  // wakes the modal loop
    } else if (main_) {
        EndMainForm();
    } else {
        ShowWindow(hwnd_, SW_HIDE);
    }
}

void Form::EndMainForm() {
    if (ended_) return;
    ended_ = true;
    for (auto& [name, timer] : timers_) KillTimer(hwnd_, timer->id);
    DestroyWindow(hwnd_);
    PostQuitMessage(0);
}

void Form::Fire(const std::string& handler) { RunHandler(kit_, events_, handler); }

void Form::ClickButton(Widget& button) {
    if (button.hwnd && IsWindowEnabled(button.hwnd)) Fire(button.onClick);
}

void Form::Command(UINT id, UINT code, HWND control) {
    if (control) {
        auto it = widgetById_.find(id);
        if (it != widgetById_.end() && it->second->hwnd == control && code == BN_CLICKED) {
            ClickButton(*it->second);
        }
        return;
    }
    // Menus (code 0), accelerators (code 1), and the dialog keys: Esc sends
    // IDCANCEL, Enter sends IDOK when the form has no default button.
    if (id == IDCANCEL) {
        if (cancelButton_) ClickButton(*cancelButton_);
        return;
    }
    if (id == IDOK) return;
    auto it = menuById_.find(id);
    if (it != menuById_.end() && it->second->Enabled()) Fire(it->second->onClick);
}

bool Form::PreTranslate(MSG& msg) {
    if (!hwnd_) return false;
    if (accel_ && IsWindowEnabled(hwnd_) && text::TranslateAccel(hwnd_, accel_, &msg)) return true;
    return text::DialogMessage(hwnd_, &msg) != FALSE;
}

void Form::Gone() {
    kit_.Unregister(hwnd_);
    hwnd_ = nullptr;
    tooltip_ = nullptr;
    focus_ = nullptr;
    for (auto& [name, w] : widgets_) w->hwnd = nullptr;
    for (auto& [name, s] : statusBars_) s->hwnd = nullptr;
    for (auto& [name, i] : images_) i->hwnd = nullptr;
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
        case WM_TIMER: {
            auto it = timerById_.find(static_cast<UINT_PTR>(wp));
            if (it != timerById_.end()) {
                if (it->second->Enabled() && it->second->Interval() > 0) {
                    Fire(it->second->onTimer);
                } else {
                    KillTimer(self, wp);
                }
            }
            return 0;
        }
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
            // While a dialog or a message box holds the main form disabled,
            // a close can only come from another program (a task manager,
            // say). It is not lost: it runs once the modal loop has ended and
            // the form is enabled again.
            if (main_ && !IsWindowEnabled(self)) {
                closePending_ = true;
                return 0;
            }
            Close();
            return 0;
        case WM_ENABLE:
            // Posted, so that it runs in the loop that goes on, not in the
            // one that is ending.
            if (main_ && wp && closePending_) {
                closePending_ = false;
                text::Post(self, WM_CLOSE, 0, 0);
            }
            break;
        case WM_QUERYENDSESSION:
            // Windows is shutting down or the user logs off: the close query
            // saves what must be saved now, as the process may end any time
            // after the session ends.
            if (main_ && !closeQueryDone_ && !ended_) {
                closeQueryDone_ = true;
                RunCloseQuery();
            }
            return TRUE;
        case WM_ENDSESSION:
            // The query has run; the program ends whether or not the session
            // really ends, since what it records is closed already.
            if (main_ && closeQueryDone_) EndMainForm();
            return 0;
        default:
            break;
    }
    return text::DefProc(self, msg, wp, lp);
}

}  // namespace pelmor::win32
