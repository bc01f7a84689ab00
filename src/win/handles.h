// One small owner per kind of Windows resource. Each is move-only: a copy would release the
// same resource twice. A fatal stop ends the process without running these destructors, which
// is what it wants; everywhere else the destructor releases.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <utility>

// A kernel handle (file, process, thread); both null and INVALID_HANDLE_VALUE mean none.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { reset(); }
  Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return h_; }
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return valid(); }
  void reset(HANDLE h = nullptr) {
    if (valid()) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

// A FindFirstFileA search.
class FindHandle {
 public:
  FindHandle() = default;
  explicit FindHandle(HANDLE h) : h_(h) {}
  ~FindHandle() {
    if (valid()) FindClose(h_);
  }
  FindHandle(FindHandle&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
  FindHandle& operator=(FindHandle&& o) noexcept {
    std::swap(h_, o.h_);
    return *this;
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;

  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  explicit operator bool() const { return valid(); }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// An open registry key.
class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(HKEY k) : k_(k) {}
  ~RegKey() { reset(); }
  RegKey(RegKey&& o) noexcept : k_(std::exchange(o.k_, nullptr)) {}
  RegKey& operator=(RegKey&& o) noexcept {
    if (this != &o) {
      reset();
      k_ = std::exchange(o.k_, nullptr);
    }
    return *this;
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  HKEY get() const { return k_; }
  explicit operator bool() const { return k_ != nullptr; }
  void reset(HKEY k = nullptr) {
    if (k_) RegCloseKey(k_);
    k_ = k;
  }

 private:
  HKEY k_ = nullptr;
};

// A device context from GetDC, released with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// A GDI object (font, bitmap, brush) deleted with DeleteObject.
template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T object) : object_(object) {}
  ~GdiObject() { reset(); }
  GdiObject(GdiObject&& o) noexcept : object_(std::exchange(o.object_, nullptr)) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) {
      reset();
      object_ = std::exchange(o.object_, nullptr);
    }
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  T get() const { return object_; }
  void reset(T object = nullptr) {
    if (object_) DeleteObject(object_);
    object_ = object;
  }

 private:
  T object_ = nullptr;
};

// A COM interface pointer, released once.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For functions that return an interface through an out parameter.
  void** out() {
    reset();
    return reinterpret_cast<void**>(&p_);
  }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};

// CoInitialize for the life of the object, undone when the object goes: only a call that
// succeeded is undone, so a thread that already runs COM in another mode is left as it was.
class ComApartment {
 public:
  ComApartment() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

// Memory from the shell's task allocator (an item list), freed through that allocator.
class ShellAllocation {
 public:
  ShellAllocation(IMalloc* allocator, void* memory) : allocator_(allocator), memory_(memory) {}
  ~ShellAllocation() {
    if (allocator_ && memory_) allocator_->Free(memory_);
  }
  ShellAllocation(const ShellAllocation&) = delete;
  ShellAllocation& operator=(const ShellAllocation&) = delete;

 private:
  IMalloc* allocator_;
  void* memory_;
};

// A system DLL loaded for a few functions that older systems lack, freed when done.
class Library {
 public:
  explicit Library(HMODULE module) : module_(module) {}
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

// An icon of the program's own, destroyed with DestroyIcon. (A shared icon, from LoadIcon, is
// never destroyed and never held in one.)
class Icon {
 public:
  Icon() = default;
  explicit Icon(HICON icon) : icon_(icon) {}
  ~Icon() {
    if (icon_) DestroyIcon(icon_);
  }
  Icon(Icon&& o) noexcept : icon_(std::exchange(o.icon_, nullptr)) {}
  Icon& operator=(Icon&& o) noexcept {
    std::swap(icon_, o.icon_);
    return *this;
  }
  Icon(const Icon&) = delete;
  Icon& operator=(const Icon&) = delete;
  HICON get() const { return icon_; }
  explicit operator bool() const { return icon_ != nullptr; }

 private:
  HICON icon_ = nullptr;
};
