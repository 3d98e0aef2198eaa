#include "win32/handle.h"

namespace vorlan::win32 {

WindowDc::WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}

WindowDc::~WindowDc() {
    if (dc_) ReleaseDC(hwnd_, dc_);
}

SelectedObject::SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}

SelectedObject::~SelectedObject() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
}

ComApartment::ComApartment() : entered_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}

// Only a call that succeeded (S_OK, or S_FALSE for a thread already in an
// apartment of that kind) is balanced; RPC_E_CHANGED_MODE is not.
ComApartment::~ComApartment() {
    if (SUCCEEDED(entered_)) CoUninitialize();
}

}  // namespace vorlan::win32
