// The controls of a form: thin wrappers over the standard window classes.
#include "platform/win32/ToolkitImpl.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "platform/ToolkitRules.h"

namespace pelmor::win32 {

std::string Widget::Text() const { return text::WindowText(hwnd); }

void Widget::SetText(std::string_view caption) {
    if (hwnd) text::SetText(hwnd, caption);
}

bool Widget::Enabled() const { return hwnd && IsWindowEnabled(hwnd); }

void Widget::SetEnabled(bool enabled) {
    if (hwnd) EnableWindow(hwnd, enabled ? TRUE : FALSE);
}

void Widget::SetFocus() {
    if (hwnd) ::SetFocus(hwnd);
}

bool Widget::Checked() const {
    return hwnd && text::Send(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Widget::SelectAll() {
    if (hwnd) text::Send(hwnd, EM_SETSEL, 0, -1);
}

void Widget::Clear() {
    if (hwnd) text::SetText(hwnd, "");
}

void Widget::Add(std::string_view item) {
    if (hwnd) text::SendText(hwnd, LB_ADDSTRING, LB_ADDSTRING, 0, item);
}

void Widget::SetItemIndex(int index) {
    // -1 clears the selection, like an index past the end.
    if (hwnd) text::Send(hwnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void StatusBarImpl::SetPanelText(int panel, std::string_view caption) {
    if (!hwnd) return;
    text::SendText(hwnd, SB_SETTEXTA, SB_SETTEXTW, static_cast<WPARAM>(panel), caption);
}

ICanvas& ImageImpl::Canvas() {
    if (oldBitmap_) return *this;
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info = TopDownDib(std::max(width_, 1), std::max(height_, 1));
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dc_ || !bitmap_) throw Exception("cannot create the image's bitmap");
    // A fresh bitmap is white, like a canvas nobody has drawn on.
    std::memset(bits, 0xFF, static_cast<std::size_t>(std::max(width_, 1)) * std::max(height_, 1) * 4);
    oldBitmap_ = SelectObject(dc_, bitmap_);
    return *this;
}

ImageImpl::~ImageImpl() {
    if (oldPen_) SelectObject(dc_, oldPen_);
    if (oldBrush_) SelectObject(dc_, oldBrush_);
    if (oldBitmap_) SelectObject(dc_, oldBitmap_);
    if (pen_) DeleteObject(pen_);
    if (brush_) DeleteObject(brush_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
    if (icon_) DestroyIcon(icon_);
}

void ImageImpl::SetPenColor(Color c) {
    if (c != penColor_) penStale_ = true;
    penColor_ = c;
}

void ImageImpl::SetPenWidth(int w) {
    if (w != penWidth_) penStale_ = true;
    penWidth_ = w;
}

void ImageImpl::SetBrushColor(Color c) {
    if (c != brushColor_) brushStale_ = true;
    brushColor_ = c;
}

// Pens and brushes are made when something is drawn with them, so a colour
// and a width set one after the other make one pen.
void ImageImpl::SelectTools() {
    if (penStale_) {
        HPEN pen = CreatePen(PS_SOLID, std::max(penWidth_, 0), penColor_);
        HGDIOBJ old = SelectObject(dc_, pen);
        if (!oldPen_) oldPen_ = old;
        if (pen_) DeleteObject(pen_);
        pen_ = pen;
        penStale_ = false;
    }
    if (brushStale_) {
        HBRUSH brush = CreateSolidBrush(brushColor_);
        HGDIOBJ old = SelectObject(dc_, brush);
        if (!oldBrush_) oldBrush_ = old;
        if (brush_) DeleteObject(brush_);
        brush_ = brush;
        brushStale_ = false;
    }
}

void ImageImpl::Rectangle(int left, int top, int right, int bottom) {
    SelectTools();
    ::Rectangle(dc_, left, top, right, bottom);
    Drawn();
}

void ImageImpl::MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }

void ImageImpl::LineTo(int x, int y) {
    SelectTools();
    ::LineTo(dc_, x, y);
    Drawn();
}

void ImageImpl::Drawn() {
    drawn_ = true;
    if (hwnd) InvalidateRect(hwnd, nullptr, FALSE);
}

void ImageImpl::Paint(HDC dc) {
    RECT rc{0, 0, width_, height_};
    if (drawn_) {
        BitBlt(dc, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
        return;
    }
    // Nothing drawn yet: the form's own colour shows through.
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (icon_) DrawIconEx(dc, 0, 0, icon_, width_, height_, 0, nullptr, DI_NORMAL);
}

LRESULT CALLBACK ImageImpl::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* image = reinterpret_cast<ImageImpl*>(text::GetLong(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (image) {
                image->Paint(dc);
            } else {
                FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            return text::DefProc(hwnd, msg, wp, lp);
    }
}

bool OpenDialogImpl::Execute() {
    std::string file = fileName_;
    if (!text::OpenFileName(form_.hwnd(), toolkit::FilterList(node_.Str("filter")), node_.Str("title"),
                            node_.Str("defaultext"),
                            OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR,
                            file))
        return false;
    fileName_ = file;
    return true;
}

}  // namespace pelmor::win32
