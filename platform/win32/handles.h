// Owning wrappers for the Win32 handles the platform layer holds. Each type frees exactly one
// kind of handle, so a declaration tells who releases what.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace lanternix::win32 {

template <typename Handle, typename Traits>
class UniqueHandle {
public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, Traits::Invalid()));
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  // For out-parameters of the API: frees what is held and hands out the slot.
  Handle* Put() {
    Reset();
    return &handle_;
  }
  void Reset(Handle handle = Traits::Invalid()) {
    if (handle_ != Traits::Invalid()) Traits::Close(handle_);
    handle_ = handle;
  }

private:
  Handle handle_ = Traits::Invalid();
};

struct KeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY key) { RegCloseKey(key); }
};
struct FileTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { CloseHandle(handle); }
};
// Process and thread handles, which are null, not INVALID_HANDLE_VALUE, when missing.
struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct LibraryTraits {
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE module) { FreeLibrary(module); }
};

// A device context from CreateDCW, which DeleteDC frees (not one from GetDC).
struct CreatedDcTraits {
  static HDC Invalid() { return nullptr; }
  static void Close(HDC dc) { DeleteDC(dc); }
};

// A view from MapViewOfFile.
struct MappedViewTraits {
  static const void* Invalid() { return nullptr; }
  static void Close(const void* view) { UnmapViewOfFile(view); }
};

// Memory the API allocated for the caller with LocalAlloc (security descriptors, SID strings).
struct LocalTraits {
  static HLOCAL Invalid() { return nullptr; }
  static void Close(HLOCAL memory) { LocalFree(memory); }
};

using UniqueKey = UniqueHandle<HKEY, KeyTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using UniqueLibrary = UniqueHandle<HMODULE, LibraryTraits>;
using UniqueCreatedDc = UniqueHandle<HDC, CreatedDcTraits>;
using UniqueMappedView = UniqueHandle<const void*, MappedViewTraits>;
using UniqueLocal = UniqueHandle<HLOCAL, LocalTraits>;

// A COM interface pointer that releases what it holds.
template <typename Interface>
class ComPtr {
public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (pointer_) pointer_->Release();
  }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  void** PutVoid() { return reinterpret_cast<void**>(&pointer_); }

private:
  Interface* pointer_ = nullptr;
};

// COM for the lifetime of one scope. CoUninitialize is paired with every CoInitialize that did
// not fail, S_FALSE ("already initialised on this thread") included, because that call still
// took a reference.
class ScopedCom {
public:
  ScopedCom() : result_(CoInitialize(nullptr)) {}
  ScopedCom(const ScopedCom&) = delete;
  ScopedCom& operator=(const ScopedCom&) = delete;
  ~ScopedCom() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }

private:
  HRESULT result_;
};

}  // namespace lanternix::win32
