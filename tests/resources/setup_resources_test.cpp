// The resources of both Windows builds of lanternix-setup.exe, read back with wrestool: the
// string table, the five wizard pages control by control, the release notes, the payload, the
// manifest, the version, the logo and the icon.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "install/payload_integrity.h"
#include "res/host/embedded_resources.h"
#include "tests/resources/tool_output.h"

namespace lanternix::test {
namespace {

// The texts written out again here, independently of res/string_table.inc.
const std::map<unsigned, std::u16string>& ExpectedStrings() {
  static const std::map<unsigned, std::u16string> strings = {
      {1, u"&Exit"},
      {2, u"&Done"},
      {3, u"Exit setup?"},
      {5, u"Invalid destination directory!"},
      {6, u"Destination directory"},
      {7,
       u"Can't install all files!\n\nPlease close all running Lanternix instances and check your destination "
       u"directory for free space or write protection!\n\n(the installer should be started in ADMIN mode, "
       u"use "
       u"e.g. right mouse button click on installer)"},
      {8, u"Installation folder:"},
      {9,
       u"You want to change current associations and to associate one or many file types with Lanternix!\n\n"
       u"Are you REALLY sure!?"},
      {10,
       u"Warning: Lanternix is running!\nPlease close all Lanternix instances before you install this "
       u"version!"},
      {11,
       u"Can't create destination directory!\n\nPlease check your write permissions and system policies!\n\n"
       u"Try to create the destination folder manually and restart."},
      {12, u"This setup file is damaged. Please download it again."},
      {13, u"Invalid INI folder!"},
      {14,
       u"Can't write the Lanternix settings file!\n\nPlease close the program that has it open and check "
       u"that it is a file you may write!"},
  };
  return strings;
}

constexpr std::uint32_t kWsChild = 0x40000000, kWsVisible = 0x10000000, kWsCaption = 0x00C00000;
constexpr std::uint32_t kWsGroup = 0x00020000, kWsTabStop = 0x00010000, kWsBorder = 0x00800000;
constexpr std::uint32_t kWsVScroll = 0x00200000, kDsSetFont = 0x40;

enum class Kind {
  Bitmap,
  Text,
  CentredText,
  GroupBox,
  CheckBox,
  Radio,
  FirstRadio,
  PushButton,
  Edit,
  ListView
};

struct Control {
  int id;
  Kind kind;
  std::u16string text;  // "#113" for the bitmap resource 113
  int x, y, w, h;
  bool hidden = false;
  std::uint32_t styleBits = 0;  // further bits that must be set
};

struct Page {
  unsigned id;
  std::vector<Control> controls;
};

constexpr std::uint32_t kEsMultiline = 0x4, kEsAutoVScroll = 0x40, kEsAutoHScroll = 0x80, kEsReadOnly = 0x800;
constexpr std::uint32_t kLvsReport = 0x1, kLvsSingleSel = 0x4, kLvsAutoArrange = 0x100,
                        kLvsNoSortHeader = 0x8000;

const std::vector<Page>& ExpectedPages() {
  static const std::vector<Page> pages = {
      {101,
       {
           {-1, Kind::Bitmap, u"#113", 9, 7, 59, 19},
           {1013, Kind::Text, u"Welcome to Lanternix %s setup!", 101, 10, 187, 22},
           {1056, Kind::Text,
            u"This program will install Lanternix version  %s  (%s bit) on your system.\n (it should be "
            u"started "
            u"with Admin permissions)",
            9, 48, 273, 20},
           {-1, Kind::GroupBox, u"Create shortcuts:", 9, 72, 281, 79},
           {1011, Kind::CheckBox, u"Create Lanternix shortcut on the &Desktop", 17, 86, 166, 9},
           {1021, Kind::CheckBox, u"Create Lanternix Thu&mbnails shortcut on the Desktop", 17, 98, 202, 9},
           {1012, Kind::CheckBox, u"Create Lanternix shortcut in &Start Menu Programs", 17, 110, 199, 9},
           {1016, Kind::FirstRadio, u"For &current user only", 17, 125, 114, 9},
           {1017, Kind::Radio, u"For &all users", 17, 136, 68, 9},
           {1019, Kind::PushButton, u"&Uncheck all", 234, 95, 50, 15},
           {-1, Kind::GroupBox, u"Installation folder:", 9, 165, 281, 33},
           {1000, Kind::Edit, u"", 17, 177, 212, 12, false, kEsAutoHScroll | kWsBorder},
           {1009, Kind::PushButton, u"&Browse", 234, 176, 50, 15},
           {-1, Kind::Text, u"Read", 9, 206, 18, 10},
           {1045, Kind::Text, u"Lanternix EULA", 30, 206, 54, 10},
           {-1, Kind::Text, u"(End User License Agreement).", 84, 206, 150, 10},
       }},
      {104,
       {
           {-1, Kind::GroupBox, u"Do you want to associate extensions with Lanternix? (OPTIONAL !)", 0, 0,
            299, 204},
           {-1, Kind::Text,
            u"INFO: on Win10/11, you must use: System Settings, Apps, Set default apps ! (after "
            u"installation)",
            7, 14, 289, 8},
           {3311, Kind::CheckBox,
            u"Try to change associations in System-&Registry (for XP, Vista, Win7, Win8, NOT for Win10/11)",
            7, 28, 291, 8},
           {1579, Kind::ListView, u"List1", 7, 39, 285, 143, false,
            kLvsReport | kLvsSingleSel | kLvsAutoArrange | kLvsNoSortHeader | kWsBorder | kWsTabStop},
           {-1, Kind::Text,
            u"INFO: If you are just updating an older version, you can leave all boxes unchecked", 7, 188,
            285, 8},
           {-1, Kind::Text, u"* - PlugIns", 0, 209, 40, 10},
           {1091, Kind::PushButton, u"Images only", 60, 207, 52, 15},
           {1080, Kind::PushButton, u"Select all", 116, 207, 52, 15},
           {1081, Kind::PushButton, u"None", 172, 207, 52, 15},
           {1037, Kind::CheckBox, u"For all users (XP)", 233, 209, 69, 10},
       }},
      {108,
       {
           {-1, Kind::Text, u"What's new in this version?", 0, 0, 113, 9},
           {1000, Kind::Edit, u"", 0, 11, 299, 211, false,
            kEsMultiline | kEsReadOnly | kEsAutoVScroll | kEsAutoHScroll | kWsVScroll | kWsBorder},
       }},
      {109,
       {
           {1014, Kind::Text, u"Ready to install!", 9, 11, 179, 19},
           {-1, Kind::Bitmap, u"#113", 227, 8, 59, 19},
           {1010, Kind::Text, u"Destination directory:", 9, 53, 260, 10},
           {-1, Kind::GroupBox, u"Set INI file folder (optional):", 9, 83, 281, 40},
           {1038, Kind::FirstRadio,
            u"&Lanternix folder (for advanced users: needs full Admin write permissions in folder !)", 17, 96,
            272, 10},
           {1039, Kind::Radio, u"User's &Application Data folder (recommended)", 17, 110, 268, 10},
           {1040, Kind::Radio, u"Custom folder:", 17, 124, 61, 10, true},
           {1000, Kind::Edit, u"", 29, 136, 200, 12, true},
           {1042, Kind::PushButton, u"&Browse", 233, 135, 50, 15, true},
           {-1, Kind::Text, u"Press the \"Next\" button to start the installation ...", 9, 189, 235, 12},
           {1044, Kind::CentredText, u"Installing ... please wait ...", 19, 150, 260, 22, true},
       }},
      {110,
       {
           {1015, Kind::Text, u"Installation successful !", 5, 11, 193, 16},
           {-1, Kind::Bitmap, u"#113", 235, 8, 59, 19},
           {-1, Kind::Text, u"Setup has finished installing this program on your computer.", 5, 35, 229, 13},
           {-1, Kind::Text, u"What to do next?", 5, 144, 265, 9},
           {1022, Kind::CheckBox, u"Open Lanternix &FAQs homepage", 5, 159, 265, 10},
           {1020, Kind::CheckBox, u"&Start Lanternix", 5, 173, 265, 10},
           {-1, Kind::Text, std::u16string(72, u'_'), 5, 184, 288, 8},
           {-1, Kind::Text,
            u"How to uninstall Lanternix?\nGo to \"Start->Programs->Lanternix\" and click the \"Uninstall "
            u"Lanternix\" item.\n(or, see in System Control Panel, Apps)",
            5, 196, 265, 25},
       }},
  };
  return pages;
}

// One control as a DLGITEMTEMPLATEEX gives it.
struct ParsedControl {
  int id = 0;
  std::u16string className;
  std::u16string text;
  int x = 0, y = 0, w = 0, h = 0;
  std::uint32_t style = 0;
};

struct ParsedDialog {
  std::uint32_t style = 0;
  int cx = 0, cy = 0;
  bool hasCaption = false;
  int pointSize = 0;
  std::u16string typeface;
  std::vector<ParsedControl> controls;
};

// A name-or-ordinal field; an ordinal comes back as "#number". Predefined window classes are
// stored as ordinals and come back by name.
std::u16string NameOrOrdinal(const std::string& bytes, std::size_t& at, bool windowClass) {
  const std::uint16_t first = Word(bytes, at);
  if (first == 0xFFFF) {
    const std::uint16_t ordinal = Word(bytes, at + 2);
    at += 4;
    if (windowClass) {
      switch (ordinal) {
        case 0x80: return u"Button";
        case 0x81: return u"Edit";
        case 0x82: return u"Static";
        default: break;
      }
    }
    return ToUtf16("#" + std::to_string(ordinal));
  }
  std::u16string text = Utf16UntilZero(bytes, at);
  at += 2 * (text.size() + 1);
  return text;
}

std::size_t AlignedToDword(std::size_t at) {
  return (at + 3) & ~std::size_t{3};
}

ParsedDialog ParseDialogEx(const std::string& bytes) {
  ParsedDialog dialog;
  if (Word(bytes, 0) != 1 || Word(bytes, 2) != 0xFFFF) return dialog;
  dialog.style = Dword(bytes, 12);
  const int count = Word(bytes, 16);
  dialog.cx = static_cast<std::int16_t>(Word(bytes, 22));
  dialog.cy = static_cast<std::int16_t>(Word(bytes, 24));
  std::size_t at = 26;
  NameOrOrdinal(bytes, at, false);  // menu
  NameOrOrdinal(bytes, at, false);  // class
  dialog.hasCaption = !NameOrOrdinal(bytes, at, false).empty();
  if (dialog.style & kDsSetFont) {
    dialog.pointSize = Word(bytes, at);
    at += 6;  // point size, weight, italic, character set
    dialog.typeface = Utf16UntilZero(bytes, at);
    at += 2 * (dialog.typeface.size() + 1);
  }
  for (int i = 0; i < count && at < bytes.size(); ++i) {
    at = AlignedToDword(at);
    ParsedControl control;
    control.style = Dword(bytes, at + 8);
    control.x = static_cast<std::int16_t>(Word(bytes, at + 12));
    control.y = static_cast<std::int16_t>(Word(bytes, at + 14));
    control.w = static_cast<std::int16_t>(Word(bytes, at + 16));
    control.h = static_cast<std::int16_t>(Word(bytes, at + 18));
    control.id = static_cast<std::int32_t>(Dword(bytes, at + 20));
    if (control.id == 0xFFFF) control.id = -1;
    at += 24;
    control.className = NameOrOrdinal(bytes, at, true);
    control.text = NameOrOrdinal(bytes, at, false);
    at += 2 + Word(bytes, at);  // creation data
    dialog.controls.push_back(control);
  }
  return dialog;
}

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

// The class and the style bits that make the control the kind the page describes.
void ExpectKind(const Control& expected, const ParsedControl& actual) {
  const std::uint32_t style = actual.style;
  const std::uint32_t buttonType = style & 0xF;
  const std::uint32_t staticType = style & 0x1F;
  std::u16string className = u"Button";
  switch (expected.kind) {
    case Kind::Bitmap:
      className = u"Static";
      EXPECT_EQ(staticType, 0xEu) << "SS_BITMAP";
      break;
    case Kind::Text:
      className = u"Static";
      EXPECT_EQ(staticType, 0u) << "SS_LEFT";
      break;
    case Kind::CentredText:
      className = u"Static";
      EXPECT_EQ(staticType, 1u) << "SS_CENTER";
      EXPECT_TRUE(style & 0x200) << "SS_CENTERIMAGE";
      break;
    case Kind::GroupBox: EXPECT_EQ(buttonType, 7u) << "BS_GROUPBOX"; break;
    case Kind::CheckBox: EXPECT_EQ(buttonType, 3u) << "BS_AUTOCHECKBOX"; break;
    case Kind::FirstRadio: EXPECT_TRUE(style & kWsGroup) << "the radio group starts here"; [[fallthrough]];
    case Kind::Radio: EXPECT_EQ(buttonType, 9u) << "BS_AUTORADIOBUTTON"; break;
    case Kind::PushButton: EXPECT_EQ(buttonType, 0u) << "BS_PUSHBUTTON"; break;
    case Kind::Edit: className = u"Edit"; break;
    case Kind::ListView: className = u"SysListView32"; break;
  }
  EXPECT_EQ(Lower(actual.className), Lower(className));
  if (expected.kind == Kind::Radio) {
    EXPECT_FALSE(style & kWsGroup) << "inside the radio group";
  }
  EXPECT_EQ(style & expected.styleBits, expected.styleBits);
  if (expected.id == 1000 && expected.y == 11) {
    EXPECT_FALSE(style & kWsTabStop) << "the release notes take no tab stop";
  }
}

class SetupResourcesTest : public ::testing::TestWithParam<WindowsBuild> {
 protected:
  void SetUp() override {
    exe_ = GetParam().SetupExe();
    ASSERT_TRUE(FileExists(exe_)) << exe_ << " is missing: build the " << GetParam().name << " preset first";
  }
  std::string exe_;
};

TEST_P(SetupResourcesTest, StringTableHoldsEachTextExactlyAndNothingElse) {
  // Ids 0 to 15 share the first block of the string table.
  const std::string block = ExtractResource(exe_, "6", "1");
  ASSERT_FALSE(block.empty());
  std::size_t at = 0;
  for (unsigned id = 0; id < 16; ++id) {
    const std::uint16_t length = Word(block, at);
    const std::u16string text = Utf16(block, at + 2, length);
    at += 2 + 2 * std::size_t{length};
    const auto expected = ExpectedStrings().find(id);
    if (expected == ExpectedStrings().end())
      EXPECT_TRUE(text.empty()) << "string " << id << " must not exist";
    else
      EXPECT_TRUE(text == expected->second) << "string " << id;
  }
  EXPECT_EQ(at, block.size());
  EXPECT_EQ(ListResourceNames(exe_, "6"), std::vector<std::string>{"1"}) << "only ids below 16 exist";
}

TEST_P(SetupResourcesTest, WizardPagesMatchTheirControlTables) {
  std::vector<std::string> expectedIds;
  for (const Page& page : ExpectedPages()) expectedIds.push_back(std::to_string(page.id));
  std::vector<std::string> ids = ListResourceNames(exe_, "5");
  std::sort(ids.begin(), ids.end());
  std::sort(expectedIds.begin(), expectedIds.end());
  EXPECT_EQ(ids, expectedIds);

  for (const Page& page : ExpectedPages()) {
    SCOPED_TRACE("dialog " + std::to_string(page.id));
    const ParsedDialog dialog = ParseDialogEx(ExtractResource(exe_, "5", std::to_string(page.id)));
    EXPECT_EQ(dialog.cx, 300);
    EXPECT_EQ(dialog.cy, 222);
    EXPECT_TRUE(dialog.style & kWsChild);
    EXPECT_FALSE(dialog.style & kWsCaption);
    EXPECT_FALSE(dialog.hasCaption);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_TRUE(dialog.typeface == u"Microsoft Sans Serif");
    ASSERT_EQ(dialog.controls.size(), page.controls.size());
    for (std::size_t i = 0; i < page.controls.size(); ++i) {
      const Control& expected = page.controls[i];
      const ParsedControl& actual = dialog.controls[i];
      SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(expected.id) + ")");
      EXPECT_EQ(actual.id, expected.id);
      EXPECT_TRUE(actual.text == expected.text);
      EXPECT_EQ((std::vector<int>{actual.x, actual.y, actual.w, actual.h}),
                (std::vector<int>{expected.x, expected.y, expected.w, expected.h}));
      EXPECT_TRUE(actual.style & kWsChild);
      EXPECT_EQ(!(actual.style & kWsVisible), expected.hidden);
      ExpectKind(expected, actual);
    }
  }
}

TEST_P(SetupResourcesTest, ReleaseNotesAreUtf16WithByteOrderMarkAndCrLf) {
  const std::string notes = ExtractResource(exe_, "TXT", "217");
  ASSERT_GE(notes.size(), 3000u);
  ASSERT_EQ(notes.size() % 2, 0u);
  EXPECT_EQ(Word(notes, 0), 0xFEFF);
  const std::u16string text = Utf16(notes, 2, notes.size() / 2 - 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == u'\r') << "bare LF at " << i;
    }
    if (text[i] == u'\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == u'\n') << "bare CR at " << i;
    }
  }
  ASSERT_GE(text.size(), 2u);
  EXPECT_TRUE(text.ends_with(u"\r\n"));

  // A dashed rule, the version and its release date, a dashed rule, then "- " entries whose
  // further lines are indented by two spaces.
  std::vector<std::u16string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find(u"\r\n", start);
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_GE(lines.size(), 5u);
  EXPECT_TRUE(lines[0].find_first_not_of(u'-') == std::u16string::npos && lines[0].size() > 20);
  EXPECT_NE(lines[1].find(u"4.65"), std::u16string::npos);
  EXPECT_TRUE(lines[2] == lines[0]);
  EXPECT_TRUE(lines[3].starts_with(u"- "));
  for (std::size_t i = 3; i < lines.size(); ++i)
    EXPECT_TRUE(lines[i].starts_with(u"- ") || (lines[i].starts_with(u"  ") && lines[i][2] != u' '))
        << "line " << i;

  const auto host = EmbeddedResource(L"TXT", 217);
  EXPECT_EQ(std::string(host.begin(), host.end()), notes) << "the host embeds other release notes";
}

