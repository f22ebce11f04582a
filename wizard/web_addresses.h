// The web pages the wizard opens: the licence agreement behind the Welcome page's link and the
// FAQ page offered on the Finished page. The product's own site; ".example" is reserved and
// stands in until a real domain exists.
#pragma once

namespace lanternix::wizard {

inline constexpr const wchar_t* kEulaAddress = L"https://lanternix.example/eula";
inline constexpr const wchar_t* kFaqAddress = L"https://lanternix.example/faq";

}  // namespace lanternix::wizard
