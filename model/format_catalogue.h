// The fixed, ordered table of the file formats the setup can associate with the viewer. A row's
// position is its identity: list row i of the associations page, selection slot i and catalogue
// row i are the same format.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace lanternix {

// Which DefaultIcon the association writer stores for every extension of a row.
enum class IconKind {
  OwnIcon,      // "%1": the file is its own icon
  ViewerIcon0,  // the viewer's icon 0
  VideoIcon9,   // the viewer's icon 9
  AudioIcon8,   // the viewer's icon 8
};

struct FormatExtension {
  std::wstring_view extension;   // lower case, no dot
  std::wstring_view progIdStem;  // the extension whose ProgID this one is registered under
};

inline constexpr std::size_t kMaxExtensionsPerRow = 4;

struct FormatRow {
  std::wstring_view extensionLabel;
  // A description ending in " *" marks a format handled by a viewer plug-in.
  std::wstring_view description;
  // Unused places stay empty; Extensions() gives the used ones in registration order.
  std::array<FormatExtension, kMaxExtensionsPerRow> extensionSlots;
  IconKind iconKind;
  bool isImageFormat;

  constexpr std::span<const FormatExtension> Extensions() const {
    std::size_t count = 0;
    while (count < extensionSlots.size() && !extensionSlots[count].extension.empty()) ++count;
    return std::span<const FormatExtension>(extensionSlots.data(), count);
  }
};

inline constexpr std::size_t kFormatRowCount = 63;
inline constexpr std::size_t kImageFormatRowCount = 49;  // rows 0 to 48
inline constexpr std::size_t kFormatExtensionCount = 87;

extern const std::array<FormatRow, kFormatRowCount> FormatCatalogue;

// One 32-bit 0/1 slot per catalogue row; slot 63 has no row and is never read.
inline constexpr std::size_t kAssociationSlots = 64;
using AssociationSelection = std::array<std::int32_t, kAssociationSlots>;

// "/assoc=" 1: the image formats (slots 0 to 48); the other slots stay 0.
AssociationSelection ImageFormatsSelection();
// "/assoc=" 2: all 64 slots.
AssociationSelection AllFormatsSelection();
// The selection an "/assoc=" value stands for; any value but 1 and 2 selects nothing.
AssociationSelection SelectionForAssocValue(int value);

}  // namespace lanternix
