#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace lanternix::win32 {

namespace {

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::LocalMachine:
    case RegRoot::LocalMachineNative: return HKEY_LOCAL_MACHINE;
    case RegRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
  }
  return HKEY_LOCAL_MACHINE;
}

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  // IsWow64Process is missing before XP SP2; such a system has no 64-bit view to reach.
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The view flag a root needs. Only a process under WOW64 asks for the 64-bit view: Windows 2000
// rejects the flag, and elsewhere there is only one view.
REGSAM ViewFlag(RegRoot root) {
  static const bool wow64 = RunsUnderWow64();
  return root == RegRoot::LocalMachineNative && wow64 ? KEY_WOW64_64KEY : 0;
}

class Win32RegistryKey final : public RegistryKey {
 public:
  Win32RegistryKey(UniqueKey key, REGSAM view) : key_(std::move(key)), view_(view) {}

  bool SetString(std::wstring_view name, std::wstring_view value) override {
    const std::wstring nameText(name), valueText(value);
    // The byte count includes the terminating zero so that readers see a proper string.
    const DWORD bytes = static_cast<DWORD>((valueText.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key_.Get(), nameText.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(valueText.c_str()), bytes) == ERROR_SUCCESS;
  }

  bool SetDword(std::wstring_view name, std::uint32_t value) override {
    const std::wstring nameText(name);
    const DWORD data = value;
    return RegSetValueExW(key_.Get(), nameText.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
  }

  std::optional<std::wstring> ReadString(std::wstring_view name, std::size_t maxChars) override {
    const std::wstring nameText(name);
    std::wstring buffer(maxChars, L'\0');
    DWORD bytes = static_cast<DWORD>(maxChars * sizeof(wchar_t));
    if (RegQueryValueExW(key_.Get(), nameText.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS)
      return std::nullopt;
    buffer.resize(bytes / sizeof(wchar_t));
    // A value stored without its terminator that fills the buffer exactly does not fit either.
    const auto end = buffer.find(L'\0');
    if (end == std::wstring::npos && buffer.size() >= maxChars) return std::nullopt;
    if (end != std::wstring::npos) buffer.resize(end);
    return buffer;
  }

  bool DeleteValue(std::wstring_view name) override {
    const std::wstring nameText(name);
    return RegDeleteValueW(key_.Get(), nameText.c_str()) == ERROR_SUCCESS;
  }

  bool IsEmpty() override {
    DWORD subKeys = 0, values = 0;
    if (RegQueryInfoKeyW(key_.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    return subKeys == 0 && values == 0;
  }

  std::vector<std::wstring> ValueNames() override {
    DWORD longest = 0;
    if (RegQueryInfoKeyW(key_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return {};
    std::vector<std::wstring> names;
    std::wstring name(longest + 1, L'\0');
    for (DWORD index = 0;; ++index) {
      DWORD chars = static_cast<DWORD>(name.size());
      if (RegEnumValueW(key_.Get(), index, name.data(), &chars, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      names.emplace_back(name.data(), chars);
    }
    return names;
  }

  std::unique_ptr<RegistryKey> CreateSubKey(std::wstring_view subKey) override {
    const std::wstring keyText(subKey);
    UniqueKey key;
    if (RegCreateKeyExW(key_.Get(), keyText.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr,
                        key.Put(), nullptr) != ERROR_SUCCESS)
      return nullptr;
    return std::make_unique<Win32RegistryKey>(std::move(key), view_);
  }

 private:
  UniqueKey key_;
  // Subkeys are opened in the view their parent was.
  REGSAM view_;
};

}  // namespace

bool Win32Registry::SetDefaultValue(RegRoot root, std::wstring_view subKey, std::wstring_view value) {
  const std::wstring keyText(subKey), valueText(value);
  if (const REGSAM view = ViewFlag(root)) {
    // RegSetValueW takes no view flag: create the key in the wanted view and set its default.
    UniqueKey key;
    if (RegCreateKeyExW(RootKey(root), keyText.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                        key.Put(), nullptr) != ERROR_SUCCESS)
      return false;
    return Win32RegistryKey(std::move(key), view).SetString(L"", valueText);
  }
  return RegSetValueW(RootKey(root), keyText.c_str(), REG_SZ, valueText.c_str(),
                      static_cast<DWORD>(valueText.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegRoot root, std::wstring_view subKey,
                                                    std::uint32_t access) {
  const std::wstring keyText(subKey);
  UniqueKey key;
  if (RegOpenKeyExW(RootKey(root), keyText.c_str(), 0, access | ViewFlag(root), key.Put()) != ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32RegistryKey>(std::move(key), ViewFlag(root));
}

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegRoot root, std::wstring_view subKey) {
  const std::wstring keyText(subKey);
  UniqueKey key;
  const bool created =
      ViewFlag(root)
          ? RegCreateKeyExW(RootKey(root), keyText.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(root),
                            nullptr, key.Put(), nullptr) == ERROR_SUCCESS
          : RegCreateKeyW(RootKey(root), keyText.c_str(), key.Put()) == ERROR_SUCCESS;
  if (!created) return nullptr;
  return std::make_unique<Win32RegistryKey>(std::move(key), ViewFlag(root));
}

bool Win32Registry::DeleteKey(RegRoot root, std::wstring_view subKey) {
  const std::wstring keyText(subKey);
  if (const REGSAM view = ViewFlag(root)) {
    // RegDeleteKeyW cannot reach the other view; RegDeleteKeyExW exists wherever WOW64 does, but
    // is looked up so that the setup still starts on 32-bit XP, which lacks it.
    using RegDeleteKeyExFn = LSTATUS(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
    const auto deleteKeyEx = reinterpret_cast<RegDeleteKeyExFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
    return deleteKeyEx && deleteKeyEx(RootKey(root), keyText.c_str(), view, 0) == ERROR_SUCCESS;
  }
  return RegDeleteKeyW(RootKey(root), keyText.c_str()) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteTree(RegRoot root, std::wstring_view subKey) {
  const std::wstring keyText(subKey);
  std::vector<std::wstring> children;
  {
    UniqueKey key;
    if (RegOpenKeyExW(RootKey(root), keyText.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | ViewFlag(root),
                      key.Put()) != ERROR_SUCCESS)
      return false;
    // Key names are at most 255 characters.
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
      DWORD chars = static_cast<DWORD>(std::size(name));
      if (RegEnumKeyExW(key.Get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      children.emplace_back(name, chars);
    }
  }
  // Subkeys first, each through the same view: RegDeleteTreeW does not exist on XP, and its
  // 32-bit form can't reach the native view's subkeys.
  bool deleted = true;
  for (const std::wstring& child : children) deleted = DeleteTree(root, keyText + L"\\" + child) && deleted;
  return DeleteKey(root, subKey) && deleted;
}

}  // namespace lanternix::win32
