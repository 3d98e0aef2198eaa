#include "win32/picture.h"

#include "win32/text.h"
#include "wizard/controls.h"

namespace vorlan::win32 {

namespace {

std::string com_error(const char* what, HRESULT hr) {
    return std::string(what) + ": " + error_text(static_cast<DWORD>(hr));
}

LRESULT CALLBACK picture_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
        case WM_NCCREATE:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
            break;
        case WM_ERASEBKGND: return 1;  // the paint covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT area;
            GetClientRect(hwnd, &area);
            if (auto* picture = reinterpret_cast<const Picture*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
                picture->paint(dc, area);
            } else {
                FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool Picture::load(HINSTANCE instance, int resource_id, std::string* err) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(resource_id), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        *err = "picture resource: " + error_text(GetLastError());
        return false;
    }
    // The first factory, not the Windows 8 one, so that Vista and 7 decode too.
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(factory_.out()));
    if (FAILED(hr)) {
        *err = com_error("WIC", hr);
        return false;
    }
    UniqueCom<IWICStream> stream;
    hr = factory_->CreateStream(stream.out());
    if (SUCCEEDED(hr)) hr = stream->InitializeFromMemory(static_cast<BYTE*>(bytes), SizeofResource(instance, found));
    UniqueCom<IWICBitmapDecoder> decoder;
    if (SUCCEEDED(hr))
        hr = factory_->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.out());
    UniqueCom<IWICBitmapFrameDecode> frame;
    if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.out());
    UniqueCom<IWICFormatConverter> converter;
    if (SUCCEEDED(hr)) hr = factory_->CreateFormatConverter(converter.out());
    if (SUCCEEDED(hr))
        hr = converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom);
    if (SUCCEEDED(hr)) hr = factory_->CreateBitmapFromSource(converter.get(), WICBitmapCacheOnLoad, decoded_.out());
    if (FAILED(hr)) {
        *err = com_error("picture", hr);
        return false;
    }
    return true;
}

void Picture::scale(UINT dpi) {
    bitmap_.reset();
    size_ = {};
    if (!decoded_.get()) return;
    UINT natural_width = 0, natural_height = 0;
    if (FAILED(decoded_->GetSize(&natural_width, &natural_height))) return;
    const int width = MulDiv(static_cast<int>(natural_width), static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    const int height = MulDiv(static_cast<int>(natural_height), static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    if (width <= 0 || height <= 0) return;

    UniqueCom<IWICBitmapScaler> scaler;
    IWICBitmapSource* source = decoded_.get();
    if (dpi != USER_DEFAULT_SCREEN_DPI) {
        if (FAILED(factory_->CreateBitmapScaler(scaler.out())) ||
            FAILED(scaler->Initialize(decoded_.get(), static_cast<UINT>(width), static_cast<UINT>(height),
                                      WICBitmapInterpolationModeFant)))
            return;
        source = scaler.get();
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as WIC delivers the rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdi<HBITMAP> made(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!made) return;
    const UINT stride = static_cast<UINT>(width) * 4;
    if (FAILED(source->CopyPixels(nullptr, stride, stride * static_cast<UINT>(height), static_cast<BYTE*>(bits))))
        return;
    bitmap_ = std::move(made);
    size_ = {width, height};
}

void Picture::paint(HDC dc, const RECT& area) const {
    // Only the part of the image that falls in the box is drawn: the box clips
    // it and never stretches it.
    if (bitmap_) {
        const UniqueDc memory(CreateCompatibleDC(dc));
        const SelectedObject selected(memory.get(), bitmap_.get());
        BitBlt(dc, area.left, area.top, size_.cx, size_.cy, memory.get(), 0, 0, SRCCOPY);
    }
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    RECT right{area.left + size_.cx, area.top, area.right, area.bottom};
    RECT below{area.left, area.top + size_.cy, area.left + size_.cx, area.bottom};
    if (right.left < right.right) FillRect(dc, &right, face);
    if (below.top < below.bottom) FillRect(dc, &below, face);
}

bool register_control_classes(HINSTANCE instance, std::string* err) {
    WNDCLASSEXW picture{};
    picture.cbSize = sizeof picture;
    picture.lpfnWndProc = picture_proc;
    picture.hInstance = instance;
    picture.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    picture.lpszClassName = kPictureClass;

    // The line is nothing but its background, in the system colour it follows.
    WNDCLASSEXW line{};
    line.cbSize = sizeof line;
    line.lpfnWndProc = DefWindowProcW;
    line.hInstance = instance;
    line.hCursor = picture.hCursor;
    line.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(kLineColor + 1));
    line.lpszClassName = kLineClass;

    for (const WNDCLASSEXW* cls : {&picture, &line}) {
        if (!RegisterClassExW(cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            *err = "RegisterClassExW: " + error_text(GetLastError());
            return false;
        }
    }
    return true;
}

}  // namespace vorlan::win32
