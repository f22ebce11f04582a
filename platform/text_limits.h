// The fixed text widths that decide where the program cuts text. Each width counts UTF-16
// characters including the terminating zero, as the buffers of the original design did; the
// code keeps growable strings but cuts them at these widths wherever a buffer would have.
#pragma once

#include <cstddef>
#include <string>

namespace lanternix {

// The two short labels of the wizard: the Ready page's destination line and the folder
// picker's title.
inline constexpr std::size_t kLabelTextChars = 50;
// Single paths, names and registry values.
inline constexpr std::size_t kShortTextChars = 260;
// The destination folder, the INI folder and composed paths.
inline constexpr std::size_t kLongTextChars = 520;

// Keeps what a buffer of bufferChars characters (terminator included) would hold.
inline void CutToBuffer(std::wstring& text, std::size_t bufferChars) {
  if (bufferChars > 0 && text.size() > bufferChars - 1) text.resize(bufferChars - 1);
}

}  // namespace lanternix
