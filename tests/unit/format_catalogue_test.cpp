#include "model/format_catalogue.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <map>
#include <set>
#include <string>

namespace lanternix {
namespace {

std::wstring StemOf(std::wstring_view extension) {
  for (const FormatRow& row : FormatCatalogue)
    for (const FormatExtension& pair : row.Extensions())
      if (pair.extension == extension) return std::wstring(pair.progIdStem);
  return L"<missing>";
}

TEST(FormatCatalogueTest, TotalsAndBands) {
  ASSERT_EQ(FormatCatalogue.size(), 63u);
  std::size_t extensions = 0;
  std::set<std::wstring_view> distinct;
  for (std::size_t i = 0; i < FormatCatalogue.size(); ++i) {
    const FormatRow& row = FormatCatalogue[i];
    extensions += row.Extensions().size();
    for (const FormatExtension& pair : row.Extensions()) distinct.insert(pair.extension);
    EXPECT_EQ(row.isImageFormat, i <= 48) << i;
    const IconKind expectedIcon = (i == 0 || i == 5 || i == 19) ? IconKind::OwnIcon
                                  : i <= 50                     ? IconKind::ViewerIcon0
                                  : i <= 55                     ? IconKind::VideoIcon9
                                                                : IconKind::AudioIcon8;
    EXPECT_EQ(row.iconKind, expectedIcon) << i;
    // The label is the row's extensions upper-cased and joined by "/".
    std::wstring label;
    for (const FormatExtension& pair : row.Extensions()) {
      if (!label.empty()) label += L"/";
      for (const wchar_t ch : pair.extension) label += static_cast<wchar_t>(std::towupper(ch));
    }
    EXPECT_EQ(row.extensionLabel, label) << i;
    // A stem is always one of its own row's extensions.
    for (const FormatExtension& pair : row.Extensions()) {
      bool inRow = false;
      for (const FormatExtension& other : row.Extensions()) inRow |= other.extension == pair.progIdStem;
      EXPECT_TRUE(inRow) << i;
    }
  }
  EXPECT_EQ(extensions, 87u);
  EXPECT_EQ(distinct.size(), 87u);
}

TEST(FormatCatalogueTest, SampleRowsAsPublished) {
  const FormatRow& ani = FormatCatalogue[0];
  EXPECT_EQ(ani.extensionLabel, L"ANI");
  EXPECT_EQ(ani.description, L"Animated Windows Cursors *");
  EXPECT_EQ(FormatCatalogue[2].description, L"Windows Bitmap");
  EXPECT_EQ(FormatCatalogue[23].extensionLabel, L"JPG/JPEG/JFIF/JPE");
  EXPECT_EQ(FormatCatalogue[23].description, L"JPEG Format");
  EXPECT_EQ(FormatCatalogue[45].description, L"Weppy Format *");
  EXPECT_EQ(FormatCatalogue[48].extensionLabel, L"XPM");
  EXPECT_EQ(FormatCatalogue[49].extensionLabel, L"SWF/FLV");
  EXPECT_EQ(FormatCatalogue[50].description, L"True Type Font Format *");
  EXPECT_EQ(FormatCatalogue[53].extensionLabel, L"MPG/MPE/MPEG");
  EXPECT_EQ(FormatCatalogue[62].description, L"Windows Media Audio File *");
  // The plug-in mark is blank plus asterisk at the end, never anything else.
  int marked = 0;
  for (const FormatRow& row : FormatCatalogue) {
    const bool hasMark = row.description.ends_with(L" *");
    marked += hasMark ? 1 : 0;
    EXPECT_EQ(row.description.find(L'*'), hasMark ? row.description.size() - 1 : std::wstring_view::npos)
        << std::wstring(row.description);
  }
  EXPECT_EQ(marked, 46);
}

TEST(FormatCatalogueTest, SharedAndOwnStems) {
  const std::map<std::wstring, std::wstring> shared = {
      {L"dib", L"bmp"},  {L"acr", L"dcm"},  {L"ima", L"dcm"}, {L"iw44", L"djvu"}, {L"ps", L"eps"},
      {L"jxr", L"hdp"},  {L"wdp", L"hdp"},  {L"lbm", L"iff"}, {L"jpc", L"jp2"},   {L"j2k", L"jp2"},
      {L"jpeg", L"jpg"}, {L"jfif", L"jpg"}, {L"jpe", L"jpg"}, {L"sun", L"ras"},   {L"rgb", L"sgi"},
      {L"tiff", L"tif"}, {L"mpeg", L"mpg"}, {L"snd", L"au"}};
  for (const auto& [extension, stem] : shared) EXPECT_EQ(StemOf(extension), stem) << extension;
  for (const wchar_t* own : {L"cr2", L"cr3", L"jng", L"flv", L"mpe", L"rmi", L"crw", L"mng", L"swf", L"mid"})
    EXPECT_EQ(StemOf(own), own);

  std::size_t sharing = 0;
  for (const FormatRow& row : FormatCatalogue)
    for (const FormatExtension& pair : row.Extensions()) sharing += pair.extension != pair.progIdStem ? 1 : 0;
  EXPECT_EQ(sharing, shared.size());
}

TEST(FormatCatalogueTest, AssocValueFills) {
  const AssociationSelection images = SelectionForAssocValue(1);
  for (std::size_t i = 0; i < kAssociationSlots; ++i) EXPECT_EQ(images[i], i <= 48 ? 1 : 0) << i;
  const AssociationSelection all = SelectionForAssocValue(2);
  for (std::size_t i = 0; i < kAssociationSlots; ++i) EXPECT_EQ(all[i], 1) << i;
  for (const int other : {0, 3, -1})
    EXPECT_EQ(SelectionForAssocValue(other), AssociationSelection{}) << other;
}

}  // namespace
}  // namespace lanternix
