// The Windows dialog from inside its own process: where the keyboard focus
// goes, the input method and the conversion of typed text. Its window tests
// need a display: under Wine they run from wine_test, on its private one,
// and skip without one.
#include <windows.h>

#include <gtest/gtest.h>
#include <imm.h>

#include <memory>
#include <vector>

#include "app/Layout.h"
#include "app/win32/Unit1.h"
#include "app/win32/WideText.h"
#include "tests/support/TestSupport.h"

namespace {

class Win32DialogTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    form_ = std::make_unique<TForm1>(Dir() / "q527.exe");
    if (!form_->Create(GetModuleHandleW(nullptr))) GTEST_SKIP() << "no window can be made here";
    form_->FormShow();
    ShowWindow(form_->Handle, SW_SHOW);
    SetForegroundWindow(form_->Handle);
  }
  void TearDown() override { form_.reset(); }

  // The controls of the tab chain: those Tab stops at, and both radio
  // buttons, of which the system keeps the stop on the selected one.
  std::vector<HWND> TabChainWindows() const {
    std::vector<HWND> chain;
    for (HWND control = GetWindow(form_->Handle, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT))
      if ((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0 ||
          control == form_->RadioButton1 || control == form_->RadioButton2)
        chain.push_back(control);
    return chain;
  }

  std::unique_ptr<TForm1> form_;
};

TEST_F(Win32DialogTest, ArrowsStayInTheTabChainAndMoveOnlyBetweenTheRadioButtons) {
  const std::vector<HWND> chain = TabChainWindows();
  ASSERT_EQ(chain.size(), TabChain().size());
  for (HWND control : chain) {
    for (const WPARAM key : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) {
      SetFocus(control);
      ASSERT_EQ(GetFocus(), control);
      MSG message{control, WM_KEYDOWN, key, 0, 0, {}};
      IsDialogMessageW(form_->Handle, &message);
      const HWND focus = GetFocus();
      // From one radio button to the other; everywhere else the focus stays.
      HWND expected = control;
      if (control == form_->RadioButton1) expected = form_->RadioButton2;
      if (control == form_->RadioButton2) expected = form_->RadioButton1;
      EXPECT_EQ(focus, expected) << "control " << GetDlgCtrlID(control) << ", key " << key
                                 << ": the focus went to " << GetDlgCtrlID(focus);
    }
  }
}

TEST_F(Win32DialogTest, NoControlTakesJapaneseInput) {
  for (HWND control = GetWindow(form_->Handle, GW_CHILD); control != nullptr;
       control = GetWindow(control, GW_HWNDNEXT)) {
    const HIMC context = ImmGetContext(control);
    EXPECT_EQ(context, nullptr) << "control " << GetDlgCtrlID(control);
    if (context != nullptr) ImmReleaseContext(control, context);
  }
}

TEST(WideText, CharactersWithoutShiftJisBecomeQuestionMarks) {
  // No best fit: the yen sign would become a backslash, é an e.
  EXPECT_EQ(SjisOfWide(L"1\u00A52\u00E93"), "1?2?3");
  EXPECT_EQ(SjisOfWide(L"\uFF11\uFF0E\uFF15"), "\x82\x50\x81\x44\x82\x54");  // "１．５"
}

}  // namespace