TEST_P(SetupResourcesTest, PayloadResourceIsTheBuiltArchive) {
  const std::string archive = ReadFileBytes(GetParam().PayloadZip());
  ASSERT_FALSE(archive.empty()) << GetParam().PayloadZip();
  EXPECT_TRUE(ExtractResource(exe_, "ZIP", "1974") == archive);
}

TEST_P(SetupResourcesTest, CheckRecordIsStampedOverTheWholeFile) {
  // The record as wrestool finds it: filled in after linking, with the file's length.
  const std::string record = ExtractResource(exe_, "SETUPCRC", "1");
  ASSERT_EQ(record.size(), 8u);
  EXPECT_NE(record, "NO CHECK") << "the post-link step did not run";
  const std::string file = ReadFileBytes(exe_);
  EXPECT_EQ(Word(record, 4) | std::size_t{Word(record, 6)} << 16, file.size());
  // The setup's own reader finds it at the same place, and the file passes the setup's check.
  const std::vector<std::uint8_t> image(file.begin(), file.end());
  const auto layout = lanternix::ReadSetupImageLayout(image);
  ASSERT_TRUE(layout);
  EXPECT_EQ(file.substr(layout->recordOffset, 8), record);
  EXPECT_EQ(layout->certificateOffset + layout->certificateSize, 0u) << "the build ships unsigned";
  EXPECT_TRUE(lanternix::IsSetupImageIntact(image));
}

