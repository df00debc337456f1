// One move-only owner for the operating system's handles. Nobody else closes them by hand.
#pragma once

#include <windows.h>

#include <utility>

namespace ui {

template <class Traits> class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : h_(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }

    Type Get() const { return h_; }
    bool Valid() const { return Traits::Valid(h_); }
    explicit operator bool() const { return Valid(); }
    Type Release() { return std::exchange(h_, Traits::Invalid()); }
    void Reset(Type h = Traits::Invalid()) {
        if (Traits::Valid(h_)) Traits::Close(h_);
        h_ = h;
    }

private:
    Type h_ = Traits::Invalid();
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { FindClose(h); }
};
struct KeyHandleTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};
struct GlobalHandleTraits {
    using Type = HGLOBAL;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { GlobalFree(h); }
};
template <class T> struct GdiHandleTraits {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
struct IconHandleTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
struct ModuleHandleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using KeyHandle = UniqueHandle<KeyHandleTraits>;
using GlobalHandle = UniqueHandle<GlobalHandleTraits>;
using BitmapHandle = UniqueHandle<GdiHandleTraits<HBITMAP>>;
using FontHandle = UniqueHandle<GdiHandleTraits<HFONT>>;
using BrushHandle = UniqueHandle<GdiHandleTraits<HBRUSH>>;
using PenHandle = UniqueHandle<GdiHandleTraits<HPEN>>;
using IconHandle = UniqueHandle<IconHandleTraits>;
using ModuleHandle = UniqueHandle<ModuleHandleTraits>;

// Puts a GDI object into a device context and the previous one back on scope exit.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~SelectScope() { SelectObject(dc_, old_); }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

} // namespace ui
