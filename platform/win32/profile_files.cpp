#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace lanternix::win32 {

bool Win32ProfileFiles::WriteString(std::wstring_view path, std::wstring_view section, std::wstring_view key,
                                    std::optional<std::wstring_view> value) {
  const std::wstring pathText(path), sectionText(section), keyText(key);
  const std::wstring valueText(value.value_or(std::wstring_view()));
  return WritePrivateProfileStringW(sectionText.c_str(), keyText.c_str(), value ? valueText.c_str() : nullptr,
                                    pathText.c_str()) != 0;
}

std::wstring Win32ProfileFiles::ReadString(std::wstring_view path, std::wstring_view section,
                                           std::wstring_view key, std::size_t maxChars) {
  if (maxChars == 0) return {};
  const std::wstring pathText(path), sectionText(section), keyText(key);
  std::wstring buffer(maxChars, L'\0');
  const DWORD length = GetPrivateProfileStringW(sectionText.c_str(), keyText.c_str(), L"", buffer.data(),
                                                static_cast<DWORD>(maxChars), pathText.c_str());
  buffer.resize(length < maxChars ? length : maxChars - 1);
  return buffer;
}

}  // namespace lanternix::win32