TEST_P(SetupResourcesTest, ManifestAsksForHighestLevelCommonControls6AndPerMonitorDpi) {
  const std::string manifest = ExtractResource(exe_, "24", "1");
  EXPECT_NE(manifest.find("level=\"highestAvailable\""), std::string::npos);
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_NE(manifest.find(">True/PM</dpiAware>"), std::string::npos);
  EXPECT_EQ(ListResourceNames(exe_, "24").size(), 1u) << "one manifest only";
}

TEST_P(SetupResourcesTest, VersionNamesProduct465AndPublisher) {
  const std::string version = ExtractResource(exe_, "16", "1");
  const std::size_t fixed = version.find(std::string("\xBD\x04\xEF\xFE", 4));
  ASSERT_NE(fixed, std::string::npos);
  EXPECT_EQ(Dword(version, fixed + 16), (4u << 16) | 65u) << "product version 4.65";
  const std::u16string text = Utf16(version, 0, version.size() / 2);
  EXPECT_NE(text.find(u"040904E4"), std::u16string::npos);
  EXPECT_NE(text.find(u"Quillon Varsk"), std::u16string::npos);
}

TEST_P(SetupResourcesTest, LogoFitsItsFrameAndIconExists) {
  const std::string bitmap = ExtractResource(exe_, "2", "113");
  ASSERT_GE(bitmap.size(), 40u);
  // 59 x 19 dialog units of an 8-point dialog font at 96 DPI: about 88 x 31 pixels.
  const auto width = static_cast<std::int32_t>(Dword(bitmap, 4));
  const auto height = static_cast<std::int32_t>(Dword(bitmap, 8));
  EXPECT_GT(width, 40);
  EXPECT_LE(width, 89);
  EXPECT_GT(height, 10);
  EXPECT_LE(std::abs(height), 31);
  EXPECT_EQ(ListResourceNames(exe_, "14"), std::vector<std::string>{"111"});
}

INSTANTIATE_TEST_SUITE_P(Builds, SetupResourcesTest, ::testing::ValuesIn(WindowsBuilds()),
                         [](const auto& parameter) { return std::string(parameter.param.name); });

}  // namespace
}  // namespace lanternix::test
