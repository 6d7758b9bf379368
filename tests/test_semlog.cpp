// The pending log store: the exact line, its capacity and draining.
#include <string>
#include <vector>

#include "std/std_semlog.h"
#include "tests/support.h"

namespace {

std::vector<std::wstring> Drain() {
  static wchar_t buffer[kPendingSlots][kPendingChars];
  std::vector<std::wstring> lines;
  EXPECT_EQ(1, semlog.Drain(nullptr, &buffer[0][0]));
  for (auto& slot : buffer)
    if (slot[0]) lines.emplace_back(slot);
  return lines;
}

class PendingStore : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    UseFixedTime(2024, 5, 17, 9, 41, 7);
    Drain();
  }
};

TEST_F(PendingStore, LineCarriesColourMonthDayTimeAndText) {
  ASSERT_EQ(1, semlog.Add(nullptr, L"765 127.0.8.1:POST:/x", 0));
  ASSERT_EQ(1, semlog.Add(nullptr, L"850 127.0.8.1:result_Proc:0", 255));
  EXPECT_EQ((std::vector<std::wstring>{L"0 05/17:09:41'07 765 127.0.8.1:POST:/x\n",
                                       L"255 05/17:09:41'07 850 127.0.8.1:result_Proc:0\n"}),
            Drain());
}

TEST_F(PendingStore, FullStoreDropsTheThirtyFirstLine) {
  for (int i = 0; i < kPendingSlots + 1; ++i) {
    wchar_t text[16];
    Format(text, 16, L"line %d", i);
    EXPECT_EQ(1, semlog.Add(nullptr, text, 0));
  }
  std::vector<std::wstring> lines = Drain();
  ASSERT_EQ(static_cast<size_t>(kPendingSlots), lines.size());
  EXPECT_EQ(L"0 05/17:09:41'07 line 29\n", lines.back());
  // Drained slots are free again; nothing of the old lines is left.
  EXPECT_TRUE(Drain().empty());
  ASSERT_EQ(1, semlog.Add(nullptr, L"after", 0));
  EXPECT_EQ(std::vector<std::wstring>{L"0 05/17:09:41'07 after\n"}, Drain());
}

TEST_F(PendingStore, LongTextIsCutAtTwoHundredSixtyCharacters) {
  std::wstring text(400, L'x');
  ASSERT_EQ(1, semlog.Add(nullptr, text.c_str(), 255));
  std::vector<std::wstring> lines = Drain();
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(260u, lines[0].size());
  EXPECT_EQ(L"255 05/17:09:41'07 xxx", lines[0].substr(0, 22));
  EXPECT_EQ(L'x', lines[0].back());
}

}  // namespace
