// The Win32 toolkit: window classes, the message loop, message boxes, the
// default exception display and the program's resources.
#include <cstdint>
#include <vector>

#include "platform/ToolkitRules.h"
#include "platform/win32/DataFolder.h"
#include "platform/win32/ToolkitImpl.h"
// After the system headers, like every header that declares a MessageBox.
#include "platform/Form.h"

namespace pelmor::win32 {

std::unique_ptr<IToolkit> CreateToolkit(HINSTANCE instance) {
    return std::make_unique<Toolkit>(instance);
}

void Toolkit::Initialize() {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    // The status bar and tooltips; the standard controls need nothing here.
    icc.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&icc);
}

const std::string& Toolkit::FormClass(const std::string& name) {
    if (!imageClass_) {
        WNDCLASSEXA wc{};
        wc.lpfnWndProc = ImageImpl::Proc;
        wc.hInstance = instance;
        wc.hCursor = text::SystemCursor(32512 /* IDC_ARROW */);
        if (!text::RegisterWindowClass(wc, kImageClass) &&
            GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            throw Exception("cannot register the image window class");
        }
        imageClass_ = true;
    }

    auto it = classes_.find(name);
    if (it != classes_.end()) return *it;
    WNDCLASSEXA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Form::Proc;
    wc.hInstance = instance;
    wc.hIcon = static_cast<HICON>(text::LoadImageResource(instance, "MAINICON", IMAGE_ICON,
                                                          GetSystemMetrics(SM_CXICON),
                                                          GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(text::LoadImageResource(instance, "MAINICON", IMAGE_ICON,
                                                            GetSystemMetrics(SM_CXSMICON),
                                                            GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    if (!wc.hIcon) wc.hIcon = text::SystemIcon(32512 /* IDI_APPLICATION */);
    wc.hCursor = text::SystemCursor(32512 /* IDC_ARROW */);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    if (!text::RegisterWindowClass(wc, name) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw Exception("cannot register the window class " + name);
    }
    return *classes_.insert(name).first;
}

std::unique_ptr<IFormSurface> Toolkit::CreateSurface(const Layout& layout, bool mainForm,
                                                     IFormSurface* owner, IFormInput& input) {
    HWND ownerWindow = owner ? reinterpret_cast<HWND>(owner->Handle()) : nullptr;
    return std::make_unique<Form>(*this, layout, input, mainForm, ownerWindow);
}

void Toolkit::Run() {
    if (!TopWindow(*this)) return;
    while (PumpMessage()) {
    }
}

bool Toolkit::PumpMessage() {
    MSG msg;
    BOOL got = text::GetMsg(&msg);
    if (got == 0) {
        quitCode = static_cast<int>(msg.wParam);
        return false;
    }
    if (got == -1) return false;
    Form* form = msg.hwnd ? FormOf(text::TopLevel(msg.hwnd)) : nullptr;
    if (form && form->PreTranslate(msg)) return true;
    TranslateMessage(&msg);
    text::Dispatch(&msg);
    return true;
}

Form* Toolkit::FormOf(HWND hwnd) const {
    auto it = forms_.find(hwnd);
    return it == forms_.end() ? nullptr : it->second;
}


namespace {

UINT IconFlags(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return MB_ICONSTOP;
    case MessageIcon::Exclamation:
        return MB_ICONEXCLAMATION;
    default:
        return 0;
    }
}

}  // namespace

void Toolkit::MessageBox(IWindow* owner, std::string_view message, std::string_view caption,
                         MessageIcon icon) {
    HWND o = reinterpret_cast<HWND>(owner ? owner->Handle() : TopWindow(*this));
    text::Box(o, message, caption, MB_OK | IconFlags(icon));
}

void Toolkit::MessageBeep(MessageIcon sound) { ::MessageBeep(IconFlags(sound)); }

// The default exception display: the message in a stop box over the window
// the user works in, titled with the application's title.
void Toolkit::ShowException(const std::exception& e) {
    HWND owner = GetActiveWindow();
    if (!FormOf(owner)) owner = reinterpret_cast<HWND>(TopWindow(*this));
    std::string caption = title_;
    if (caption.empty()) {
        std::string exe = ModuleFileName();
        std::size_t slash = exe.find_last_of("\\/");
        caption = exe.substr(slash == std::string::npos ? 0 : slash + 1);
    }
    text::Box(owner, e.what(), caption, MB_OK | MB_ICONSTOP);
}

// An icon of the program: an icon resource, or an .ico file kept as raw data
// (so that the program's own icon stays the first icon of the executable).
HICON Toolkit::LoadIconResource(const std::string& name, int size) {
    if (auto icon = static_cast<HICON>(
            text::LoadImageResource(instance, name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR))) {
        return icon;
    }
    HRSRC res = text::FindResourceData(instance, name, 10 /* RT_RCDATA */);
    if (!res) return nullptr;
    HGLOBAL data = LoadResource(instance, res);
    const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (!bytes) return nullptr;
    std::string_view ico(bytes, SizeofResource(instance, res));
    toolkit::IconPicture picture;
    if (!toolkit::PickIconPicture(ico, size, picture)) return nullptr;
    return CreateIconFromResourceEx(
        reinterpret_cast<PBYTE>(const_cast<char*>(bytes + picture.offset)),
        static_cast<DWORD>(picture.size), TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
}

// A button glyph: the bitmap resource with its bottom-left pixel's colour
// shown as the button face.
HBITMAP Toolkit::LoadGlyph(const std::string& name) {
    if (name.empty()) return nullptr;
    auto source = static_cast<HBITMAP>(
        text::LoadImageResource(instance, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!source) return nullptr;
    BITMAP bm{};
    text::ObjectInfo(source, sizeof bm, &bm);
    int w = bm.bmWidth, h = bm.bmHeight;
    HBITMAP glyph = nullptr;
    if (w > 0 && h > 0) {
        BITMAPINFO info = TopDownDib(w, h);
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
        HDC screen = GetDC(nullptr);
        if (GetDIBits(screen, source, 0, h, pixels.data(), &info, DIB_RGB_COLORS) == h) {
            std::uint32_t clear = pixels[static_cast<std::size_t>(h - 1) * w] & 0xFFFFFF;
            COLORREF face = GetSysColor(COLOR_BTNFACE);
            std::uint32_t faceBgr = (static_cast<std::uint32_t>(GetRValue(face)) << 16) |
                                    (static_cast<std::uint32_t>(GetGValue(face)) << 8) |
                                    GetBValue(face);
            for (auto& p : pixels) {
                if ((p & 0xFFFFFF) == clear) p = faceBgr;
            }
            glyph = CreateCompatibleBitmap(screen, w, h);
            if (glyph) SetDIBits(screen, glyph, 0, h, pixels.data(), &info, DIB_RGB_COLORS);
        }
        ReleaseDC(nullptr, screen);
    }
    DeleteObject(source);
    return glyph;
}

}  // namespace pelmor::win32
