#pragma once
// Everything the system hands out and wants back, freed by its owner's
// scope so that no early return leaks one: one template, Unique<Traits>, for
// every kind of handle (a kernel object, a search, a COM interface, a GDI
// object, a memory DC, an icon, a LocalAlloc block), and three scopes for
// what is borrowed rather than owned (a window's DC, an object selected into
// a DC, the COM apartment of a thread).

#include <windows.h>

#include <objbase.h>

#include <type_traits>
#include <utility>

namespace vorlan::win32 {

// A kind of handle: its type, the values that mean "none", and how it is
// let go. `close` returns whether the system accepted it.
template <class T>
struct NullIsNone {
    using Type = T;
    static bool is_none(T value) { return value == T{}; }
};

template <class Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() = default;
    // Every value the kind counts as none is kept as the one null value.
    explicit Unique(Type value) : value_(Traits::is_none(value) ? Type{} : value) {}
    ~Unique() { reset(); }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Type get() const { return value_; }
    bool valid() const { return value_ != Type{}; }
    explicit operator bool() const { return valid(); }
    // A COM interface's methods, called through the pointer.
    Type operator->() const requires std::is_pointer_v<Type> && std::is_class_v<std::remove_pointer_t<Type>> {
        return value_;
    }

    // Gives the value up without freeing it.
    Type release() { return std::exchange(value_, Type{}); }
    void reset(Type value = Type{}) {
        const Type old = std::exchange(value_, Traits::is_none(value) ? Type{} : value);
        if (old != Type{}) Traits::close(old);
    }
    // Frees now, for callers that must know whether that worked; the last
    // error is left as the system set it.
    bool close() {
        const Type old = release();
        return old == Type{} || Traits::close(old);
    }
    // For a function that hands the value out through a pointer (a COM
    // factory): whatever was held is freed first.
    Type* out() {
        reset();
        return &value_;
    }

private:
    Type value_{};
};

struct KernelHandleTraits {
    using Type = HANDLE;
    // CreateFileW fails with INVALID_HANDLE_VALUE, most other calls with null.
    static bool is_none(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static bool close(HANDLE h) { return CloseHandle(h) != FALSE; }
};
using UniqueHandle = Unique<KernelHandleTraits>;

struct FindHandleTraits {
    using Type = HANDLE;
    static bool is_none(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static bool close(HANDLE h) { return FindClose(h) != FALSE; }
};
using UniqueFind = Unique<FindHandleTraits>;

template <class Interface>
struct ComTraits : NullIsNone<Interface*> {
    static bool close(Interface* p) {
        p->Release();
        return true;
    }
};
template <class Interface>
using UniqueCom = Unique<ComTraits<Interface>>;

// Fonts, brushes and bitmaps; never one still selected into a DC.
template <class Object>
struct GdiObjectTraits : NullIsNone<Object> {
    static bool close(Object object) { return DeleteObject(object) != FALSE; }
};
template <class Object>
using UniqueGdi = Unique<GdiObjectTraits<Object>>;

// An icon made with LoadImage without LR_SHARED, or CreateIcon*.
struct IconTraits : NullIsNone<HICON> {
    static bool close(HICON icon) { return DestroyIcon(icon) != FALSE; }
};
using UniqueIcon = Unique<IconTraits>;

// A DC made with CreateCompatibleDC or CreateDC (GetDC's is WindowDc's).
struct MadeDcTraits : NullIsNone<HDC> {
    static bool close(HDC dc) { return DeleteDC(dc) != FALSE; }
};
using UniqueDc = Unique<MadeDcTraits>;

// Memory the system allocated for the caller with LocalAlloc
// (FormatMessage's buffer, CommandLineToArgvW's array).
template <class Pointer>
struct LocalTraits : NullIsNone<Pointer> {
    static bool close(Pointer p) { return LocalFree(reinterpret_cast<HLOCAL>(p)) == nullptr; }
};
template <class Pointer>
using UniqueLocal = Unique<LocalTraits<Pointer>>;

// The DC of a window (of the whole screen for null), given back at the end
// of the scope.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd);
    ~WindowDc();
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// An object selected into a DC for the scope; what was there before is
// selected back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object);
    ~SelectedObject();
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The calling thread in a single-threaded COM apartment for the scope. A
// thread that already is in one, of whatever kind, is left as it is.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT entered_;
};

}  // namespace vorlan::win32
