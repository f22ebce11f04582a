// The wizard's window-free rules: the hyperlink's fit to its text, its colours and browser
// command, the coloured static's DrawText format, DPI scaling, and the sheet's decisions.
#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_platform.h"
#include "wizard/control_logic.h"
#include "wizard/hyperlink_logic.h"
#include "wizard/sheet_logic.h"

namespace lanternix::wizard {
namespace {

// A 100 x 20 control at (30, 40) with a one-pixel border all round; the text needs 60 x 13.
constexpr LinkRect kWindow{30, 40, 130, 60};
constexpr LinkRect kClient{31, 41, 129, 59};
constexpr LinkSize kText{60, 13};

TEST(FitRectToTextTest, LeftAlignedKeepsLeftAndTopEdges) {
  EXPECT_EQ(FitRectToText(kWindow, kClient, kText, 0), (LinkRect{30, 40, 92, 55}));
  // Growing works the same way: text wider than the control.
  EXPECT_EQ(FitRectToText(kWindow, kClient, {150, 13}, 0), (LinkRect{30, 40, 182, 55}));
}

TEST(FitRectToTextTest, CentredKeepsItsCentre) {
  // (100 - 62) / 2 = 19 from each side.
  EXPECT_EQ(FitRectToText(kWindow, kClient, kText, kStaticCenter), (LinkRect{49, 40, 111, 55}));
  // An odd difference leaves the extra pixel: (100 - 63) / 2 = 18.
  EXPECT_EQ(FitRectToText(kWindow, kClient, {61, 13}, kStaticCenter), (LinkRect{48, 40, 112, 55}));
  // Wider text grows to both sides: (100 - 162) / 2 = -31.
  EXPECT_EQ(FitRectToText(kWindow, kClient, {160, 13}, kStaticCenter), (LinkRect{-1, 40, 161, 55}));
}

TEST(FitRectToTextTest, RightAlignedKeepsRightEdge) {
  EXPECT_EQ(FitRectToText(kWindow, kClient, kText, kStaticRight), (LinkRect{68, 40, 130, 55}));
  // SS_CENTER wins when both bits are set.
  EXPECT_EQ(FitRectToText(kWindow, kClient, kText, kStaticCenter | kStaticRight),
            (LinkRect{49, 40, 111, 55}));
}

TEST(FitRectToTextTest, CenterImageKeepsTheVerticalCentre) {
  // Needed height 15 in 20: (20 - 15) / 2 = 2 off top and bottom.
  EXPECT_EQ(FitRectToText(kWindow, kClient, kText, kStaticCenterImage), (LinkRect{30, 42, 92, 58}));
  EXPECT_EQ(FitRectToText(kWindow, kClient, kText, kStaticCenterImage | kStaticRight),
            (LinkRect{68, 42, 130, 58}));
}

TEST(FitRectToTextTest, BorderlessControlFitsTheTextExactly) {
  const LinkRect window{0, 0, 80, 16};
  EXPECT_EQ(FitRectToText(window, window, {54, 13}, 0), (LinkRect{0, 0, 54, 13}));
}

TEST(LinkTextColourTest, HoverBeatsVisitedBeatsLink) {
  const LinkColours colours;
  EXPECT_EQ(LinkTextColour(colours, false, false), 0x00EE0000u);
  EXPECT_EQ(LinkTextColour(colours, false, true), 0x008B1A55u);
  EXPECT_EQ(LinkTextColour(colours, true, false), 0x000000FFu);
  EXPECT_EQ(LinkTextColour(colours, true, true), 0x000000FFu);
}

TEST(BrowserCommandForUrlTest, CutsBeforeTheQuotedPlaceholderAndDropsLaterSwitches) {
  EXPECT_EQ(BrowserCommandForUrl(L"\"C:\\Browser\\browser.exe\" -osint -url \"%1\" -new-tab",
                                 L"https://lanternix.example/eula"),
            L"\"C:\\Browser\\browser.exe\" -osint -url  https://lanternix.example/eula");
}

TEST(BrowserCommandForUrlTest, BarePlaceholderWhenNoQuotedOne) {
  EXPECT_EQ(BrowserCommandForUrl(L"C:\\Old\\iexplore.exe -nohome %1 -x", L"https://a.example/"),
            L"C:\\Old\\iexplore.exe -nohome  https://a.example/");
  // The quoted form is preferred even when a bare one comes first.
  EXPECT_EQ(BrowserCommandForUrl(L"b.exe %1 \"%1\"", L"u"), L"b.exe %1  u");
}

TEST(BrowserCommandForUrlTest, AppendsWhenThereIsNoPlaceholder) {
  EXPECT_EQ(BrowserCommandForUrl(L"\"C:\\Browser\\browser.exe\"", L"https://a.example/"),
            L"\"C:\\Browser\\browser.exe\" https://a.example/");
  EXPECT_EQ(BrowserCommandForUrl(L"", L"u"), L" u");
}

TEST(SplitCommandLineTest, QuotedOrBareProgramThenTheRest) {
  const ProgramAndArguments quoted =
      SplitCommandLine(L"\"C:\\Program Files\\B\\b.exe\" -osint  https://a.example/");
  EXPECT_EQ(quoted.program, L"C:\\Program Files\\B\\b.exe");
  EXPECT_EQ(quoted.arguments, L"-osint  https://a.example/");
  const ProgramAndArguments bare = SplitCommandLine(L"C:\\Old\\iexplore.exe -nohome  u");
  EXPECT_EQ(bare.program, L"C:\\Old\\iexplore.exe");
  EXPECT_EQ(bare.arguments, L"-nohome  u");
  EXPECT_EQ(SplitCommandLine(L"b.exe").arguments, L"");
  EXPECT_EQ(SplitCommandLine(L"\"b.exe").program, L"b.exe");
}

// What the wizard starts (the Finished page's FAQ page and viewer, the EULA link and its
// browser fallback) runs with the user's normal rights: an elevated wizard hands it to the
// desktop shell and never starts it itself, not even when the shell can't take it.
class StartWithUserRightsTest : public ::testing::Test {
 protected:
  void RegisterBrowser() {
    platform.registry.CreateKey(RegRoot::ClassesRoot, L".htm")->SetString(L"", L"htmlfile");
    platform.registry.CreateKey(RegRoot::ClassesRoot, L"htmlfile\\shell\\open\\command")
        ->SetString(L"", L"\"C:\\B\\b.exe\" -osint \"%1\"");
  }
  fake::FakePlatform platform;
};

TEST_F(StartWithUserRightsTest, ElevatedGoesThroughTheDesktopShell) {
  platform.system.elevated = true;
  EXPECT_EQ(StartWithUserRights(platform.Get(), L"C:\\Apps\\l_tern32.exe", L""), 42);
  EXPECT_EQ(OpenLinkAddress(platform.Get(), L"https://lanternix.example/eula"), 42);
  EXPECT_EQ(platform.shell.opened, (std::vector<std::wstring>{L"user C:\\Apps\\l_tern32.exe ",
                                                              L"user https://lanternix.example/eula "}));
}

TEST_F(StartWithUserRightsTest, NotElevatedOpensDirectlyAsBefore) {
  EXPECT_EQ(StartWithUserRights(platform.Get(), L"https://lanternix.example/faq", L""), 42);
  EXPECT_EQ(OpenLinkAddress(platform.Get(), L"https://lanternix.example/eula"), 42);
  EXPECT_EQ(platform.shell.opened, (std::vector<std::wstring>{L"open https://lanternix.example/faq ",
                                                              L"open https://lanternix.example/eula "}));
}

TEST_F(StartWithUserRightsTest, TheBrowserFallbackKeepsTheRouteToo) {
  RegisterBrowser();
  platform.shell.openResult = 2;  // no association for the address
  EXPECT_EQ(OpenLinkAddress(platform.Get(), L"https://a.example/"), 33);
  platform.system.elevated = true;
  platform.shell.desktopUserResult = 0;  // no desktop shell: nothing starts, not even elevated
  EXPECT_EQ(OpenLinkAddress(platform.Get(), L"https://a.example/"), 0);
  EXPECT_EQ(platform.shell.opened,
            (std::vector<std::wstring>{
                L"open https://a.example/ ", L"run \"C:\\B\\b.exe\" -osint  https://a.example/",
                L"user https://a.example/ ", L"user C:\\B\\b.exe -osint  https://a.example/"}));
  // Without a registered browser the first result stands.
  fake::FakePlatform bare;
  bare.shell.openResult = 2;
  EXPECT_EQ(OpenLinkAddress(bare.Get(), L"u"), 2);
}

TEST(DrawTextFormatTest, AlignmentAndWrappingFollowTheStyles) {
  EXPECT_EQ(DrawTextFormatForStyle(0), kDrawLeft | kDrawWordBreak);
  EXPECT_EQ(DrawTextFormatForStyle(kStaticCenter), kDrawCenter | kDrawWordBreak);
  EXPECT_EQ(DrawTextFormatForStyle(kStaticRight), kDrawRight | kDrawWordBreak);
  // The installing text: SS_CENTER | SS_CENTERIMAGE is one centred line.
  EXPECT_EQ(DrawTextFormatForStyle(kStaticCenter | kStaticCenterImage),
            kDrawCenter | kDrawVCenter | kDrawSingleLine);
  EXPECT_EQ(DrawTextFormatForStyle(kStaticCenter | kStaticRight), kDrawCenter | kDrawWordBreak);
}

TEST(ScaleForDpiTest, HeadingHeightsAndMulDivRounding) {
  EXPECT_EQ(ScaleForDpi(kHeadingFontHeight, 96), 18);
  EXPECT_EQ(ScaleForDpi(kHeadingFontHeight, 144), 27);
  EXPECT_EQ(ScaleForDpi(kHeadingFontHeight, 120), 23);  // 22.5 rounds up
  EXPECT_EQ(ScaleForDpi(kHeadingFontHeight, 72), 14);   // 13.5 rounds up
  EXPECT_EQ(ScaleForDpi(-18, 120), -23);                // half away from zero, as MulDiv
  EXPECT_EQ(FontWeight(true), 700);
  EXPECT_EQ(FontWeight(false), 400);
}

TEST(LeaveDecisionTest, ExitCommandAsksBeforeTheFinishedPageAndFinishesOnIt) {
  for (int page = 0; page < kFinishedPageIndex; ++page)
    EXPECT_EQ(DecideExitCommand(2, page), LeaveDecision::kConfirm) << page;
  EXPECT_EQ(DecideExitCommand(2, kFinishedPageIndex), LeaveDecision::kFinish);
  // Any notification code in the high word: still the Exit button.
  EXPECT_EQ(DecideExitCommand(0x00050002, 1), LeaveDecision::kConfirm);
  EXPECT_EQ(DecideExitCommand(1, 1), LeaveDecision::kPassOn);       // IDOK
  EXPECT_EQ(DecideExitCommand(0x3024, 1), LeaveDecision::kPassOn);  // Next
  EXPECT_EQ(DecideExitCommand(0x10002, kFinishedPageIndex), LeaveDecision::kFinish);
}

TEST(LeaveDecisionTest, OnlyAnUnmaskedCloseAsksOrFinishes) {
  EXPECT_EQ(DecideSysCommand(0xF060, 0), LeaveDecision::kConfirm);
  EXPECT_EQ(DecideSysCommand(0xF060, 3), LeaveDecision::kConfirm);
  // Closing the window from the Finished page is leaving it: the FAQ page and the viewer first.
  EXPECT_EQ(DecideSysCommand(0xF060, kFinishedPageIndex), LeaveDecision::kFinish);
  EXPECT_EQ(DecideSysCommand(0xF020, kFinishedPageIndex), LeaveDecision::kPassOn);
  // The low four bits are the system's own; compared without masking, 0xF061 is not SC_CLOSE.
  EXPECT_EQ(DecideSysCommand(0xF061, 0), LeaveDecision::kPassOn);
  EXPECT_EQ(DecideSysCommand(0xF020, 0), LeaveDecision::kPassOn);  // SC_MINIMIZE
}

TEST(AdjacentPageIndexTest, StopsAtBothEnds) {
  EXPECT_EQ(AdjacentPageIndex(0, 5, false), std::nullopt);
  EXPECT_EQ(AdjacentPageIndex(0, 5, true), 1);
  EXPECT_EQ(AdjacentPageIndex(3, 5, true), 4);
  EXPECT_EQ(AdjacentPageIndex(4, 5, true), std::nullopt);
  EXPECT_EQ(AdjacentPageIndex(4, 5, false), 3);
}

TEST(ViewerPathInFolderTest, FolderAsTypedWithBackslashAdded) {
  EXPECT_EQ(ViewerPathInFolder(L"C:\\Program Files\\Lanternix"),
            L"C:\\Program Files\\Lanternix\\l_tern32.exe");
  EXPECT_EQ(ViewerPathInFolder(L"D:\\Apps\\"), L"D:\\Apps\\l_tern32.exe");
  // Spaces typed around the folder stay.
  EXPECT_EQ(ViewerPathInFolder(L" D:\\Apps "), L" D:\\Apps \\l_tern32.exe");
}

TEST(ViewerPathInFolderTest, NoPathWhenItWouldNotFitTheBuffer) {
  // 259 characters is the most a 260-character buffer holds: folder + "\" + 12.
  const std::wstring fits(246, L'a');
  ASSERT_TRUE(ViewerPathInFolder(fits).has_value());
  EXPECT_EQ(ViewerPathInFolder(fits)->size(), 259u);
  EXPECT_EQ(ViewerPathInFolder(std::wstring(247, L'a')), std::nullopt);
}

}  // namespace
}  // namespace lanternix::wizard
