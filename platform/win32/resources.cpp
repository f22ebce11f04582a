#include <cstdint>
#include <string>

#include "platform/text_limits.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace lanternix::win32 {

namespace {

using GetFileVersionInfoSizeFunction = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetFileVersionInfoFunction = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using VerQueryValueFunction = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::optional<FileVersionData> Win32VersionResources::Query(std::wstring_view path) {
  // version.dll is loaded by full path from the system folder, for this one query only, so a
  // planted copy next to the setup is never picked up.
  std::wstring library = Win32SystemInfo().SystemFolder();
  if (library.empty() || library.back() != L'\\') library.push_back(L'\\');
  library += L"version.dll";
  UniqueLibrary version(LoadLibraryW(library.c_str()));
  if (!version) return std::nullopt;
  const auto getSize = Lookup<GetFileVersionInfoSizeFunction>(version.Get(), "GetFileVersionInfoSizeW");
  const auto getInfo = Lookup<GetFileVersionInfoFunction>(version.Get(), "GetFileVersionInfoW");
  const auto queryValue = Lookup<VerQueryValueFunction>(version.Get(), "VerQueryValueW");
  if (!getSize || !getInfo || !queryValue) return std::nullopt;

  const std::wstring file(path);
  DWORD ignored = 0;
  const DWORD size = getSize(file.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<std::uint8_t> block(std::size_t{size} * 2, 0);
  if (!getInfo(file.c_str(), 0, size, block.data())) return std::nullopt;

  void* fixedPointer = nullptr;
  UINT fixedLength = 0;
  if (!queryValue(block.data(), L"\\", &fixedPointer, &fixedLength) || !fixedPointer ||
      fixedLength < sizeof(VS_FIXEDFILEINFO))
    return std::nullopt;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedPointer);
  FileVersionData data;
  data.fixed = FixedFileVersion{fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                                fixed->dwProductVersionLS};

  void* company = nullptr;
  UINT companyLength = 0;
  if (queryValue(block.data(), L"\\StringFileInfo\\040904E4\\CompanyName", &company, &companyLength) &&
      company) {
    std::wstring text(static_cast<const wchar_t*>(company), companyLength);
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    data.companyName = std::move(text);
  }
  return data;
}

std::wstring Win32ProgramResources::String(unsigned id, std::size_t maxChars) {
  std::wstring buffer(maxChars, L'\0');
  const int length = LoadStringW(GetModuleHandleW(nullptr), id, buffer.data(), static_cast<int>(maxChars));
  buffer.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return buffer;
}

std::span<const std::uint8_t> Win32ProgramResources::Bytes(std::wstring_view type, unsigned id) {
  const std::wstring typeName(type);
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), typeName.c_str());
  if (!found) return {};
  const HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return {};
  const void* bytes = LockResource(loaded);
  const DWORD size = SizeofResource(module, found);
  if (!bytes || size == 0) return {};
  return {static_cast<const std::uint8_t*>(bytes), size};
}

std::span<const std::uint8_t> Win32ProgramResources::ProgramFile() {
  if (!programView_) {
    // GetModuleFileNameW reports paths beyond MAX_PATH too; a setup run from a deep folder must
    // still find itself.
    constexpr DWORD kModulePathChars = 32768;
    std::wstring path(kModulePathChars, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), kModulePathChars);
    if (length == 0 || length >= kModulePathChars) return {};
    path.resize(length);
    // Shared with whoever else has the file open; the loader's own mapping of it allows reading.
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 ||
        static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
      return {};
    // Mapped, not read: a large setup is checked in place without a copy of its payload.
    UniqueKernelHandle mapping(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return {};
    UniqueMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return {};
    // The view keeps the file mapped; the two handles can go.
    programView_ = std::move(view);
    programFileSize_ = static_cast<std::size_t>(size.QuadPart);
  }
  return {static_cast<const std::uint8_t*>(programView_.Get()), programFileSize_};
}

int Win32MessageBoxes::Show(std::wstring_view text, std::wstring_view caption, unsigned flags) {
  const std::wstring textCopy(text), captionCopy(caption);
  return MessageBoxW(GetActiveWindow(), textCopy.c_str(), captionCopy.c_str(), flags);
}

}  // namespace lanternix::win32
