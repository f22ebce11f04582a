// The program's one way to its string table: every user-visible text is loaded here, cut to
// the width its caller's buffer has (kLabelTextChars for the two short labels of the wizard,
// kShortTextChars for everything else).
#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/text_limits.h"

namespace lanternix {

// The text of id as a buffer of width characters (terminator included) holds it; empty when
// the id does not exist.
inline std::wstring LoadText(ProgramResources& resources, unsigned id, std::size_t width = kShortTextChars) {
  return resources.String(id, width);
}

}  // namespace lanternix
